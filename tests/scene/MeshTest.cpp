#include "scene/Mesh.h"

#include "app/RenderSettings.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"

#include <cfloat>
#include <memory>

namespace
{

using Indices = std::vector<uint32_t>;
constexpr float infinity = std::numeric_limits<float>::infinity();

Indices indexBufferContents(const Mesh& mesh)
{
    GLint size = 0;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    Indices contents(size_t(size) / 4);
    glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, size, contents.data());
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return contents;
}

// One small triangle lying flat at each of the given depths, in that order.
std::unique_ptr<Mesh> trianglesAtDepths(const std::vector<float>& depths)
{
    std::vector<std::array<float, 3>> positions;
    Indices indices;
    for (float z : depths) {
        indices.insert(indices.end(), {uint32_t(positions.size()), uint32_t(positions.size() + 1),
                                       uint32_t(positions.size() + 2)});
        positions.insert(positions.end(), {{0, 0, z}, {1, 0, z}, {0, 1, z}});
    }
    return std::make_unique<Mesh>(positions, std::vector<std::array<float, 3>>(positions.size(), {0, 0, 1}),
                                  std::vector<std::array<float, 2>>(positions.size()), indices);
}

using MeshTest = GLTest;

} // namespace

TEST(MeshSortKeys, EqualKeysGetTheNextFreeFloatAtAnyMagnitude)
{
    // Both ways of making keys unique (a walk over a small map, UniqueSortKeys for many keys) must
    // agree. From 256 on, adding a small constant to a float changes nothing; stepping still works.
    for (float key : {0.0f, 300.0f, 1.0e7f, -5.0e20f, FLT_MAX}) {
        SCOPED_TRACE(key);
        std::map<float, int> map;
        UniqueSortKeys keys;
        std::vector<float> got;
        for (int i = 0; i < 50; ++i) {
            got.push_back(insertWithUniqueKey(map, key, i));
            EXPECT_EQ(keys.take(key), got.back());
        }
        EXPECT_EQ(map.size(), 50u);
        EXPECT_EQ(got[1], std::nextafter(key, infinity));
        // Nothing lies above infinity: from there on the keys go below the requested one.
        EXPECT_EQ(got[2], key == FLT_MAX ? std::nextafter(key, 0.0f) : std::nextafter(got[1], infinity));
    }
    UniqueSortKeys keys;
    keys.take(2.0f);
    keys.take(std::nextafter(2.0f, infinity));
    EXPECT_EQ(keys.take(std::nextafter(2.0f, 0.0f)), std::nextafter(2.0f, 0.0f));
    EXPECT_EQ(keys.take(std::nextafter(2.0f, 0.0f)), std::nextafter(std::nextafter(2.0f, 3.0f), 3.0f))
        << "a key below a run of taken keys skips the whole run";
    EXPECT_FALSE(std::isnan(keys.take(std::nanf(""))));
}

TEST_F(MeshTest, BuildsInterleavedVerticesBoundsAndBuffers)
{
    Mesh mesh({{1, 2, 3}, {-1, 4, 0}, {3, -2, 1}, {9, 9, 9}}, {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}},
              {{0.25f, 0.5f}, {0.75f, 1}, {0, 0}, {1, 1}}, {0, 1, 2});
    ASSERT_EQ(mesh.vertices.size(), 3u) << "the smallest attribute count wins";
    const Vertex& v = mesh.vertices[1];
    EXPECT_EQ((std::vector<float>{v.s, v.t, v.nx, v.ny, v.nz, v.x, v.y, v.z}),
              (std::vector<float>{0.75f, 1, 0, 1, 0, -1, 4, 0}));
    EXPECT_EQ((std::vector<float>(mesh.bounds.min, mesh.bounds.min + 3)), (std::vector<float>{-1, -2, 0}));
    EXPECT_EQ((std::vector<float>(mesh.bounds.max, mesh.bounds.max + 3)), (std::vector<float>{3, 4, 3}));
    EXPECT_EQ((std::vector<float>(mesh.sphere.centre, mesh.sphere.centre + 3)),
              (std::vector<float>{1, 1, 1.5f}));
    EXPECT_FLOAT_EQ(mesh.sphere.radius, std::sqrt(15.25f)); // to (-1, 4, 0)
    GLint size = 0;
    glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 3 * 32);
    EXPECT_EQ(indexBufferContents(mesh), (Indices{0, 1, 2}));

    Mesh single({{5, 6, 7}}, {{0, 0, 1}}, {{0, 0}}, {});
    EXPECT_EQ(single.sphere.centre[2], 7.0f);
    EXPECT_EQ(single.sphere.radius, 0.0f);
    Mesh empty({}, {}, {}, {});
    EXPECT_TRUE(empty.bounds.empty);
    EXPECT_NE(empty.vertexBuffer, 0u) << "buffer names exist even for empty arrays";
    for (int mode : {0, 1, 2}) {
        RenderSettings::geometryMode = mode;
        empty.draw();
    }
}

