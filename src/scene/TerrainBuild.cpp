// Terrain construction: reading the height map and building the quadtree-ordered mesh.
#include "scene/Terrain.h"

#include "platform/DataPath.h"
#include "render/ImageFile.h"
#include "render/TextureLoader.h"
#include "scene/Mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>

namespace
{

void reportUnreadable(const std::string& path)
{
    std::cerr << "couldn't open file " << path << " for terrain\n";
}

bool isPowerOfTwo(int value)
{
    return value > 0 && (value & (value - 1)) == 0;
}

// Appends the two triangles of every cell in [x0, x1) x [y0, y1), the four quadrants of a square
// in the order (low x, low z), (high x, low z), (low x, high z), (high x, high z), each quadrant
// contiguous. Splitting the two axes independently covers every cell exactly once also on grids
// whose side is not a power of two.
void emitCells(std::vector<uint32_t>& out, uint32_t n, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1)
{
    if (x1 <= x0 || y1 <= y0)
        return;
    if (x1 - x0 == 1 && y1 - y0 == 1) {
        const uint32_t b = n * y0 + x0;
        out.insert(out.end(), {b, b + 1, b + n, b + n, b + 1, b + n + 1});
        return;
    }
    const uint32_t mx = x1 - x0 > 1 ? x0 + (x1 - x0) / 2 : x1;
    const uint32_t my = y1 - y0 > 1 ? y0 + (y1 - y0) / 2 : y1;
    emitCells(out, n, x0, y0, mx, my);
    emitCells(out, n, mx, y0, x1, my);
    emitCells(out, n, x0, my, mx, y1);
    emitCells(out, n, mx, my, x1, y1);
}

} // namespace

bool readHeightMapSamples(const uint8_t* data, size_t size, ImageFileType type, const std::string& path,
                          std::vector<float>& heights, int& gridSize, int maxSide)
{
    GreyImage16 image;
    if (!decodeGreyImage16(data, size, type, maxSide, image)) {
        reportUnreadable(path);
        return false;
    }
    const int n = std::min(image.width, image.height);
    if (n < minHeightMapSide || n > maxHeightMapSide) {
        std::cerr << "height map " << path << " has " << image.width << " x " << image.height
                  << " samples; a terrain needs at least " << minHeightMapSide << " x " << minHeightMapSide
                  << " and at most " << maxHeightMapSide << " x " << maxHeightMapSide << "\n";
        return false;
    }
    heights.resize(size_t(n) * size_t(n));
    for (int j = 0; j < n; ++j) {
        const uint16_t* source = image.samples.data() + size_t(j) * size_t(image.width);
        for (int i = 0; i < n; ++i)
            heights[size_t(j) * size_t(n) + size_t(i)] = float(source[i]) / 65535.0f;
    }
    gridSize = n;
    return true;
}

bool Terrain::build(const std::string& path)
{
    const float sizes[3] = {sizeX, sizeY, sizeZ};
    const char* names[3] = {"sizeX", "sizeY", "sizeZ"};
    for (int k = 0; k < 3; ++k) {
        if (!(std::isfinite(sizes[k]) && sizes[k] > 0)) {
            std::cerr << "terrain " << path << ": " << names[k] << " must be a positive number, not "
                      << sizes[k] << "\n";
            return false;
        }
    }
    if (!readHeightMap(path))
        return false;
    buildMesh();
    return true;
}

bool Terrain::readHeightMap(const std::string& path)
{
    const std::string nativePath = platform::nativePath(path);
    std::vector<uint8_t> bytes;
    const ImageFileType type = imageFileType(nativePath);
    if (type == ImageFileType::unknown || !readImageFile(nativePath, bytes)) {
        reportUnreadable(path);
        return false;
    }
    return readHeightMapSamples(bytes.data(), bytes.size(), type, path, heights, gridSize);
}

void Terrain::buildMesh()
{
    const int n = gridSize;
    const size_t count = size_t(n) * size_t(n);
    const float cellX = sizeX / float(n - 1);
    const float cellZ = sizeZ / float(n - 1);
    const float halfX = sizeX * 0.5f;
    const float halfZ = sizeZ * 0.5f;

    std::vector<std::array<float, 3>> positions(count);
    std::vector<std::array<float, 2>> texCoords(count);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const size_t v = size_t(j) * size_t(n) + size_t(i);
            float x = float(i) * cellX - halfX;
            float z = float(j) * cellZ - halfZ;
            float y = heights[v] * sizeY;
            if (i <= 1 || i >= n - 2 || j <= 1 || j >= n - 2) {
                y = 0;
                if (i == 0)
                    x -= sizeX;
                if (i == n - 1)
                    x += sizeX;
                if (j == 0)
                    z -= sizeZ;
                if (j == n - 1)
                    z += sizeZ;
            }
            positions[v] = {x, y, z};
            texCoords[v] = {float(i) / float(n), float(j) / float(n)};
        }
    }

    // normal = (left - right) x (next row - previous row); at the border the vertex itself stands in
    // for the missing neighbour.
    std::vector<std::array<float, 3>> normals(count);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const auto& left = positions[size_t(j) * size_t(n) + size_t(std::max(i - 1, 0))];
            const auto& right = positions[size_t(j) * size_t(n) + size_t(std::min(i + 1, n - 1))];
            const auto& previous = positions[size_t(std::max(j - 1, 0)) * size_t(n) + size_t(i)];
            const auto& next = positions[size_t(std::min(j + 1, n - 1)) * size_t(n) + size_t(i)];
            const float a[3] = {left[0] - right[0], left[1] - right[1], left[2] - right[2]};
            const float b[3] = {next[0] - previous[0], next[1] - previous[1], next[2] - previous[2]};
            float normal[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                               a[0] * b[1] - a[1] * b[0]};
            const float length =
                std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
            if (length > 0)
                normals[size_t(j) * size_t(n) + size_t(i)] = {normal[0] / length, normal[1] / length,
                                                              normal[2] / length};
            else
                normals[size_t(j) * size_t(n) + size_t(i)] = {0, 1, 0};
        }
    }

    indices.clear();
    indices.reserve(size_t(n - 1) * size_t(n - 1) * 6);
    emitCells(indices, uint32_t(n), 0, 0, uint32_t(n - 1), uint32_t(n - 1));
    indexCount = uint32_t(indices.size());
    quadtreeGrid = isPowerOfTwo(n - 1);

    mesh = std::make_unique<Mesh>(std::move(positions), std::move(normals), std::move(texCoords), indices);

    loaded = true;
    const float minCorner[3] = {-halfX, -50.0f, -halfZ};
    const float maxCorner[3] = {halfX, sizeY, halfZ};
    patchBox = AxisAlignedBB(minCorner, maxCorner);
    // The apron reaches a whole terrain size beyond each edge.
    const float apronMin[3] = {-halfX - sizeX, -50.0f, -halfZ - sizeZ};
    const float apronMax[3] = {halfX + sizeX, sizeY, halfZ + sizeZ};
    localBox = AxisAlignedBB(apronMin, apronMax);
}
