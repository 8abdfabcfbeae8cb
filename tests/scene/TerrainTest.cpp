#include "scene/Terrain.h"

#include "support/OffscreenTarget.h"
#include "support/TerrainFixture.h"

#include "app/RenderSettings.h"
#include "scene/BoundingSphere.h"
#include "scene/Mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace
{

// A smooth hill whose samples differ in their low bits, so an 8-bit reading would show.
int hill(int i, int j, int n)
{
    const double dx = (i - (n - 1) / 2.0) / n, dz = (j - (n - 1) / 2.0) / n;
    return int(60000 * std::exp(-8 * (dx * dx + dz * dz))) + i % 7;
}

// The vertices of the cell at column i, row j (two triangles) as the quadtree order emits them.
std::vector<uint32_t> cellIndices(uint32_t n, uint32_t i, uint32_t j)
{
    const uint32_t b = j * n + i;
    return {b, b + 1, b + n, b + n, b + 1, b + n + 1};
}

// Every cell with a corner inside the frustum must be in the terrain's selection.
void expectVisibleCellsDrawn(const Terrain& terrain, const FrustumPlanes& planes)
{
    const int n = terrain.gridSize;
    std::set<uint32_t> drawnBases;
    for (size_t k = 0; k < terrain.drawList.size(); k += 6)
        drawnBases.insert(terrain.drawList[k]);
    size_t visibleCells = 0, missing = 0;
    for (int j = 0; j < n - 1; ++j) {
        for (int i = 0; i < n - 1; ++i) {
            bool inside = false;
            for (uint32_t corner : cellIndices(uint32_t(n), uint32_t(i), uint32_t(j))) {
                const Vertex& v = terrain.mesh->vertices[corner];
                bool passes = true;
                for (int p = 0; p < 6; ++p)
                    passes = passes &&
                             planes[p][0] * v.x + planes[p][1] * v.y + planes[p][2] * v.z + planes[p][3] >= 0;
                inside = inside || passes;
            }
            if (inside) {
                ++visibleCells;
                missing += drawnBases.count(uint32_t(j * n + i)) ? 0 : 1;
            }
        }
    }
    EXPECT_GT(visibleCells, 0u) << "the camera must see some ground";
    EXPECT_EQ(missing, 0u) << "visible cells left out of " << visibleCells;
}

} // namespace

