#include "scene/Terrain.h"

#include "support/TerrainFixture.h"

#include "scene/BoundingSphere.h"
#include "scene/Mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace
{

// The two triangles of the cell at column i, row j, as the grid emits them.
std::vector<uint32_t> cell(uint32_t n, uint32_t i, uint32_t j)
{
    const uint32_t b = j * n + i;
    return {b, b + 1, b + n, b + n, b + 1, b + n + 1};
}

std::vector<uint32_t> slice(const std::vector<uint32_t>& list, size_t offset)
{
    return std::vector<uint32_t>(list.begin() + long(offset), list.begin() + long(offset + 6));
}

// Every cell with a corner inside the frustum must be among the selected patches.
void expectVisibleCellsDrawn(const Terrain& terrain, const FrustumPlanes& planes)
{
    const int n = terrain.gridSize;
    std::set<uint32_t> drawn;
    for (size_t k = 0; k < terrain.drawList.size(); k += 6)
        drawn.insert(terrain.drawList[k]);
    size_t visible = 0, missing = 0;
    for (uint32_t j = 0; j + 1 < uint32_t(n); ++j)
        for (uint32_t i = 0; i + 1 < uint32_t(n); ++i) {
            bool inside = false;
            for (uint32_t corner : cell(uint32_t(n), i, j)) {
                const Vertex& v = terrain.mesh->vertices[corner];
                bool passes = true;
                for (int p = 0; p < 6; ++p)
                    passes = passes &&
                             planes[p][0] * v.x + planes[p][1] * v.y + planes[p][2] * v.z + planes[p][3] >= 0;
                inside = inside || passes;
            }
            visible += inside;
            missing += inside && !drawn.count(j * uint32_t(n) + i);
        }
    EXPECT_GT(visible, 0u) << "the camera must see some ground";
    EXPECT_EQ(missing, 0u) << "visible cells left out of " << visible;
}

} // namespace

TEST_F(TerrainFixture, BuildsTheGridInQuadtreeOrderWithFlatRingsAndApron)
{
    const int n = 257;
    const auto hill = [](int i, int j) { return 30000 + 20 * (i - j) + i % 7; }; // low bits matter
    Terrain terrain(scratch.path(), writeHeightMap("hill.png", n, n, hill), 1000, 200, 800);
    ASSERT_TRUE(terrain.loaded);
    EXPECT_EQ(terrain.mesh->vertices.size(), 66049u);
    EXPECT_EQ(terrain.indices.size(), 393216u);
    EXPECT_EQ(terrain.indexCount, 393216u);

    // Each quadrant is contiguous: (low x, low z), (high x, low z), (low x, high z), (high x, high z).
    const size_t quadrant = 128 * 128 * 6;
    EXPECT_EQ(slice(terrain.indices, 0), cell(n, 0, 0));
    EXPECT_EQ(slice(terrain.indices, 12), cell(n, 0, 1));
    EXPECT_EQ(slice(terrain.indices, quadrant), cell(n, 128, 0));
    EXPECT_EQ(slice(terrain.indices, 2 * quadrant), cell(n, 0, 128));
    EXPECT_EQ(slice(terrain.indices, 3 * quadrant), cell(n, 128, 128));
    EXPECT_EQ(std::set<uint32_t>(terrain.indices.begin(), terrain.indices.end()).size(), 66049u);

    const auto vertex = [&](int i, int j) { return terrain.mesh->vertices[size_t(j) * n + size_t(i)]; };
    // The outermost ring lies a whole terrain size out, at height 0; the next ring is flat too.
    EXPECT_FLOAT_EQ(vertex(0, 100).x, -1500);
    EXPECT_FLOAT_EQ(vertex(n - 1, 100).x, 1500);
    EXPECT_FLOAT_EQ(vertex(100, n - 1).z, 1200);
    for (int k : {0, 1, n - 2, n - 1}) {
        EXPECT_EQ(vertex(k, 128).y, 0) << "column " << k;
        EXPECT_EQ(vertex(128, k).y, 0) << "row " << k;
    }
    EXPECT_FLOAT_EQ(vertex(0, 0).ny, 1);
    // Inside, the 16-bit samples come through at full precision, and normals lean downhill.
    EXPECT_FLOAT_EQ(vertex(128, 100).y, hill(128, 100) / 65535.0f * 200);
    EXPECT_LT(vertex(128, 100).nx, 0);
    EXPECT_FLOAT_EQ(vertex(3, 7).t, 7.0f / n);
    EXPECT_FLOAT_EQ(terrain.localBox.min[1], -50);
    EXPECT_FLOAT_EQ(terrain.localBox.max[0], 500);
}

