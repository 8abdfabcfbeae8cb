#include "scene/Terrain.h"

#include "support/GLContext.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include "scene/BoundingSphere.h"
#include "scene/Frustum.h"
#include "scene/Mesh.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <set>
#include <tuple>

namespace
{

// A scratch data directory holding the shader programs, so the terrain shader loads as in the game.
class TerrainTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        std::error_code error;
        std::filesystem::copy(std::string(AEROVANT_BIN_DIR) + "shader", scratch.path() + "shader",
                              std::filesystem::copy_options::recursive, error);
        ASSERT_FALSE(error) << error.message();
    }

    // A terrain from an n x n 16-bit height map whose sample at column i, row j is sample(i, j).
    template <class Sample> Terrain make(int n, Sample sample, float sizeX, float sizeY, float sizeZ)
    {
        std::vector<uint16_t> samples;
        for (int k = 0; k < n * n; ++k)
            samples.push_back(uint16_t(sample(k % n, k / n)));
        EXPECT_TRUE(testimages::writeGreyPng(scratch.path() + "map.png", n, n, samples));
        return Terrain(scratch.path(), "map.png", sizeX, sizeY, sizeZ);
    }

    testsupport::ScratchDirectory scratch;
};

// The frustum of a 60-degree camera at (x, y, z) looking at (tx, ty, tz), y up, as the camera builds it.
FrustumPlanes looking(double x, double y, double z, double tx, double ty, double tz, double far = 400)
{
    double clip[16];
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(60, 4.0 / 3.0, 1, far);
    gluLookAt(x, y, z, tx, ty, tz, 0, 1, 0);
    glGetDoublev(GL_PROJECTION_MATRIX, clip);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    FrustumPlanes planes;
    extractPlanes(clip, planes);
    return planes;
}

// Every grid vertex inside the frustum must belong to a selected patch.
void expectVisibleGroundDrawn(const Terrain& terrain, const FrustumPlanes& planes)
{
    std::set<uint32_t> drawn;
    for (const Mesh::IndexRange& range : terrain.drawRanges)
        drawn.insert(terrain.indices.begin() + range.first,
                     terrain.indices.begin() + range.first + range.count);
    size_t visible = 0, missing = 0;
    for (uint32_t k = 0; k < terrain.mesh->vertices.size(); ++k) {
        const Vertex& v = terrain.mesh->vertices[k];
        bool inside = true;
        for (int p = 0; p < 6; ++p)
            inside =
                inside && planes[p][0] * v.x + planes[p][1] * v.y + planes[p][2] * v.z + planes[p][3] >= 0;
        visible += inside;
        missing += inside && !drawn.count(k);
    }
    EXPECT_GT(visible, 0u) << "the camera must see some ground";
    EXPECT_EQ(missing, 0u) << "visible vertices left out of " << visible;
}

} // namespace

TEST_F(TerrainTest, BuildsTheGridWithFlatRingsAndApronAndAnswersRawHeights)
{
    const int n = 257;
    const auto hill = [](int i, int j) { return 30000 + 20 * (i - j) + i % 7; }; // low bits matter
    Terrain terrain = make(n, hill, 1000, 200, 800);
    ASSERT_TRUE(terrain.loaded);
    EXPECT_EQ(terrain.mesh->vertices.size(), 66049u);
    EXPECT_EQ(terrain.indexCount, 393216u);
    // The two triangles of each cell, with each quadrant contiguous: (low x, low z), (high x, low z),
    // (low x, high z), (high x, high z); the first index of a cell is its corner at low x and z.
    EXPECT_EQ(std::vector<uint32_t>(terrain.indices.begin(), terrain.indices.begin() + 6),
              (std::vector<uint32_t>{0, 1, 257, 257, 1, 258}));
    const size_t quadrant = 128 * 128 * 6;
    EXPECT_EQ(std::vector<uint32_t>({terrain.indices[12], terrain.indices[quadrant],
                                     terrain.indices[2 * quadrant], terrain.indices[3 * quadrant]}),
              std::vector<uint32_t>({257, 128, 128 * 257, 128 * 257 + 128}));

    // The outermost ring lies a whole terrain size out, the two outer rings at height 0. Inside,
    // the 16-bit samples come through at full precision, and normals lean downhill.
    const auto vertex = [&](int i, int j) { return terrain.mesh->vertices[size_t(j) * n + size_t(i)]; };
    EXPECT_FLOAT_EQ(vertex(0, 100).x, -1500);
    EXPECT_FLOAT_EQ(vertex(100, n - 1).z, 1200);
    for (int k : {0, 1, n - 2, n - 1})
        EXPECT_TRUE(vertex(k, 128).y == 0 && vertex(128, k).y == 0) << k;
    EXPECT_FLOAT_EQ(vertex(128, 100).y, hill(128, 100) / 65535.0f * 200);
    EXPECT_LT(vertex(128, 100).nx, 0);

    // 65 samples over 650 units: lookup cells are sizeX / n = 10 units wide; x and z from -325.
    Terrain steps = make(
        65, [](int i, int j) { return 1000 * j + i + 1; }, 650, 65535, 650);
    EXPECT_FLOAT_EQ(steps.getHeight(-325 + 59.9f, -325 + 70.1f), 7006);
    // Column 1 answers although the mesh there is flat; column 0, rows 0 and 1 and the last
    // column and row answer 0, as do positions that are no number.
    EXPECT_FLOAT_EQ(steps.getHeight(-310, 0), 32002);
    EXPECT_FLOAT_EQ(steps.getHeight(0, -300), 2033);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float zeros[] = {-320, 0, 0, -310, 320, 0, 0, 320, nan, 0, 0, -1e30f}; // (x, z) pairs
    for (size_t k = 0; k < 12; k += 2)
        EXPECT_EQ(steps.getHeight(zeros[k], zeros[k + 1]), 0) << zeros[k] << ", " << zeros[k + 1];

    // Only a sphere's centre below the ground collides; its radius plays no part.
    const float ground = steps.getHeight(0, 0);
    const float atGround[3] = {0, ground, 0}, below[3] = {0, std::nextafter(ground, 0.0f), 0};
    const BoundingSphere large(atGround, 100), point(below, 0);
    EXPECT_FALSE(steps.collides(&large, false));
    EXPECT_TRUE(steps.collides(&point, true));
    steps.noBounds = true;
    EXPECT_FALSE(steps.collides(&point, false));
}

