#include "HeightField.h"

#include <algorithm>
#include <cmath>

namespace content
{

HeightField::HeightField(int samplesPerSide, double sizeX, double sizeY, double sizeZ)
    : n(samplesPerSide), extentX(sizeX), extentY(sizeY), extentZ(sizeZ), samples(size_t(n) * size_t(n), 0)
{
}

uint16_t HeightField::quantise(double height) const
{
    double v = std::round(height / extentY * 65535.0);
    return uint16_t(std::clamp(v, 0.0, 65535.0));
}

double HeightField::vertexHeight(int i, int j) const
{
    i = std::clamp(i, 0, n - 1);
    j = std::clamp(j, 0, n - 1);
    if (i <= 1 || j <= 1 || i >= n - 2 || j >= n - 2)
        return 0.0; // the game flattens the two outer rings
    return heightOfSample(sample(i, j));
}

double HeightField::surfaceHeight(double x, double z) const
{
    double gx = (x + extentX * 0.5) / extentX * (n - 1), gz = (z + extentZ * 0.5) / extentZ * (n - 1);
    gx = std::clamp(gx, 0.0, double(n - 1) - 1e-9);
    gz = std::clamp(gz, 0.0, double(n - 1) - 1e-9);
    int i = int(gx), j = int(gz);
    double fx = gx - i, fz = gz - j;
    // Each cell is cut from (i + 1, j) to (i, j + 1), as the game's index list cuts it.
    double h00 = vertexHeight(i, j), h10 = vertexHeight(i + 1, j), h01 = vertexHeight(i, j + 1),
           h11 = vertexHeight(i + 1, j + 1);
    if (fx + fz <= 1.0)
        return h00 + (h10 - h00) * fx + (h01 - h00) * fz;
    return h11 + (h01 - h11) * (1.0 - fx) + (h10 - h11) * (1.0 - fz);
}

double HeightField::queryHeight(double x, double z) const
{
    // The game divides by n here, not n - 1, and reads the sample without interpolation.
    int column = int((x + extentX * 0.5) / (extentX / n));
    int row = int((z + extentZ * 0.5) / (extentZ / n));
    if (column < 1 || column >= n - 1 || row < 2 || row >= n - 1)
        return 0.0;
    return float(float(sample(column, row)) / 65535.0f) * float(extentY);
}

double HeightField::slope(double x, double z) const
{
    double d = extentX / (n - 1);
    double dx = (surfaceHeight(x + d, z) - surfaceHeight(x - d, z)) / (2 * d);
    double dz = (surfaceHeight(x, z + d) - surfaceHeight(x, z - d)) / (2 * d);
    return std::sqrt(dx * dx + dz * dz);
}

} // namespace content