TEST_F(TerrainFixture, HeightsAreRawSamplesInsideTheRingsAndSpheresBelowCollide)
{
    const int n = 65; // lookup cells are sizeX / n = 10 units wide
    Terrain terrain(scratch.path(),
                    writeHeightMap("steps.png", n, n, [](int i, int j) { return 1000 * j + i + 1; }), 650,
                    65535, 650);
    ASSERT_TRUE(terrain.loaded);
    const auto sample = [](int column, int row) { return float(1000 * row + column + 1); };
    const float edge = -325;
    EXPECT_FLOAT_EQ(terrain.getHeight(0, 0), sample(32, 32));
    EXPECT_FLOAT_EQ(terrain.getHeight(edge + 59.9f, edge + 70.1f), sample(5, 7));
    // Column 1 answers although the mesh there is flat; column 0, rows 0 and 1 and the last
    // column and row answer 0.
    EXPECT_FLOAT_EQ(terrain.getHeight(edge + 15, 0), sample(1, 32));
    EXPECT_FLOAT_EQ(terrain.getHeight(0, edge + 25), sample(32, 2));
    for (const auto& at : {std::pair{edge + 5, 0.0f},
                           {0.0f, edge + 5},
                           {0.0f, edge + 15},
                           {edge + 645, 0.0f},
                           {0.0f, edge + 645}})
        EXPECT_EQ(terrain.getHeight(at.first, at.second), 0) << at.first << ", " << at.second;
    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -1e30f}) {
        EXPECT_EQ(terrain.getHeight(bad, 0), 0);
        EXPECT_EQ(terrain.getHeight(0, bad), 0);
    }

    const float ground = terrain.getHeight(0, 0);
    const float atGround[3] = {0, ground, 0}, below[3] = {0, std::nextafter(ground, 0.0f), 0};
    const BoundingSphere large(atGround, 100), point(below, 0);
    EXPECT_FALSE(terrain.collides(&large, false)) << "the radius plays no part";
    EXPECT_TRUE(terrain.collides(&point, true));
    const AxisAlignedBB box(below, below);
    EXPECT_FALSE(terrain.collides(&box, false));
    terrain.noBounds = true;
    EXPECT_FALSE(terrain.collides(&point, false));
}

TEST_F(TerrainFixture, TakesTheTopLeftSquareOfAnImageInEveryFormat)
{
    Terrain wide(scratch.path(),
                 writeHeightMap("wide.png", 300, 257, [](int i, int j) { return i * 200 + j; }), 257, 65535,
                 257);
    ASSERT_TRUE(wide.loaded);
    EXPECT_EQ(wide.gridSize, 257);
    EXPECT_FLOAT_EQ(wide.heights[5 * 257 + 256], (256 * 200 + 5) / 65535.0f);

    // An 8-bit picture stored top-down (PNG) and bottom-up (TGA) gives the same ground.
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 9; ++x)
            rgb.insert(rgb.end(), 3, uint8_t(y * 20 + x));
    ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "tall.png", 9, 12, rgb));
    ASSERT_TRUE(testimages::writeRgbTga(scratch.path() + "tall.tga", 9, 12, rgb));
    Terrain png(scratch.path(), "tall.png", 90, 255, 90), tga(scratch.path(), "tall.tga", 90, 255, 90);
    ASSERT_TRUE(png.loaded && tga.loaded);
    ASSERT_EQ(png.heights.size(), 81u);
    for (size_t k = 0; k < 81; ++k)
        ASSERT_NEAR(png.heights[k], tga.heights[k], 1e-5) << "sample " << k;
    EXPECT_NEAR(png.heights[3 * 9 + 4] * 255, 64, 1e-3);
}

