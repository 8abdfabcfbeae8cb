#version 410 compatibility
// Outline-map pass, vertex stage only: the fixed-function fragment stage writes the colour given
// here, the eye-space normal in rgb (mapped to 0..1) and the eye-space depth in alpha, from which
// the cartoon programs find silhouettes and creases.

uniform mat4 modelViewProj; // object -> clip
uniform mat4 modelViewIT;   // inverse transpose of the model-view matrix, for normals

// Eye distance that maps to alpha 1: the camera's far plane.
const float farDistance = 350.0;

void main()
{
    vec4 clip = modelViewProj * gl_Vertex;
    vec3 normal = (modelViewIT * vec4(gl_Normal, 0.0)).xyz;
    normal = length(normal) > 0.0 ? normalize(normal) : vec3(0.0, 0.0, 1.0);
    // Under the camera's perspective projection clip w is the distance in front of the eye.
    vec4 colour = vec4(normal * 0.5 + 0.5, clamp(clip.w / farDistance, 0.0, 1.0));
    gl_FrontColor = colour;
    gl_BackColor = colour;
    gl_Position = clip;
}
