#version 410 compatibility
// Cartoon look, fragment stage (models): the material texture lit as cartoon-lighting.glsl says.

#include "cartoon-lighting.glsl"

void main()
{
    gl_FragColor = cartoonColour(texture2D(texture, texCoord));
}
