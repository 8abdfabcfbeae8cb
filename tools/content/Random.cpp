#include "Random.h"

#include <cmath>

namespace content
{

uint64_t Random::next()
{
    state += 0x9E3779B97F4A7C15ull;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint32_t hashLattice(int32_t x, int32_t y, int32_t z, uint32_t seed)
{
    uint32_t h = seed * 0x27D4EB2Du;
    h ^= uint32_t(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= uint32_t(y) * 0xC2B2AE35u;
    h = (h << 11) | (h >> 21);
    h ^= uint32_t(z) * 0x165667B1u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

namespace
{

double latticeValue(int32_t x, int32_t y, int32_t z, uint32_t seed)
{
    return double(hashLattice(x, y, z, seed)) * (2.0 / 4294967295.0) - 1.0;
}

double fade(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

} // namespace

double valueNoise2(double x, double y, uint32_t seed)
{
    double fx = std::floor(x), fy = std::floor(y);
    int32_t ix = int32_t(fx), iy = int32_t(fy);
    double tx = fade(x - fx), ty = fade(y - fy);
    double a = latticeValue(ix, iy, 0, seed), b = latticeValue(ix + 1, iy, 0, seed);
    double c = latticeValue(ix, iy + 1, 0, seed), d = latticeValue(ix + 1, iy + 1, 0, seed);
    return mix(mix(a, b, tx), mix(c, d, tx), ty);
}

double valueNoise3(double x, double y, double z, uint32_t seed)
{
    double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int32_t ix = int32_t(fx), iy = int32_t(fy), iz = int32_t(fz);
    double tx = fade(x - fx), ty = fade(y - fy), tz = fade(z - fz);
    double layer[2];
    for (int k = 0; k < 2; ++k) {
        double a = latticeValue(ix, iy, iz + k, seed), b = latticeValue(ix + 1, iy, iz + k, seed);
        double c = latticeValue(ix, iy + 1, iz + k, seed), d = latticeValue(ix + 1, iy + 1, iz + k, seed);
        layer[k] = mix(mix(a, b, tx), mix(c, d, tx), ty);
    }
    return mix(layer[0], layer[1], tz);
}

double fractal2(double x, double y, int octaves, double gain, uint32_t seed)
{
    double sum = 0.0, amplitude = 1.0, total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise2(x, y, seed + uint32_t(i) * 101u);
        total += amplitude;
        amplitude *= gain;
        // An irrational-ish factor and an offset keep the octaves' lattices from lining up.
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 9.7;
    }
    return sum / total;
}

double fractal3(double x, double y, double z, int octaves, double gain, uint32_t seed)
{
    double sum = 0.0, amplitude = 1.0, total = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise3(x, y, z, seed + uint32_t(i) * 101u);
        total += amplitude;
        amplitude *= gain;
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 9.7;
        z = z * 2.03 + 3.3;
    }
    return sum / total;
}

double ridged2(double x, double y, int octaves, uint32_t seed)
{
    double sum = 0.0, amplitude = 1.0, total = 0.0, weight = 1.0;
    for (int i = 0; i < octaves; ++i) {
        double n = 1.0 - std::fabs(valueNoise2(x, y, seed + uint32_t(i) * 131u));
        n = n * n * weight;
        weight = clamp01(n * 1.5);
        sum += amplitude * n;
        total += amplitude;
        amplitude *= 0.5;
        x = x * 2.03 + 5.3;
        y = y * 2.03 + 11.9;
    }
    return sum / total;
}

double clamp01(double v)
{
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

double mix(double a, double b, double t)
{
    return a + (b - a) * t;
}

double smoothstep(double edge0, double edge1, double v)
{
    double t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

} // namespace content
