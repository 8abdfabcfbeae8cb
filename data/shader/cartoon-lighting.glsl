// Lighting shared by the cartoon programs of models and terrain (included by fp_cartoon.glsl and
// fp_terrain.glsl): the diffuse light runs through a four-step ramp, the specular highlight is a
// hard spot, points the shadow map sees behind the light's first surface fall to the lowest step,
// and pixels where the outline map changes become dark lines.
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
uniform sampler2D outlineMap; // eye-space normal in rgb and depth / 350 in alpha (0: nothing drawn)
uniform vec2 windowSize;      // pixels, to find this fragment in the outline map

layout(location = 0) in vec3 eyePosition;
layout(location = 1) in vec3 eyeNormal;
layout(location = 2) in vec2 texCoord;
layout(location = 3) in vec4 shadowCoord;
layout(location = 4) flat in float shadowDepthPerUnit; // shadow-map depth of one world unit

// How far (world units) a point may lie behind the surface the shadow map stored and still count
// as that surface: a fixed part for the map's 16-bit storage, and a part growing with the slope of
// the surface towards the light, which covers the depth change across one map texel (400 units
// over 1024 texels). Kept well under the height of an airplane standing on its wheels, so objects
// close to the ground still cast their shadow.
const float shadowBias = 0.08;
const float slopeBias = 0.25;
const float maxSlope = 8.0;

// 1 where the light reaches the point, 0 in shadow. Until a directional light has aimed the light
// camera the matrix is zero (w = 0) and the map may be texture 0: both count as lit, as do texels
// nothing was drawn into (cleared alpha 0) and points outside the map.
float lightVisibility(float cosine)
{
    if (shadowCoord.w <= 0.0)
        return 1.0;
    vec3 coord = shadowCoord.xyz / shadowCoord.w;
    if (any(lessThan(coord.xy, vec2(0.0))) || any(greaterThan(coord.xy, vec2(1.0))))
        return 1.0;
    vec4 stored = texture2D(shadowMap, coord.xy);
    if (stored.a < 0.5)
        return 1.0;
    float c = clamp(cosine, 1.0 / maxSlope, 1.0);
    float slope = sqrt(1.0 - c * c) / c;
    float bias = (shadowBias + slopeBias * slope) * shadowDepthPerUnit;
    return coord.z - bias > stored.r ? 0.0 : 1.0;
}

// The outline map texel at `at`; where nothing was drawn (alpha 0: every surface stores at least
// its near-plane depth) it is background: as far as the far plane, facing like `facing`.
vec4 outlineTexel(vec2 at, vec3 facing)
{
    vec4 texel = texture2D(outlineMap, at);
    return texel.a > 0.0 ? vec4(texel.rgb * 2.0 - 1.0, texel.a) : vec4(facing, 1.0);
}

// 1 on a silhouette or crease: the outline map's normal turns sharply between this pixel and a
// neighbour, or the depth along a row or column bends (a plane, however steep, changes depth
// evenly; a silhouette jumps on one side only). The bend is measured relative to the depth, so
// distant ground seen at a grazing angle stays clean while the airplane against the sky is
// outlined on every side. A map that does not exist yet reads constant and gives no lines.
float outlineStrength()
{
    vec2 texel = 1.0 / vec2(max(textureSize(outlineMap, 0), ivec2(1)));
    vec2 centre = gl_FragCoord.xy / max(windowSize, vec2(1.0));
    vec4 raw = texture2D(outlineMap, centre);
    bool background = raw.a == 0.0;
    vec4 here = background ? vec4(0.0, 0.0, 1.0, 1.0) : vec4(raw.rgb * 2.0 - 1.0, raw.a);
    vec4 left = outlineTexel(centre - vec2(texel.x, 0.0), here.rgb);
    vec4 right = outlineTexel(centre + vec2(texel.x, 0.0), here.rgb);
    vec4 below = outlineTexel(centre - vec2(0.0, texel.y), here.rgb);
    vec4 above = outlineTexel(centre + vec2(0.0, texel.y), here.rgb);

    float bendX = abs((right.a - here.a) - (here.a - left.a));
    float bendY = abs((above.a - here.a) - (here.a - below.a));
    float nearest = min(here.a, min(min(left.a, right.a), min(below.a, above.a)));
    if (max(bendX, bendY) > 0.012 + 0.15 * nearest)
        return 1.0;
    if (!background) {
        float turn = min(min(dot(here.rgb, left.rgb), dot(here.rgb, right.rgb)),
                         min(dot(here.rgb, below.rgb), dot(here.rgb, above.rgb)));
        if (turn < 0.6)
            return 1.0;
    }
    return 0.0;
}

// The cartoon colour of `surface` (the textured base colour) at this fragment.
vec4 cartoonColour(vec4 surface)
{
    vec3 normal = normalize(eyeNormal);
    vec3 toLight = lightPos.w == 0.0 ? lightPos.xyz : lightPos.xyz - eyePosition * lightPos.w;
    toLight = length(toLight) > 0.0 ? normalize(toLight) : vec3(0.0, 0.0, 1.0);
    vec3 toEye = length(eyePosition) > 0.0 ? normalize(-eyePosition) : vec3(0.0, 0.0, 1.0);

    float cosine = dot(normal, toLight);
    float diffuse = cosine > 0.0 ? cosine * lightVisibility(cosine) : 0.0;
    float step = texture1D(ramp, diffuse).r;

    float facing = max(dot(normal, normalize(toLight + toEye)), 0.0);
    float highlight = diffuse > 0.0 && pow(facing, max(shininess, 1.0)) > 0.5 ? 1.0 : 0.0;

    vec3 light = ka.rgb * globalAmbient + kd.rgb * lightColor * step;
    vec3 colour = surface.rgb * light + ks.rgb * lightColor * highlight;
    colour *= 1.0 - outlineStrength();
    return vec4(colour, kd.a * surface.a);
}
