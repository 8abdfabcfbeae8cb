// Small deterministic random numbers and noise. Every generated file depends only on the seeds
// written in this tool, never on the standard library's generators (whose sequences may differ
// between library versions) nor on the clock.
#pragma once

#include <cstdint>

namespace content
{

// SplitMix64: tiny, fast, and good enough for placing trees and jittering colours.
class Random
{
  public:
    explicit Random(uint64_t seed) : state(seed) {}

    uint64_t next();
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); } // [0, 1)
    double range(double low, double high) { return low + (high - low) * uniform(); }
    int below(int count) { return int(next() % uint64_t(count)); } // 0 .. count-1, count > 0

  private:
    uint64_t state;
};

// A 32-bit hash of lattice coordinates and a seed; the basis of all noise below.
uint32_t hashLattice(int32_t x, int32_t y, int32_t z, uint32_t seed);

// Smooth value noise in [-1, 1], continuous with continuous first derivative.
double valueNoise2(double x, double y, uint32_t seed);
double valueNoise3(double x, double y, double z, uint32_t seed);

// Fractal sums of value noise: `octaves` layers, each twice the frequency and `gain` times the
// amplitude of the one before; the result is normalised back into about [-1, 1].
double fractal2(double x, double y, int octaves, double gain, uint32_t seed);
double fractal3(double x, double y, double z, int octaves, double gain, uint32_t seed);

// Ridged fractal in [0, 1]: sharp crests where the noise crosses zero (mountain ridges, cracks).
double ridged2(double x, double y, int octaves, uint32_t seed);

// Clamp, linear blend and smooth step shared by the generators.
double clamp01(double v);
double mix(double a, double b, double t);
double smoothstep(double edge0, double edge1, double v);

} // namespace content
