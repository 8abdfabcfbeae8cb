// Pictures of a level: the terrain's colour, detail and weights textures and the sky box image.
#include "Level.h"
#include "Random.h"

#include <algorithm>
#include <cmath>

namespace content
{

namespace
{

constexpr double pi = 3.14159265358979323846;

// The runway painted on the ground (world units), inside the level's flat start area.
constexpr double stripHalfWidth = 11, stripStart = -45, stripEnd = 330;

// World position shown by texel (px, py): the game maps grid vertex i to s = i / n.
void texelWorld(const HeightField& t, int size, int px, int py, double& x, double& z)
{
    double gi = (px + 0.5) / size * t.size(), gj = (py + 0.5) / size * t.size();
    x = gi * t.sizeX() / (t.size() - 1) - t.sizeX() * 0.5;
    z = gj * t.sizeZ() / (t.size() - 1) - t.sizeZ() * 0.5;
}

Colour jitter(const Colour& c, double amount)
{
    return rgb(c.r * (1 + amount), c.g * (1 + amount), c.b * (1 + amount));
}

// Asphalt with a dashed centre line, threshold bars and edge lines; null when (x, z) is off it.
bool runwayColour(double x, double z, Colour& out)
{
    if (std::fabs(x) > stripHalfWidth || z < stripStart || z > stripEnd)
        return false;
    double grit = 0.06 * valueNoise2(x * 0.9, z * 0.9, 77);
    out = jitter(rgb(0.3, 0.31, 0.32), grit);
    bool centre = std::fabs(x) < 0.8 && std::fmod(z - stripStart + 1000, 24.0) < 12.0 &&
                  z > stripStart + 25 && z < stripEnd - 25;
    bool edge = std::fabs(x) > stripHalfWidth - 1.4;
    bool threshold = (z < stripStart + 12 || z > stripEnd - 12) && std::fmod(std::fabs(x) + 100, 3.2) < 1.6 &&
                     std::fabs(x) < stripHalfWidth - 2;
    if (centre || edge || threshold)
        out = rgb(0.92, 0.92, 0.88);
    return true;
}

Colour meadowGround(const Level& level, double x, double z, double h, double slope)
{
    double n1 = fractal2(x / 90, z / 90, 4, 0.55, 501), n2 = fractal2(x / 18, z / 18, 3, 0.5, 502);
    Colour grass = lerp(rgb(0.36, 0.56, 0.2), rgb(0.5, 0.64, 0.24), 0.5 + 0.5 * n1);
    grass = lerp(grass, rgb(0.3, 0.48, 0.18), smoothstep(0.2, 0.6, n2) * 0.5);
    // Mown strips along the flight line.
    if (std::fabs(x) < 60)
        grass = lerp(grass, rgb(0.45, 0.66, 0.25), 0.35 * (std::fmod(std::fabs(x) + 200, 16.0) < 8 ? 1 : 0));
    Colour dirt = rgb(0.5, 0.42, 0.3), rock = rgb(0.52, 0.5, 0.47);
    Colour c = lerp(grass, dirt, smoothstep(0.45, 0.8, slope + 0.15 * n2));
    c = lerp(c, rock, smoothstep(0.8, 1.2, slope));
    // Pond banks and beds; the terrain's own low edges keep their grass.
    for (const PondArea& p : level.ponds)
        if (std::hypot(x - p.x, z - p.z) < p.radius * 1.3 && h < level.waterLevel + 0.4)
            c = lerp(rgb(0.45, 0.42, 0.3), rgb(0.25, 0.3, 0.25), smoothstep(level.waterLevel, 0.4, h));
    return c;
}

Colour alpineGround(const Level& level, double x, double z, double h, double slope)
{
    double n1 = fractal2(x / 70, z / 70, 4, 0.55, 511), n2 = fractal2(x / 15, z / 15, 3, 0.5, 512);
    Colour meadow = lerp(rgb(0.33, 0.52, 0.22), rgb(0.45, 0.58, 0.27), 0.5 + 0.5 * n1);
    Colour forest = rgb(0.2, 0.36, 0.18);
    Colour rock = lerp(rgb(0.48, 0.47, 0.46), rgb(0.6, 0.58, 0.56), 0.5 + 0.5 * n2);
    Colour snow = rgb(0.95, 0.96, 0.98);
    Colour c = lerp(meadow, forest, smoothstep(22, 40, h + 8 * n1) * (1 - smoothstep(70, 95, h + 10 * n1)));
    c = lerp(c, rock, smoothstep(0.65, 1.0, slope + 0.2 * n2));
    c = lerp(c, rock, smoothstep(85, 100, h + 12 * n1));
    double snowLine = 100 + 12 * n1;
    c = lerp(c, snow, smoothstep(snowLine, snowLine + 8, h) * (1 - smoothstep(1.1, 1.6, slope)));
    for (const PondArea& p : level.ponds)
        if (std::hypot(x - p.x, z - p.z) < p.radius * 1.3 && h < level.waterLevel + 0.5)
            c = lerp(rgb(0.42, 0.4, 0.34), c, smoothstep(level.waterLevel - 4, level.waterLevel + 0.5, h));
    return c;
}

Colour canyonGround(const Level&, double x, double z, double h, double slope)
{
    double n1 = fractal2(x / 80, z / 80, 4, 0.55, 521), n2 = fractal2(x / 12, z / 12, 3, 0.5, 522);
    Colour sand = lerp(rgb(0.82, 0.68, 0.46), rgb(0.88, 0.74, 0.52), 0.5 + 0.5 * n1);
    // Rock strata: bands by height, wobbling a little sideways.
    double band = std::fmod(h + 2.0 * n1 + 100, 9.0) / 9.0;
    Colour strata = lerp(rgb(0.7, 0.38, 0.22), rgb(0.82, 0.55, 0.34), smoothstep(0.2, 0.5, band));
    strata = lerp(strata, rgb(0.6, 0.3, 0.2), smoothstep(0.75, 0.95, band));
    Colour plateau = lerp(rgb(0.76, 0.56, 0.36), rgb(0.66, 0.5, 0.32), 0.5 + 0.5 * n2);
    // Scrub spots on the flat ground.
    if (n2 > 0.45)
        plateau = lerp(plateau, rgb(0.45, 0.45, 0.28), 0.6);
    Colour c = h < 30 ? sand : plateau;
    c = lerp(c, strata, smoothstep(0.25, 0.6, slope));
    if (h < 30 && n2 > 0.5)
        c = lerp(c, rgb(0.7, 0.6, 0.42), 0.5);
    return c;
}

Colour islandGround(const Level& level, double x, double z, double h, double slope)
{
    double n1 = fractal2(x / 60, z / 60, 4, 0.55, 531), n2 = fractal2(x / 14, z / 14, 3, 0.5, 532);
    const double sea = level.waterLevel;
    if (h < sea) {
        // Shallow water over sand, darker where it deepens.
        return lerp(rgb(0.12, 0.32, 0.42), rgb(0.55, 0.7, 0.62), smoothstep(0.0, sea, h));
    }
    Colour sand = lerp(rgb(0.9, 0.84, 0.66), rgb(0.84, 0.77, 0.58), 0.5 + 0.5 * n2);
    Colour grass = lerp(rgb(0.38, 0.6, 0.24), rgb(0.52, 0.66, 0.3), 0.5 + 0.5 * n1);
    Colour rock = rgb(0.55, 0.52, 0.48);
    Colour c = lerp(sand, grass, smoothstep(sea + 2.0, sea + 4.5, h + 1.5 * n2));
    c = lerp(c, rgb(0.26, 0.45, 0.2), smoothstep(30, 55, h + 10 * n1) * 0.7);
    c = lerp(c, rock, smoothstep(0.6, 1.0, slope + 0.2 * n2));
    return c;
}

} // namespace

Canvas terrainColour(const Level& level, int size)
{
    const HeightField& t = level.terrain;
    Canvas picture(size, size);
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            double x, z;
            texelWorld(t, size, px, py, x, z);
            double h = t.surfaceHeight(x, z), slope = t.slope(x, z);
            Colour c;
            if (!runwayColour(x, z, c)) {
                switch (level.landscape) {
                case Landscape::Meadow:
                    c = meadowGround(level, x, z, h, slope);
                    break;
                case Landscape::Alpine:
                    c = alpineGround(level, x, z, h, slope);
                    break;
                case Landscape::Canyon:
                    c = canyonGround(level, x, z, h, slope);
                    break;
                case Landscape::Island:
                    c = islandGround(level, x, z, h, slope);
                    break;
                }
                // Fine speckle so that large areas do not look flat.
                c = jitter(c, 0.05 * valueNoise2(x * 0.7, z * 0.7, 540));
            }
            picture.set(px, py, c);
        }
    return picture;
}