TEST_F(TerrainFixture, BuildsTheFullGridInQuadtreeOrderWithApronAndFlatRings)
{
    const int n = 257;
    Terrain terrain(scratch.path(),
                    writeHeightMap("hill.png", n, n, [](int i, int j) { return hill(i, j, 257); }), 1000, 200,
                    800);
    ASSERT_TRUE(terrain.loaded);
    ASSERT_NE(terrain.mesh, nullptr);
    EXPECT_EQ(terrain.gridSize, n);
    EXPECT_EQ(terrain.mesh->vertices.size(), 66049u);
    EXPECT_EQ(terrain.indices.size(), 393216u);
    EXPECT_EQ(terrain.indexCount, 393216u);
    EXPECT_EQ(terrain.maxDepth, 4);

    // Quadrants are contiguous: cell (0, 0) first, the first cell of the (high x, low z) quadrant
    // right after the whole (low x, low z) quadrant, and so on.
    const uint32_t quadrant = 128 * 128 * 6;
    auto at = [&](size_t offset) {
        return std::vector<uint32_t>(terrain.indices.begin() + long(offset),
                                     terrain.indices.begin() + long(offset + 6));
    };
    EXPECT_EQ(at(0), cellIndices(n, 0, 0));
    EXPECT_EQ(at(6), cellIndices(n, 1, 0));
    EXPECT_EQ(at(12), cellIndices(n, 0, 1));
    EXPECT_EQ(at(quadrant), cellIndices(n, 128, 0));
    EXPECT_EQ(at(2 * quadrant), cellIndices(n, 0, 128));
    EXPECT_EQ(at(3 * quadrant), cellIndices(n, 128, 128));
    EXPECT_EQ(at(terrain.indices.size() - 6), cellIndices(n, 255, 255));
    EXPECT_EQ(std::set<uint32_t>(terrain.indices.begin(), terrain.indices.end()).size(), 66049u);

    const auto vertex = [&](int i, int j) { return terrain.mesh->vertices[size_t(j) * n + size_t(i)]; };
    // The outermost ring is pulled out by a whole terrain size: x = -1.5 and +1.5 times sizeX.
    EXPECT_FLOAT_EQ(vertex(0, 100).x, -1500);
    EXPECT_FLOAT_EQ(vertex(n - 1, 100).x, 1500);
    EXPECT_FLOAT_EQ(vertex(100, 0).z, -1200);
    EXPECT_FLOAT_EQ(vertex(100, n - 1).z, 1200);
    for (int k : {0, 1, n - 2, n - 1}) {
        EXPECT_EQ(vertex(k, 128).y, 0) << "column " << k;
        EXPECT_EQ(vertex(128, k).y, 0) << "row " << k;
    }
    // On the border the missing neighbour is the vertex itself, and the flat rings point up.
    for (int k : {0, n - 1}) {
        EXPECT_FLOAT_EQ(vertex(k, 128).ny, 1);
        EXPECT_FLOAT_EQ(vertex(128, k).ny, 1);
        EXPECT_FLOAT_EQ(vertex(k, k).ny, 1);
    }
    // Inside the rings the mesh follows the samples at full precision.
    EXPECT_FLOAT_EQ(vertex(128, 128).y, hill(128, 128, n) / 65535.0f * 200);
    EXPECT_FLOAT_EQ(vertex(2, 128).x, 2 * 1000.0f / 256 - 500);
    EXPECT_FLOAT_EQ(vertex(3, 7).s, 3.0f / n);
    EXPECT_FLOAT_EQ(vertex(3, 7).t, 7.0f / n);
    // A hillside leans away from the hill top: left of the centre its normal points to -x.
    EXPECT_LT(vertex(100, 128).nx, 0);
    EXPECT_GT(vertex(156, 128).nx, 0);
    EXPECT_GT(vertex(128, 100).ny, 0.5);

    EXPECT_FLOAT_EQ(terrain.localBox.min[0], -500);
    EXPECT_FLOAT_EQ(terrain.localBox.min[1], -50);
    EXPECT_FLOAT_EQ(terrain.localBox.max[1], 200);
    EXPECT_FLOAT_EQ(terrain.localBox.max[2], 400);
    EXPECT_FALSE(terrain.localBox.empty);
}

TEST_F(TerrainFixture, HeightsComeFromTheRawSamplesInsideTheRings)
{
    const int n = 65;
    Terrain terrain(scratch.path(),
                    writeHeightMap("steps.png", n, n, [](int i, int j) { return 1000 * j + i + 1; }), 650,
                    65535, 650);
    ASSERT_TRUE(terrain.loaded);
    // Lookup cells are sizeX / n = 10 units wide; the sample value times sizeY / 65535 is the value.
    const auto sampleAt = [](int column, int row) { return float(1000 * row + column + 1); };
    EXPECT_FLOAT_EQ(terrain.getHeight(0, 0), sampleAt(32, 32));
    EXPECT_FLOAT_EQ(terrain.getHeight(-325 + 10 * 5 + 9.9f, -325 + 10 * 7 + 0.1f), sampleAt(5, 7));
    // Column 1 answers from the sample although the mesh there lies flat; column 0 and rows 0 and 1
    // answer 0, and so does the last column and row.
    EXPECT_FLOAT_EQ(terrain.getHeight(-325 + 15, 0), sampleAt(1, 32));
    EXPECT_EQ(terrain.getHeight(-325 + 5, 0), 0);
    EXPECT_EQ(terrain.getHeight(0, -325 + 5), 0);
    EXPECT_EQ(terrain.getHeight(0, -325 + 15), 0);
    EXPECT_FLOAT_EQ(terrain.getHeight(0, -325 + 25), sampleAt(32, 2));
    EXPECT_FLOAT_EQ(terrain.getHeight(-325 + 635, 0), sampleAt(63, 32));
    EXPECT_EQ(terrain.getHeight(-325 + 645, 0), 0);
    EXPECT_EQ(terrain.getHeight(0, -325 + 645), 0);
    // Far away, or with values that are no position at all, the ground is at 0.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    for (float bad : {nan, infinity, -infinity, 1e30f, -1e30f}) {
        EXPECT_EQ(terrain.getHeight(bad, 0), 0);
        EXPECT_EQ(terrain.getHeight(0, bad), 0);
    }
}

