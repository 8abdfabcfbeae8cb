#version 410 compatibility
// Cartoon look, vertex stage (models and terrain): hands the fragment stage what it needs to light
// per pixel in eye space, plus the vertex's position in the shadow map.

uniform mat4 modelViewProj;   // object -> clip
uniform mat4 modelView;       // object -> eye
uniform mat4 modelViewIT;     // inverse transpose of modelView, for normals
uniform mat4 shadowMapMatrix; // eye -> shadow-map texture space; all zero until a shadow map exists

layout(location = 0) out vec3 eyePosition;
layout(location = 1) out vec3 eyeNormal;
layout(location = 2) out vec2 texCoord;
layout(location = 3) out vec4 shadowCoord;
layout(location = 4) flat out float shadowDepthPerUnit; // shadow-map depth of one world unit

void main()
{
    vec4 eye = modelView * gl_Vertex;
    eyePosition = eye.xyz / eye.w;
    eyeNormal = (modelViewIT * vec4(gl_Normal, 0.0)).xyz;
    texCoord = gl_MultiTexCoord0.st;
    shadowCoord = shadowMapMatrix * eye;
    // The matrix's depth row takes eye space (world units, rigidly moved) to map depth: its length
    // is the depth of one unit along the light.
    shadowDepthPerUnit = length(vec3(shadowMapMatrix[0][2], shadowMapMatrix[1][2], shadowMapMatrix[2][2]));
    gl_Position = modelViewProj * gl_Vertex;
}
