#version 410 compatibility
// Cartoon look, fragment stage for the terrain: the models' look (cartoon-lighting.glsl) over a
// surface whose colour texture is modulated by a detail texture, repeated `textureRepeat` times
// across the terrain and weighted per place by the weights texture. White detail or zero weight
// leave the colour texture as it is.

#include "cartoon-lighting.glsl"

uniform float textureRepeat;      // detail repeats across the terrain's texture coordinates
uniform sampler2D detailTexture;  // fine detail, white when the level names none
uniform sampler2D weightsTexture; // red: how much detail each place gets, white when none

void main()
{
    vec4 base = texture2D(texture, texCoord);
    vec3 detail = texture2D(detailTexture, texCoord * textureRepeat).rgb;
    float weight = texture2D(weightsTexture, texCoord).r;
    gl_FragColor = cartoonColour(vec4(mix(base.rgb, base.rgb * detail, weight), base.a));
}
