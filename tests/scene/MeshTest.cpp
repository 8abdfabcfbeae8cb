// Meshes: content checks, buffers, triangle sorting, and the unique sort keys that the triangle,
// part and transparent-entity sorts share.
#include "scene/Mesh.h"

#include "app/RenderSettings.h"
#include "scene/TransparentQueue.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"

#include <algorithm>
#include <cfloat>
#include <memory>

namespace
{

using Indices = std::vector<uint32_t>;
constexpr float infinity = std::numeric_limits<float>::infinity();

Indices indexBuffer(const Mesh& mesh)
{
    GLint size = 0;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    Indices contents(size_t(size) / 4);
    glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, size, contents.data());
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return contents;
}

// One small flat triangle at each of the given depths, in that order.
std::unique_ptr<Mesh> trianglesAtDepths(const std::vector<float>& depths)
{
    std::vector<std::array<float, 3>> positions;
    Indices indices;
    for (float z : depths) {
        positions.insert(positions.end(), {{0, 0, z}, {1, 0, z}, {0, 1, z}});
        for (int k = 0; k < 3; ++k)
            indices.push_back(uint32_t(indices.size()));
    }
    return std::make_unique<Mesh>(positions, std::vector<std::array<float, 3>>(positions.size(), {0, 0, 1}),
                                  std::vector<std::array<float, 2>>(positions.size()), indices);
}

using MeshTest = GLTest;

} // namespace

TEST(SortKeys, EqualKeysTakeTheNearestFreeFloatsAtAnyMagnitude)
{
    // From 256 on, adding a small constant to a float changes nothing; stepping by one float works
    // everywhere, and at infinity (where NaN also goes) it turns downwards.
    for (float key : {0.0f, 300.0f, 1.0e7f, -5.0e20f, FLT_MAX, infinity, std::nanf("")}) {
        SCOPED_TRACE(key);
        std::map<float, int> map;
        UniqueSortKeys keys;
        std::vector<float> got;
        for (int i = 0; i < 50; ++i) {
            got.push_back(insertWithUniqueKey(map, key, i));
            EXPECT_EQ(keys.take(key), got.back());
            EXPECT_EQ(TransparentQueue::insert(key, TransparentQueue::Entry{}), got.back());
        }
        TransparentQueue::clear();
        EXPECT_EQ(got[0], std::isnan(key) ? infinity : key);
        std::sort(got.begin(), got.end());
        for (size_t i = 1; i < got.size(); ++i)
            ASSERT_EQ(got[i], std::nextafter(got[i - 1], infinity)) << "neighbouring floats, no gaps";
    }
    UniqueSortKeys keys;
    const float below = std::nextafter(2.0f, 0.0f), above = std::nextafter(2.0f, 3.0f);
    for (float key : {2.0f, above, below})
        keys.take(key);
    EXPECT_EQ(keys.take(below), std::nextafter(above, 3.0f)) << "a run of taken keys is skipped whole";
}

TEST_F(MeshTest, KeepsOnlyWholeTrianglesOfItsVertices)
{
    testing::internal::CaptureStderr();
    Mesh mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {9, 9, 9}}, std::vector<std::array<float, 3>>(3, {0, 0, 1}),
              std::vector<std::array<float, 2>>(4), {0, 1, 2, 0, 1, 3, 2, 1, 0, 4000000000u, 0, 1, 1});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("left out 7 of 13 indices"), std::string::npos);
    EXPECT_EQ(mesh.vertices.size(), 3u) << "the smallest attribute count wins";
    EXPECT_EQ(indexBuffer(mesh), (Indices{0, 1, 2, 2, 1, 0}));
    Mesh empty({}, {}, {}, {});
    testing::internal::CaptureStderr();
    mesh.setIndices({2, 0, 1, 7, 7, 7}); // checked the same way
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(indexBuffer(mesh), (Indices{2, 0, 1})) << "refilled at once in buffer mode";
    for (int mode : {0, 1, 2}) { // nothing outside the arrays is read; empty arrays are fine
        RenderSettings::geometryMode = mode;
        mesh.draw();
        empty.draw();
    }

    // Without a buffer the offsets would be read as client pointers: report, draw nothing.
    const GLuint buffer = mesh.vertexBuffer;
    mesh.vertexBuffer = 0;
    testing::internal::CaptureStderr();
    mesh.drawBuffers();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Mesh error: VBO not initialized!\n");
    mesh.vertexBuffer = buffer;
}

TEST_F(MeshTest, SortTrianglesPutsTheFarthestFirstAndKeepsEveryTriangle)
{
    RenderSettings::geometryMode = 2; // the index buffer is refilled in every mode
    // Identity matrices: the sort key is the triangle's z.
    std::unique_ptr<Mesh> mesh = trianglesAtDepths({0.1f, 0.5f, 0.3f, 0.5f, -0.2f});
    const Indices expected = {3, 4, 5, 9, 10, 11, 6, 7, 8, 0, 1, 2, 12, 13, 14};
    for (int pass = 0; pass < 2; ++pass) { // sorting again for the same view changes nothing
        mesh->sortTriangles();
        EXPECT_EQ(indexBuffer(*mesh), expected) << "ties keep their order, triangles their winding";
    }
    glScalef(1, 1, -1); // the eye on the other side
    mesh->sortTriangles();
    EXPECT_EQ(mesh->indices, (Indices{12, 13, 14, 0, 1, 2, 6, 7, 8, 3, 4, 5, 9, 10, 11}));

    glScalef(1, 1, -1.0e36f); // 300 equal depths, and depths that overflow to infinity
    for (float depth : {1.0f, 1000.0f}) {
        mesh = trianglesAtDepths(std::vector<float>(300, depth));
        mesh->sortTriangles();
        Indices sorted = mesh->indices;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, trianglesAtDepths(std::vector<float>(300, 0))->indices) << "each kept once";
    }
    glLoadIdentity();
}