TEST_F(TerrainFixture, ASphereCollidesWhenItsCentreIsBelowTheGround)
{
    Terrain terrain(scratch.path(), writeHeightMap("flat.png", 17, 17, [](int, int) { return 32768; }), 160,
                    100, 160);
    ASSERT_TRUE(terrain.loaded);
    const float ground = terrain.getHeight(0, 0);
    ASSERT_GT(ground, 49);

    const float atGround[3] = {0, ground, 0};
    const float below[3] = {0, std::nextafter(ground, 0.0f), 0};
    const BoundingSphere large(atGround, 100), point(below, 0), small(below, 0.001f);
    EXPECT_FALSE(terrain.collides(&large, false));
    EXPECT_TRUE(terrain.collides(&point, false));
    EXPECT_TRUE(terrain.collides(&small, true));
    // A box is no question for the height field, and a node without bounds never collides.
    const AxisAlignedBB box(below, below);
    EXPECT_FALSE(terrain.collides(&box, false));
    terrain.noBounds = true;
    EXPECT_FALSE(terrain.collides(&small, false));
}

TEST_F(TerrainFixture, UsesTheTopLeftSquareOfOblongImagesTheSameWayInEveryFormat)
{
    // 300 x 257 is cropped to its left 257 columns.
    Terrain wide(scratch.path(),
                 writeHeightMap("wide.png", 300, 257, [](int i, int j) { return i * 200 + j; }), 257, 65535,
                 257);
    ASSERT_TRUE(wide.loaded);
    EXPECT_EQ(wide.gridSize, 257);
    EXPECT_EQ(wide.mesh->vertices.size(), 257u * 257u);
    EXPECT_FLOAT_EQ(wide.heights[5 * 257 + 256], (256 * 200 + 5) / 65535.0f);

    // An 8-bit picture stored top-down (PNG) and bottom-up (TGA) gives the same ground: row 0 of the
    // grid is the picture's top row either way. A tall picture keeps its top square.
    const int width = 9, height = 12;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rgb.insert(rgb.end(), 3, uint8_t(y * 20 + x));
    ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "tall.png", width, height, rgb));
    ASSERT_TRUE(testimages::writeRgbTga(scratch.path() + "tall.tga", width, height, rgb));
    Terrain png(scratch.path(), "tall.png", 90, 255, 90);
    Terrain tga(scratch.path(), "tall.tga", 90, 255, 90);
    ASSERT_TRUE(png.loaded);
    ASSERT_TRUE(tga.loaded);
    EXPECT_EQ(png.gridSize, 9);
    ASSERT_EQ(png.heights.size(), tga.heights.size());
    for (size_t k = 0; k < png.heights.size(); ++k)
        ASSERT_NEAR(png.heights[k], tga.heights[k], 1e-5) << "sample " << k;
    EXPECT_NEAR(png.heights[3 * 9 + 4] * 255, 64, 1e-3);
}

