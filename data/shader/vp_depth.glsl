#version 410 compatibility
// Shadow-map pass, vertex stage: positions seen from the light, and the light-space position for a
// fragment stage that wants it.

uniform mat4 modelViewProj; // object -> light clip space
uniform mat4 modelView;     // object -> light eye space

layout(location = 0) out vec3 lightEyePosition;

void main()
{
    vec4 eye = modelView * gl_Vertex;
    lightEyePosition = eye.xyz / eye.w;
    gl_Position = modelViewProj * gl_Vertex;
}