namespace
{

// Value noise that repeats every `period` lattice cells, for textures that tile.
double tiledNoise(double x, double y, int period, uint32_t seed)
{
    double fx = std::floor(x), fy = std::floor(y);
    int ix = int(fx), iy = int(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto at = [&](int i, int j) {
        i = ((i % period) + period) % period;
        j = ((j % period) + period) % period;
        return double(hashLattice(i, j, 0, seed)) * (2.0 / 4294967295.0) - 1.0;
    };
    return mix(mix(at(ix, iy), at(ix + 1, iy), tx), mix(at(ix, iy + 1), at(ix + 1, iy + 1), tx), ty);
}

} // namespace

Canvas detailTexture(int size, uint32_t seed)
{
    Canvas picture(size, size);
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            double sum = 0, amplitude = 1, total = 0;
            for (int octave = 0, period = 8; octave < 5; ++octave, period *= 2) {
                sum += amplitude * tiledNoise((px + 0.5) / size * period, (py + 0.5) / size * period, period,
                                              seed + uint32_t(octave));
                total += amplitude;
                amplitude *= 0.6;
            }
            double v = 0.86 + 0.14 * sum / total; // darkens the colour texture only a little
            picture.set(px, py, rgb(v, v, v));
        }
    return picture;
}

Canvas detailWeights(const Level& level, int size)
{
    const HeightField& t = level.terrain;
    Canvas picture(size, size);
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            double x, z;
            texelWorld(t, size, px, py, x, z);
            // Full detail on natural ground, a little on the runway, none under water or on snow.
            double w = 1.0;
            Colour ignored;
            if (runwayColour(x, z, ignored))
                w = 0.25;
            double h = t.surfaceHeight(x, z);
            if (level.landscape == Landscape::Island && h < level.waterLevel)
                w = 0.0;
            if (level.landscape == Landscape::Alpine)
                w *= 1.0 - 0.8 * smoothstep(102, 112, h);
            picture.set(px, py, rgb(w, w, w));
        }
    return picture;
}