TEST_F(TerrainFixture, UnusableInputLeavesAnUnloadedTerrainWithAMessage)
{
    writeHeightMap("tiny.png", 2, 40, [](int, int) { return 40000; });
    writeHeightMap("good.png", 9, 9, [](int, int) { return 40000; });
    testimages::writeFile(scratch.path() + "broken.png", "not an image at all");
    testimages::writeFile(scratch.path() + "picture.bmp", "BM");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    struct Case {
        const char* file;
        float sizeX, sizeY, sizeZ;
        std::string message;
    } cases[] = {
        {"missing.png", 100, 10, 100, "couldn't open file " + scratch.path() + "missing.png for terrain\n"},
        {"broken.png", 100, 10, 100, "couldn't open file " + scratch.path() + "broken.png for terrain\n"},
        {"picture.bmp", 100, 10, 100, "couldn't open file " + scratch.path() + "picture.bmp for terrain\n"},
        {"tiny.png", 100, 10, 100, "height map " + scratch.path() + "tiny.png has 2 x 40 samples"},
        {"good.png", 0, 10, 100, "sizeX must be a positive number"},
        {"good.png", 100, -1, 100, "sizeY must be a positive number"},
        {"good.png", 100, 10, nan, "sizeZ must be a positive number"},
        {"good.png", infinity, 10, 100, "sizeX must be a positive number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.sizeX));
        testing::internal::CaptureStderr();
        Terrain terrain(scratch.path(), c.file, c.sizeX, c.sizeY, c.sizeZ);
        const std::string output = testing::internal::GetCapturedStderr();
        EXPECT_NE(output.find(c.message), std::string::npos) << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        EXPECT_FALSE(terrain.loaded);
        EXPECT_TRUE(terrain.heights.empty());
        EXPECT_EQ(terrain.mesh, nullptr);
        // Height 0 everywhere, no collision even far below, and nothing to draw or compile.
        const float deep[3] = {0, -1000, 0};
        const BoundingSphere sphere(deep, 1);
        EXPECT_EQ(terrain.getHeight(0, 0), 0);
        EXPECT_FALSE(terrain.collides(&sphere, true));
        terrain.compileGeometry();
        terrain.releaseGeometry();
        terrain.render(0, nullptr);
    }
    Terrain good(scratch.path(), "good.png", 100, 10, 100);
    EXPECT_TRUE(good.loaded);
}

TEST_F(TerrainFixture, CullingSelectsEveryVisibleCellAndFewerWhenLookingAway)
{
    const int n = 257;
    Terrain terrain(scratch.path(), writeHeightMap("cull.png", n, n, [](int, int) { return 0; }), 2560, 100,
                    2560);
    ASSERT_TRUE(terrain.loaded);
    float world[16];
    terrain.getWorldTransform(world);

    // Looking down at the whole terrain from high above selects it whole.
    const double above[3] = {0, 6000, 0.1}, centre[3] = {0, 0, 0};
    FrustumPlanes planes = lookAtPlanes(above, centre, 20000);
    terrain.render(0, &planes);
    EXPECT_EQ(terrain.drawCount, terrain.indexCount);

    // Low over each corner in turn, looking outwards and along an edge: only patches near the
    // camera remain, each a whole number of depth-4 patches of 16 x 16 cells, and every cell with
    // a corner inside the frustum is among them.
    for (const double sx : {-1.0, 1.0}) {
        for (const double sz : {-1.0, 1.0}) {
            for (const double along : {0.0, 1.0}) {
                SCOPED_TRACE(testing::Message() << "corner " << sx << ", " << sz << (along ? " along" : ""));
                const double eye[3] = {1200 * sx, 30, 1200 * sz};
                const double target[3] = {eye[0] + 100 * sx, 10, eye[2] + (along ? -300 * sz : 100 * sz)};
                planes = lookAtPlanes(eye, target, 400);
                terrain.render(0, &planes);
                EXPECT_GT(terrain.drawCount, 0u);
                EXPECT_LT(terrain.drawCount, terrain.indexCount / 4);
                EXPECT_EQ(terrain.drawCount % 1536, 0u);
                EXPECT_EQ(terrain.drawList.size(), terrain.drawCount);
                EXPECT_EQ(terrain.mesh->indices, terrain.drawList) << "the mesh draws the selection";
                expectVisibleCellsDrawn(terrain, planes);
            }
        }
    }

    // Looking up into the sky sees no ground at all; the previous selection is not drawn again.
    const double high[3] = {-1200, 200, -1200}, up[3] = {-1200, 1000, -1201};
    planes = lookAtPlanes(high, up, 400);
    terrain.render(0, &planes);
    EXPECT_EQ(terrain.drawCount, 0u);

    // Without planes the whole grid is drawn.
    terrain.render(0, nullptr);
    EXPECT_EQ(terrain.mesh->indices, terrain.indices);
}

TEST_F(TerrainFixture, GridsOfOtherSizesHaveNoHolesAndAreCulledWhole)
{
    const int n = 30; // 29 cells per side: no power of two
    Terrain terrain(scratch.path(), writeHeightMap("odd.png", n, n, [](int i, int j) { return i * j * 50; }),
                    290, 10, 290);
    ASSERT_TRUE(terrain.loaded);
    EXPECT_EQ(terrain.indexCount, 29u * 29u * 6u);
    std::set<uint32_t> bases;
    for (size_t k = 0; k < terrain.indices.size(); k += 6) {
        EXPECT_EQ(
            std::vector<uint32_t>(terrain.indices.begin() + long(k), terrain.indices.begin() + long(k + 6)),
            cellIndices(n, terrain.indices[k] % n, terrain.indices[k] / n));
        bases.insert(terrain.indices[k]);
    }
    EXPECT_EQ(bases.size(), 29u * 29u) << "every cell exactly once";
    EXPECT_EQ(terrain.maxDepth, 0);

    float world[16];
    terrain.getWorldTransform(world);
    const double eye[3] = {-100, 20, -100}, away[3] = {-140, 10, -140};
    FrustumPlanes planes = lookAtPlanes(eye, away, 100);
    terrain.render(0, &planes);
    EXPECT_EQ(terrain.drawCount, terrain.indexCount);
}

TEST_F(TerrainFixture, DrawsTheGroundInEveryGeometryModeAndFromADisplayList)
{
    const int n = 33;
    Terrain terrain(scratch.path(),
                    writeHeightMap("draw.png", n, n, [](int i, int j) { return (i + j) * 900; }), 100, 20,
                    100);
    ASSERT_TRUE(terrain.loaded);
    const float colour[4] = {0.8f, 0.3f, 0.1f, 1};
    std::copy(colour, colour + 4, terrain.material.diffuse);

    testsupport::OffscreenTarget target(200, 150);
    ASSERT_TRUE(target.complete());
    target.bind();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 200.0 / 150.0, 1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 120, 120, 0, 0, 0, 0, 1, 0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHT0);
    const float light[4] = {0, 1, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, light);

    auto drawnPixels = [&]() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        terrain.render(0, nullptr);
        int count = 0;
        for (int y = 0; y < target.height; y += 5)
            for (int x = 0; x < target.width; x += 5)
                count += target.pixel(x, y).r > 20 ? 1 : 0;
        return count;
    };
    std::vector<int> counts;
    for (int mode : {0, 1, 2}) {
        RenderSettings::geometryMode = mode;
        counts.push_back(drawnPixels());
    }
    target.snapshot("terrain-modes");
    terrain.compileGeometry();
    EXPECT_TRUE(terrain.mesh->listValid);
    counts.push_back(drawnPixels());
    terrain.releaseGeometry();
    EXPECT_FALSE(terrain.mesh->listValid);

    EXPECT_GT(counts[0], 400) << "the ground covers much of the picture";
    for (int count : counts)
        EXPECT_NEAR(count, counts[0], counts[0] / 50);

    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    target.unbind();
}
