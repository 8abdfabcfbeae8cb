#version 410 compatibility
// Shadow-map pass, fragment stage: writes the light-space depth (0 near the light .. 1 far, the
// scale of shadow-map texture coordinates) into the colour target, alpha 1 marking "something is
// here". Surfaces the light grazes store a slightly deeper value, so the cartoon programs do not
// find them behind themselves.

layout(location = 0) in vec3 lightEyePosition;

// Extra depth per unit of slope (tangent of the angle between surface and light direction).
const float slopeBias = 0.0005;

void main()
{
    vec3 faceNormal = cross(dFdx(lightEyePosition), dFdy(lightEyePosition));
    float facing = abs(faceNormal.z) / max(length(faceNormal), 1e-12);
    float slope = sqrt(max(1.0 - facing * facing, 0.0)) / max(facing, 0.05);
    float depth = gl_FragCoord.z + slopeBias * slope;
    gl_FragColor = vec4(depth, depth, depth, 1.0);
}