TEST_F(MeshTest, LeavesOutTrianglesThatNameMissingVertices)
{
    testing::internal::CaptureStderr();
    Mesh mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}}, {{0, 0}, {0, 0}, {0, 0}},
              {0, 1, 2, 0, 1, 3, 2, 1, 0, 4000000000u, 0, 1, 1});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("left out 7 of 13 indices"), std::string::npos);
    EXPECT_EQ(indexBufferContents(mesh), (Indices{0, 1, 2, 2, 1, 0}));
    for (int mode : {0, 1, 2}) { // nothing outside the arrays is read
        RenderSettings::geometryMode = mode;
        mesh.draw();
    }
    // setIndices checks the same way; only buffer mode refills the buffer at once.
    testing::internal::CaptureStderr();
    mesh.setIndices({2, 0, 1, 7, 7, 7});
    EXPECT_EQ(mesh.indices, (Indices{2, 0, 1}));
    EXPECT_EQ(indexBufferContents(mesh), (Indices{0, 1, 2, 2, 1, 0}));
    RenderSettings::geometryMode = 0;
    mesh.setIndices({1, 2, 0});
    EXPECT_EQ(indexBufferContents(mesh), (Indices{1, 2, 0}));
    testing::internal::GetCapturedStderr();
}

TEST_F(MeshTest, SortTrianglesPutsTheFarthestFirstAndKeepsEveryTriangle)
{
    RenderSettings::geometryMode = 2; // the index buffer is refilled in every mode
    // Identity matrices: the sort key is the triangle's z.
    std::unique_ptr<Mesh> mesh = trianglesAtDepths({0.1f, 0.5f, 0.3f, 0.5f, -0.2f});
    mesh->sortTriangles();
    const Indices expected = {3, 4, 5, 9, 10, 11, 6, 7, 8, 0, 1, 2, 12, 13, 14};
    EXPECT_EQ(mesh->indices, expected) << "ties keep their order, triangles their winding";
    EXPECT_EQ(indexBufferContents(*mesh), expected);
    mesh->sortTriangles();
    EXPECT_EQ(mesh->indices, expected) << "sorting again for the same view changes nothing";
    glScalef(1, 1, -1); // the eye on the other side
    mesh->sortTriangles();
    EXPECT_EQ(mesh->indices, (Indices{12, 13, 14, 0, 1, 2, 6, 7, 8, 3, 4, 5, 9, 10, 11}));

    // Depths where adding 0.00001 changes nothing, and depths that overflow to infinity.
    glScalef(1, 1, -1.0e36f);
    for (float depth : {1000.0f, 1.0f, 10000.0f}) {
        mesh = trianglesAtDepths(std::vector<float>(300, depth));
        mesh->sortTriangles();
        Indices sorted = mesh->indices;
        std::sort(sorted.begin(), sorted.end());
        for (uint32_t i = 0; i < 900; ++i)
            ASSERT_EQ(sorted[i], i) << "every triangle is kept once at depth " << depth;
    }
    glLoadIdentity();
}

TEST_F(MeshTest, DisplayListsAndBuffersBelongToTheMesh)
{
    std::unique_ptr<Mesh> mesh(testsupport::makeGrid(-1, -1, 1, 1, 0));
    mesh->compile();
    const GLuint first = mesh->displayList;
    EXPECT_TRUE(mesh->listValid && glIsList(first));
    mesh->compile();
    EXPECT_FALSE(glIsList(first)) << "a recompile replaces the list";
    mesh->release();
    EXPECT_FALSE(mesh->listValid || mesh->displayList);

    // Without a buffer the offsets would be read as client pointers: report, draw nothing.
    const GLuint vertexBuffer = mesh->vertexBuffer, indexBuffer = mesh->indexBuffer;
    mesh->vertexBuffer = 0;
    testing::internal::CaptureStderr();
    mesh->drawBuffers();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Mesh error: VBO not initialized!\n");
    mesh->vertexBuffer = vertexBuffer;

    mesh->compile();
    const GLuint list = mesh->displayList;
    mesh.reset();
    EXPECT_FALSE(glIsList(list) || glIsBuffer(vertexBuffer) || glIsBuffer(indexBuffer));
}