TEST_F(TerrainFixture, UnusableInputLeavesAnUnloadedTerrainWithOneMessage)
{
    writeHeightMap("tiny.png", 2, 40, [](int, int) { return 40000; });
    writeHeightMap("good.png", 9, 9, [](int, int) { return 40000; });
    testimages::writeFile(scratch.path() + "broken.png", "not an image");
    testimages::writeFile(scratch.path() + "picture.bmp", "BM");
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::string unreadable = "couldn't open file " + scratch.path();
    const struct {
        const char* file;
        float x, y, z;
        std::string message;
    } cases[] = {{"missing.png", 100, 10, 100, unreadable + "missing.png for terrain\n"},
                 {"broken.png", 100, 10, 100, unreadable + "broken.png for terrain\n"},
                 {"picture.bmp", 100, 10, 100, unreadable + "picture.bmp for terrain\n"},
                 {"tiny.png", 100, 10, 100, "tiny.png has 2 x 40 samples"},
                 {"good.png", 0, 10, 100, "sizeX must be a positive number"},
                 {"good.png", 100, -1, 100, "sizeY must be a positive number"},
                 {"good.png", 100, 10, nan, "sizeZ must be a positive number"},
                 {"good.png", inf, 10, 100, "sizeX must be a positive number"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        testing::internal::CaptureStderr();
        Terrain terrain(scratch.path(), c.file, c.x, c.y, c.z);
        const std::string output = testing::internal::GetCapturedStderr();
        EXPECT_NE(output.find(c.message), std::string::npos) << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        EXPECT_FALSE(terrain.loaded);
        // Height 0 everywhere, no collision even far below, and nothing to draw.
        const float deep[3] = {0, -1000, 0};
        const BoundingSphere sphere(deep, 1);
        EXPECT_EQ(terrain.getHeight(0, 0), 0);
        EXPECT_FALSE(terrain.collides(&sphere, true));
        terrain.compileGeometry();
        terrain.render(0, nullptr);
    }
    EXPECT_TRUE(Terrain(scratch.path(), "good.png", 100, 10, 100).loaded);
}

TEST_F(TerrainFixture, CullingKeepsEveryVisibleCellAndDropsTheRest)
{
    const int n = 257;
    Terrain terrain(scratch.path(), writeHeightMap("flat.png", n, n, [](int, int) { return 0; }), 2560, 100,
                    2560);
    ASSERT_TRUE(terrain.loaded);

    // Low over each corner, looking outwards and back along an edge: whole depth-4 patches of
    // 16 x 16 cells (1,536 indices) near the camera, and the mesh draws that selection.
    for (double sx : {-1.0, 1.0})
        for (double sz : {-1.0, 1.0})
            for (bool along : {false, true}) {
                SCOPED_TRACE(testing::Message() << "corner " << sx << ", " << sz << (along ? " along" : ""));
                const double eye[3] = {1200 * sx, 30, 1200 * sz};
                const double target[3] = {eye[0] + 100 * sx, 10, eye[2] + (along ? -300 : 100) * sz};
                const FrustumPlanes planes = lookAtPlanes(eye, target, 400);
                terrain.render(0, &planes);
                EXPECT_GT(terrain.drawCount, 0u);
                EXPECT_LT(terrain.drawCount, terrain.indexCount / 4);
                EXPECT_EQ(terrain.drawCount % 1536, 0u);
                EXPECT_EQ(terrain.mesh->indices, terrain.drawList);
                expectVisibleCellsDrawn(terrain, planes);
            }

    // Looking up into the sky selects nothing; without planes the whole grid is drawn.
    const double high[3] = {0, 200, 0}, up[3] = {0, 1000, -1};
    const FrustumPlanes sky = lookAtPlanes(high, up, 400);
    terrain.render(0, &sky);
    EXPECT_EQ(terrain.drawCount, 0u);
    terrain.render(0, nullptr);
    EXPECT_EQ(terrain.mesh->indices, terrain.indices);

    // The + and - keys: deeper levels keep every visible cell with fewer indices, depth 0 takes
    // the terrain whole untested (the node's own box is culled), and the depth stays between 0
    // and the side in samples.
    const double eye[3] = {1200, 30, 1200}, target[3] = {1300, 10, 1300};
    const FrustumPlanes corner = lookAtPlanes(eye, target, 400);
    terrain.render(0, &corner);
    const uint32_t atDepthFour = terrain.drawCount;
    for (int k = 0; k < 4; ++k)
        terrain.raiseDepth();
    terrain.render(0, &corner);
    EXPECT_LT(terrain.drawCount, atDepthFour);
    expectVisibleCellsDrawn(terrain, corner);
    for (int k = 0; k < 300; ++k)
        terrain.raiseDepth();
    EXPECT_EQ(terrain.maxDepth, n);
    terrain.render(0, &corner);
    expectVisibleCellsDrawn(terrain, corner);
    for (int k = 0; k < 300; ++k)
        terrain.lowerDepth();
    EXPECT_EQ(terrain.maxDepth, 0);
    terrain.render(0, &corner);
    EXPECT_EQ(terrain.drawCount, terrain.indexCount);
}

TEST_F(TerrainFixture, GridsOfOtherSizesHaveNoHolesAndAreCulledWhole)
{
    const int n = 30; // 29 cells per side, no power of two
    Terrain terrain(scratch.path(), writeHeightMap("odd.png", n, n, [](int i, int j) { return i * j * 50; }),
                    290, 10, 290);
    ASSERT_TRUE(terrain.loaded);
    std::set<uint32_t> cells;
    for (size_t k = 0; k < terrain.indices.size(); k += 6) {
        EXPECT_EQ(slice(terrain.indices, k), cell(n, terrain.indices[k] % n, terrain.indices[k] / n));
        cells.insert(terrain.indices[k]);
    }
    EXPECT_EQ(cells.size(), 29u * 29u) << "every cell exactly once";
    EXPECT_EQ(terrain.indexCount, 29u * 29u * 6u);

    const double eye[3] = {-100, 20, -100}, away[3] = {-140, 10, -140};
    const FrustumPlanes planes = lookAtPlanes(eye, away, 100);
    terrain.raiseDepth();
    terrain.render(0, &planes);
    EXPECT_EQ(terrain.drawCount, terrain.indexCount);
}