namespace
{

struct SkyLook {
    Colour zenith, horizon, ground, sun, cloud, distant;
    double cloudCover;  // 0 clear .. 1 overcast
    double ridgeHeight; // elevation (radians) of distant hills drawn into the horizon, 0 for none
    uint32_t seed;
};

SkyLook lookOf(const Level& level)
{
    switch (level.landscape) {
    case Landscape::Meadow:
        return {rgb(0.25, 0.47, 0.85),
                rgb(0.75, 0.85, 0.95),
                rgb(0.5, 0.6, 0.45),
                rgb(1.0, 0.97, 0.85),
                rgb(1, 1, 1),
                rgb(0.5, 0.62, 0.6),
                0.45,
                0.03,
                601};
    case Landscape::Alpine:
        return {rgb(0.18, 0.38, 0.78),
                rgb(0.7, 0.8, 0.92),
                rgb(0.45, 0.5, 0.5),
                rgb(1.0, 0.98, 0.9),
                rgb(0.98, 0.98, 1.0),
                rgb(0.6, 0.66, 0.76),
                0.35,
                0.09,
                602};
    case Landscape::Canyon:
        return {rgb(0.3, 0.5, 0.82),
                rgb(0.9, 0.82, 0.7),
                rgb(0.7, 0.55, 0.4),
                rgb(1.0, 0.92, 0.75),
                rgb(1.0, 0.96, 0.9),
                rgb(0.78, 0.6, 0.5),
                0.15,
                0.05,
                603};
    case Landscape::Island:
        return {rgb(0.15, 0.45, 0.85),
                rgb(0.72, 0.86, 0.95),
                rgb(0.2, 0.4, 0.5),
                rgb(1.0, 0.95, 0.8),
                rgb(1, 1, 1),
                rgb(0.5, 0.65, 0.72),
                0.3,
                0.0,
                604};
    }
    return {};
}

Colour skyColour(const SkyLook& look, const Vec3& sunDirection, Vec3 d)
{
    d = normalised(d);
    double elevation = std::asin(std::clamp(d.y, -1.0, 1.0));
    Colour c;
    if (elevation >= 0)
        c = lerp(look.horizon, look.zenith, std::pow(elevation / (pi / 2), 0.6));
    else {
        // Just below the horizon: hazy land beyond the far plane. Further down the sky is only seen
        // where the ground lies nearer than the near plane, that is under a plane on the runway.
        c = lerp(look.horizon, look.ground, smoothstep(0.0, 0.12, -elevation));
        c = lerp(c, rgb(0.3, 0.31, 0.32), smoothstep(0.14, 0.2, -elevation));
    }
    // Clouds on a flat layer overhead, thinning out towards the horizon.
    if (d.y > 0.01 && look.cloudCover > 0) {
        double scale = 1.0 / (d.y + 0.12);
        double n = fractal2(d.x * scale * 1.6 + 10, d.z * scale * 1.6 - 4, 6, 0.55, look.seed);
        double density = smoothstep(1.0 - 2.0 * look.cloudCover, 1.4 - 2.0 * look.cloudCover, n + 0.4);
        density *= smoothstep(0.01, 0.25, d.y);
        double lit = 0.85 + 0.15 * std::max(0.0, dot(d, sunDirection));
        Colour cloud = rgb(look.cloud.r * lit, look.cloud.g * lit, look.cloud.b * lit);
        c = lerp(c, cloud, density * 0.9);
    }
    // Distant hills all round the horizon, hazy.
    if (look.ridgeHeight > 0) {
        double azimuth = std::atan2(d.x, d.z);
        double ridge =
            look.ridgeHeight *
            (0.2 + 0.8 * ridged2(std::cos(azimuth) * 2.5 + 5, std::sin(azimuth) * 2.5 + 5, 5, look.seed + 7));
        if (elevation < ridge && elevation > -0.2)
            c = lerp(look.distant, look.horizon, 0.3 * smoothstep(ridge - 0.03, ridge, elevation));
    }
    // The sun: a bright disc with a soft glow, where the level's light comes from.
    double s = std::max(0.0, dot(d, sunDirection));
    double glow = 0.35 * std::pow(s, 12.0) + (s > 0.9994 ? 1.0 : 0.0);
    c = lerp(c, look.sun, std::min(1.0, glow));
    return c;
}

// Direction of the cube point that the sky box shows at texture coordinate (s, t).
bool cubeDirection(double s, double t, Vec3& d)
{
    const double h = 1.0;
    if (t >= 0.5) {
        // The four sides, each from its top-left corner (t = 0.5) to its bottom-right one.
        static const Vec3 corners[4][4] = {{{-h, h, h}, {h, h, h}, {h, -h, h}, {-h, -h, h}},
                                           {{h, h, h}, {h, h, -h}, {h, -h, -h}, {h, -h, h}},
                                           {{h, h, -h}, {-h, h, -h}, {-h, -h, -h}, {h, -h, -h}},
                                           {{-h, h, -h}, {-h, h, h}, {-h, -h, h}, {-h, -h, -h}}};
        int face = std::min(3, int(s * 4));
        double a = s * 4 - face, b = (t - 0.5) * 2;
        const Vec3* c = corners[face];
        Vec3 top = c[0] + (c[1] - c[0]) * a, bottom = c[3] + (c[2] - c[3]) * a;
        d = top + (bottom - top) * b;
        return true;
    }
    double b = t * 2;
    if (s >= 0.25 && s < 0.5) {
        double a = (s - 0.25) * 4;
        d = {-h + 2 * h * b, h, h - 2 * h * a}; // top
        return true;
    }
    if (s < 0.25) {
        double a = s * 4;
        d = {h - 2 * h * b, -h, h - 2 * h * a}; // bottom
        return true;
    }
    // The unused cells carry on the sides above their top edge, so filtering across the edge
    // between a side and the cell above it still finds sky there.
    int face = s < 0.75 ? 2 : 3;
    double a = s * 4 - face;
    static const Vec3 tops[2][2] = {{{h, h, -h}, {-h, h, -h}}, {{-h, h, -h}, {-h, h, h}}};
    Vec3 edge = tops[face - 2][0] + (tops[face - 2][1] - tops[face - 2][0]) * a;
    d = edge + Vec3{0, (0.5 - t) * 4 * h, 0};
    return true;
}

} // namespace

Canvas skyImage(const Level& level, int cellSize)
{
    SkyLook look = lookOf(level);
    Vec3 sun = normalised(level.light.towardsLight);
    const int w = cellSize * 4, h = cellSize * 2;
    Canvas picture(w, h);
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) {
            Vec3 d;
            cubeDirection((px + 0.5) / w, (py + 0.5) / h, d);
            picture.set(px, py, skyColour(look, sun, d));
        }
    return picture;
}

} // namespace content
