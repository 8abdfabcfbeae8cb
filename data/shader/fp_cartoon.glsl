#version 410 compatibility
// Cartoon look, fragment stage (models): the diffuse light runs through a four-step ramp, the
// specular highlight is a hard spot, points the shadow map sees behind the light's first surface
// fall to the lowest step, and pixels where the outline map changes become dark lines.
//
// `texture` names a parameter here, which hides GLSL's texture() function: the sampling below uses
// texture1D and texture2D.

uniform vec4 lightPos;      // eye space; w = 0 for a directional light
uniform vec4 ka;            // material ambient
uniform vec4 kd;            // material diffuse; its alpha is the surface's opacity
uniform vec4 ks;            // material specular
uniform float shininess;    // specular exponent
uniform vec3 globalAmbient; // the scene light's ambient colour
uniform vec3 lightColor;    // the scene light's diffuse colour
uniform sampler2D texture;  // material texture, white when it has none
uniform sampler1D ramp;     // four light steps, indexed by the diffuse term 0..1
uniform sampler2D shadowMap;  // light-space depth in red, alpha 1 where something was drawn
uniform sampler2D outlineMap; // eye-space normal in rgb and depth in alpha, seen from the camera
uniform vec2 windowSize;      // pixels, to find this fragment in the outline map

layout(location = 0) in vec3 eyePosition;
layout(location = 1) in vec3 eyeNormal;
layout(location = 2) in vec2 texCoord;
layout(location = 3) in vec4 shadowCoord;

// Depth difference (in shadow-map units) a surface may lie behind the stored one and still count as
// that surface: covers the half-float storage and the map's texel size.
const float shadowBias = 0.003;

// 1 where the light reaches the point, 0 in shadow. Until the shadow pass has run the matrix is zero
// (w = 0) and the map may be texture 0: both count as lit, as do texels nothing was drawn into
// (cleared alpha 0) and points outside the map.
float lightVisibility()
{
    if (shadowCoord.w <= 0.0)
        return 1.0;
    vec3 coord = shadowCoord.xyz / shadowCoord.w;
    if (any(lessThan(coord.xy, vec2(0.0))) || any(greaterThan(coord.xy, vec2(1.0))))
        return 1.0;
    vec4 stored = texture2D(shadowMap, coord.xy);
    if (stored.a < 0.5)
        return 1.0;
    return coord.z - shadowBias > stored.r ? 0.0 : 1.0;
}

// 1 on a silhouette or crease: the outline map's normal turns sharply or its depth jumps between
// this pixel and a neighbour. A map that does not exist yet reads constant and gives no lines.
float outlineStrength()
{
    vec2 texel = 1.0 / vec2(max(textureSize(outlineMap, 0), ivec2(1)));
    vec2 centre = gl_FragCoord.xy / max(windowSize, vec2(1.0));
    vec4 here = texture2D(outlineMap, centre);
    vec2 offsets[4] = vec2[](vec2(texel.x, 0.0), vec2(-texel.x, 0.0), vec2(0.0, texel.y),
                             vec2(0.0, -texel.y));
    float edge = 0.0;
    for (int i = 0; i < 4; ++i) {
        vec4 there = texture2D(outlineMap, centre + offsets[i]);
        float turn = dot(here.rgb * 2.0 - 1.0, there.rgb * 2.0 - 1.0);
        float jump = abs(here.a - there.a);
        if (turn < 0.6 || jump > 0.01 + 0.1 * min(here.a, there.a))
            edge = 1.0;
    }
    return edge;
}

void main()
{
    vec3 normal = normalize(eyeNormal);
    vec3 toLight = lightPos.w == 0.0 ? lightPos.xyz : lightPos.xyz - eyePosition * lightPos.w;
    toLight = length(toLight) > 0.0 ? normalize(toLight) : vec3(0.0, 0.0, 1.0);
    vec3 toEye = length(eyePosition) > 0.0 ? normalize(-eyePosition) : vec3(0.0, 0.0, 1.0);

    float visibility = lightVisibility();
    float diffuse = max(dot(normal, toLight), 0.0) * visibility;
    float step = texture1D(ramp, diffuse).r;

    float facing = max(dot(normal, normalize(toLight + toEye)), 0.0);
    float highlight = diffuse > 0.0 && pow(facing, max(shininess, 1.0)) > 0.5 ? 1.0 : 0.0;

    vec4 surface = texture2D(texture, texCoord);
    vec3 light = ka.rgb * globalAmbient + kd.rgb * lightColor * step;
    vec3 colour = surface.rgb * light + ks.rgb * lightColor * highlight;
    colour *= 1.0 - outlineStrength();
    gl_FragColor = vec4(colour, kd.a * surface.a);
}