TEST_F(TerrainTest, UnusableInputLeavesAnUnloadedTerrainWithOneMessage)
{
    // A side of 3 is the least that leaves ground inside the two flat rings.
    testimages::writeGreyPng(scratch.path() + "map.png", 3, 3, std::vector<uint16_t>(9, 40000));
    testimages::writeGreyPng(scratch.path() + "tiny.png", 2, 40, std::vector<uint16_t>(80, 40000));
    scratch.write("picture.bmp", "BM");
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::string unreadable = "couldn't open file " + scratch.path();
    for (const auto& [file, x, y, z, message] :
         {std::tuple{"missing.png", 9.0f, 9.0f, 9.0f, unreadable + "missing.png for terrain\n"},
          {"picture.bmp", 9.0f, 9.0f, 9.0f, unreadable + "picture.bmp for terrain\n"},
          {"tiny.png", 9.0f, 9.0f, 9.0f, std::string("tiny.png has 2 x 40 samples")},
          {"map.png", 0.0f, 9.0f, 9.0f, std::string("sizeX must be a positive number")},
          {"map.png", 9.0f, -1.0f, 9.0f, std::string("sizeY must be a positive number")},
          {"map.png", nan, 9.0f, 9.0f, std::string("sizeX must be a positive number")},
          {"map.png", 9.0f, 9.0f, inf, std::string("sizeZ must be a positive number")}}) {
        testing::internal::CaptureStderr();
        Terrain terrain(scratch.path(), file, x, y, z);
        const std::string output = testing::internal::GetCapturedStderr();
        EXPECT_NE(output.find(message), std::string::npos) << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        // Not loaded: height 0 everywhere, no collision even far below, and nothing to draw.
        const float deep[3] = {0, -1000, 0};
        const BoundingSphere sphere(deep, 1);
        EXPECT_FALSE(terrain.loaded || terrain.getHeight(0, 0) != 0 || terrain.collides(&sphere, true))
            << message;
        terrain.render(0, nullptr);
    }
    EXPECT_TRUE(Terrain(scratch.path(), "map.png", 9, 9, 9).loaded);
}

TEST_F(TerrainTest, CullingKeepsEveryVisibleCellAndDropsTheRestOnQuadtreeGridsOnly)
{
    Terrain terrain = make(
        257, [](int, int) { return 0; }, 2560, 100, 2560);
    // Low over a corner looking outwards, and out over the apron looking further out (the border
    // patches own the apron): whole depth-4 patches of 16 x 16 cells (1,536 indices), and the mesh
    // draws that selection.
    const FrustumPlanes corner = looking(1200, 30, 1200, 1300, 10, 1300);
    for (const FrustumPlanes& planes : {corner, looking(-1400, 30, 0, -1500, 10, 0, 5000)}) {
        terrain.render(0, &planes);
        EXPECT_GT(terrain.drawCount, 0u);
        EXPECT_LT(terrain.drawCount, terrain.indexCount / 4);
        EXPECT_EQ(terrain.drawCount % 1536, 0u);
        EXPECT_EQ(terrain.mesh->indices, terrain.indices) << "the mesh keeps the whole list";
        expectVisibleGroundDrawn(terrain, planes);
    }
    // Looking up into the sky selects nothing; without planes the whole grid is drawn.
    const FrustumPlanes sky = looking(0, 200, 0, 0, 1000, -1);
    terrain.render(0, &sky);
    EXPECT_EQ(terrain.drawCount, 0u);
    terrain.render(0, nullptr);
    EXPECT_EQ(terrain.mesh->indices, terrain.indices);

    // The + and - keys: deeper levels keep every visible cell with fewer indices; depth 0 takes
    // the terrain whole.
    terrain.render(0, &corner);
    const uint32_t atDepthFour = terrain.drawCount;
    for (int k = 0; k < 4; ++k)
        terrain.raiseDepth();
    terrain.render(0, &corner);
    EXPECT_LT(terrain.drawCount, atDepthFour);
    expectVisibleGroundDrawn(terrain, corner);
    for (int k = 0; k < 8; ++k)
        terrain.lowerDepth();
    terrain.render(0, &corner);
    EXPECT_EQ(terrain.drawCount, terrain.indexCount);

    // A grid of 29 cells per side, no power of two: every cell exactly once, and drawn whole.
    Terrain odd = make(
        30, [](int i, int j) { return i * j * 50; }, 290, 10, 290);
    std::set<uint32_t> cells;
    for (size_t k = 0; k < odd.indices.size(); k += 6)
        cells.insert(odd.indices[k]);
    EXPECT_TRUE(cells.size() == 29 * 29 && odd.indexCount == 29 * 29 * 6) << cells.size();
    const FrustumPlanes away = looking(-100, 20, -100, -140, 10, -140, 100);
    odd.raiseDepth();
    odd.render(0, &away);
    EXPECT_EQ(odd.drawCount, odd.indexCount);
}
