// The terrain of a level as the game sees it: a square grid of 16-bit samples scaled to world
// heights. Heights here are read exactly as the game's terrain mesh and its height query read them,
// so that objects placed with these answers stand on the drawn ground.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace content
{

class HeightField
{
  public:
    HeightField(int samplesPerSide, double sizeX, double sizeY, double sizeZ);

    int size() const { return n; }
    double sizeX() const { return extentX; }
    double sizeY() const { return extentY; }
    double sizeZ() const { return extentZ; }

    // World position of grid column i and row j (row 0 is the picture's top row, at -sizeZ/2).
    double columnX(int i) const { return i * extentX / (n - 1) - extentX * 0.5; }
    double rowZ(int j) const { return j * extentZ / (n - 1) - extentZ * 0.5; }

    uint16_t sample(int i, int j) const { return samples[std::size_t(j) * std::size_t(n) + std::size_t(i)]; }
    void setSample(int i, int j, uint16_t value)
    {
        samples[std::size_t(j) * std::size_t(n) + std::size_t(i)] = value;
    }
    // A world height rounded to the nearest sample value.
    uint16_t quantise(double height) const;
    double heightOfSample(uint16_t value) const { return value / 65535.0 * extentY; }

    // Height of the drawn surface at (x, z): the grid's triangles, with the two outer rings at 0.
    double surfaceHeight(double x, double z) const;
    // The answer of the game's height query: the raw sample of the cell, 0 near the border.
    double queryHeight(double x, double z) const;
    // Slope of the drawn surface (rise over run) at (x, z).
    double slope(double x, double z) const;

    const std::vector<uint16_t>& allSamples() const { return samples; }

  private:
    double vertexHeight(int i, int j) const;

    int n;
    double extentX, extentY, extentZ;
    std::vector<uint16_t> samples;
};

} // namespace content
