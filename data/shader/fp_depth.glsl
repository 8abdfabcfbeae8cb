#version 410 compatibility
// Shadow-map pass, fragment stage: writes the light-space depth (0 near the light .. 1 far, the
// scale of shadow-map texture coordinates) into the colour target, alpha 1 marking "something is
// here". The cartoon programs allow for slopes and storage precision when they compare.

void main()
{
    gl_FragColor = vec4(gl_FragCoord.z, 0.0, 0.0, 1.0);
}
