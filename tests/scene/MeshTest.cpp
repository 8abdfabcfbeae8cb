#include "scene/Mesh.h"

#include "app/RenderSettings.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"
#include "support/OffscreenPicture.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <memory>

using testsupport::LitView;
using testsupport::makeGrid;
using testsupport::Picture;
using testsupport::PictureTarget;

namespace
{

using Positions = std::vector<std::array<float, 3>>;
using Normals = std::vector<std::array<float, 3>>;
using TexCoords = std::vector<std::array<float, 2>>;
using Indices = std::vector<uint32_t>;

constexpr float infinity = std::numeric_limits<float>::infinity();

GLint bufferSize(GLenum target, GLuint buffer)
{
    GLint size = -1;
    glBindBuffer(target, buffer);
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    glBindBuffer(target, 0);
    return size;
}

Indices indexBufferContents(const Mesh& mesh)
{
    const GLint size = bufferSize(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
    Indices contents(size_t(std::max(size, 0)) / sizeof(uint32_t));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
    glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, size, contents.data());
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return contents;
}

// One triangle per entry of `depths`, each lying flat at that z, listed in the given order.
std::unique_ptr<Mesh> trianglesAtDepths(const std::vector<float>& depths)
{
    Positions positions;
    Indices indices;
    for (float z : depths) {
        const uint32_t first = uint32_t(positions.size());
        positions.insert(positions.end(), {{0.0f, 0.0f, z}, {1.0f, 0.0f, z}, {0.0f, 1.0f, z}});
        indices.insert(indices.end(), {first, first + 1, first + 2});
    }
    return std::make_unique<Mesh>(positions, Normals(positions.size(), {0.0f, 0.0f, 1.0f}),
                                  TexCoords(positions.size(), {0.0f, 0.0f}), indices);
}

class MeshTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
    }
    void TearDown() override
    {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        GLTest::TearDown();
    }
};

} // namespace

// Both ways of making keys unique (the map walk for a few entries, UniqueSortKeys for many) must
// hand out the same keys.
struct BothKeyMakers {
    std::map<float, int> map;
    UniqueSortKeys keys;
    int count = 0;

    float take(float key)
    {
        const float fromKeys = keys.take(key);
        const float fromMap = insertWithUniqueKey(map, key, count++);
        EXPECT_EQ(fromKeys, fromMap) << "for key " << key;
        return fromMap;
    }
};

TEST(MeshSortKeys, EqualKeysStepToTheNextFloatAtAnyMagnitude)
{
    // From 256 on, adding a small constant to a float changes nothing; stepping must still work.
    for (float key : {0.0f, 1.0f, 300.0f, 1.0e7f, 3.0e38f, -5.0e20f}) {
        SCOPED_TRACE(key);
        BothKeyMakers makers;
        float expectedKey = key;
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(makers.take(key), expectedKey);
            expectedKey = std::nextafter(expectedKey, infinity);
        }
        ASSERT_EQ(makers.map.size(), 100u);
        int expected = 0;
        for (const auto& entry : makers.map)
            EXPECT_EQ(entry.second, expected++) << "later entries lie just above earlier ones";
    }
}

TEST(MeshSortKeys, StepsPastRunsOfNeighboursAndDownFromInfinity)
{
    BothKeyMakers makers;
    const float two = 2.0f;
    const float next = std::nextafter(two, infinity);
    EXPECT_EQ(makers.take(next), next);
    EXPECT_EQ(makers.take(two), two);
    EXPECT_EQ(makers.take(two), std::nextafter(next, infinity)) << "skips the neighbour taken before";
    // A run joined from below and then entered in the middle.
    EXPECT_EQ(makers.take(std::nextafter(two, 0.0f)), std::nextafter(two, 0.0f));
    EXPECT_EQ(makers.take(std::nextafter(two, 0.0f)),
              std::nextafter(std::nextafter(next, infinity), infinity));

    BothKeyMakers top;
    const float belowMax = std::nextafter(FLT_MAX, 0.0f);
    EXPECT_EQ(top.take(FLT_MAX), FLT_MAX);
    EXPECT_EQ(top.take(FLT_MAX), infinity);
    // Nothing lies above infinity, so the next one goes just below the first.
    EXPECT_EQ(top.take(FLT_MAX), belowMax);
    EXPECT_EQ(top.take(infinity), std::nextafter(belowMax, 0.0f));
    EXPECT_EQ(top.take(std::nanf("")), std::nextafter(std::nextafter(belowMax, 0.0f), 0.0f));
    EXPECT_EQ(top.map.size(), 5u);
    for (const auto& entry : top.map)
        EXPECT_FALSE(std::isnan(entry.first));
}

TEST_F(MeshTest, BuildsInterleavedVerticesBoundsAndBuffers)
{
    const Positions positions = {{1, 2, 3}, {-1, 4, 0}, {3, -2, 1}, {9, 9, 9}};
    const Normals normals = {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
    const TexCoords texCoords = {{0.25f, 0.5f}, {0.75f, 1}, {0, 0}, {1, 1}, {1, 0}};
    Mesh mesh(positions, normals, texCoords, {0, 1, 2});

    ASSERT_EQ(mesh.vertices.size(), 3u) << "the smallest attribute count wins";
    const Vertex& v = mesh.vertices[1];
    EXPECT_EQ((std::vector<float>{v.s, v.t, v.nx, v.ny, v.nz, v.x, v.y, v.z}),
              (std::vector<float>{0.75f, 1, 0, 1, 0, -1, 4, 0}));
    EXPECT_EQ(mesh.indices, (Indices{0, 1, 2}));

    EXPECT_FALSE(mesh.bounds.empty);
    EXPECT_EQ((std::vector<float>(mesh.bounds.min, mesh.bounds.min + 3)), (std::vector<float>{-1, -2, 0}));
    EXPECT_EQ((std::vector<float>(mesh.bounds.max, mesh.bounds.max + 3)), (std::vector<float>{3, 4, 3}));
    EXPECT_EQ((std::vector<float>(mesh.sphere.centre, mesh.sphere.centre + 3)),
              (std::vector<float>{1, 1, 1.5f}));
    // The farthest position from (1, 1, 1.5) is (-1, 4, 0): 4 + 9 + 2.25.
    EXPECT_FLOAT_EQ(mesh.sphere.radius, std::sqrt(15.25f));

    EXPECT_NE(mesh.vertexBuffer, 0u);
    EXPECT_NE(mesh.indexBuffer, 0u);
    EXPECT_EQ(bufferSize(GL_ARRAY_BUFFER, mesh.vertexBuffer), 3 * 32);
    EXPECT_EQ(indexBufferContents(mesh), (Indices{0, 1, 2}));
    EXPECT_EQ(mesh.displayList, 0u);
    EXPECT_FALSE(mesh.listValid);
}

TEST_F(MeshTest, EmptyAndSingleVertexMeshes)
{
    Mesh empty({}, {}, {}, {});
    EXPECT_TRUE(empty.bounds.empty);
    EXPECT_EQ(empty.sphere.radius, 0.0f);
    EXPECT_NE(empty.vertexBuffer, 0u) << "buffer names exist even for empty arrays";
    EXPECT_NE(empty.indexBuffer, 0u);
    for (int mode : {0, 1, 2}) {
        RenderSettings::geometryMode = mode;
        empty.draw();
    }

    Mesh single({{5, 6, 7}}, {{0, 0, 1}}, {{0, 0}}, {});
    EXPECT_FALSE(single.bounds.empty);
    EXPECT_EQ(single.bounds.min[2], 7.0f);
    EXPECT_EQ(single.bounds.max[0], 5.0f);
    EXPECT_EQ(single.sphere.centre[1], 6.0f);
    EXPECT_EQ(single.sphere.radius, 0.0f);
}

TEST_F(MeshTest, LeavesOutTrianglesThatNameMissingVertices)
{
    const Positions positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Normals normals(3, {0, 0, 1});
    const TexCoords texCoords(3, {0, 0});
    testing::internal::CaptureStderr();
    Mesh mesh(positions, normals, texCoords, {0, 1, 2, 0, 1, 3, 2, 1, 0, 4000000000u, 0, 1, 1});
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(mesh.indices, (Indices{0, 1, 2, 2, 1, 0}));
    EXPECT_EQ(indexBufferContents(mesh), (Indices{0, 1, 2, 2, 1, 0}));
    EXPECT_NE(errors.find("left out 7 of 13 indices"), std::string::npos) << errors;

    // Every path draws what is left without touching memory outside the arrays.
    for (int mode : {0, 1, 2}) {
        RenderSettings::geometryMode = mode;
        mesh.draw();
    }

    // setIndices checks the same way; only the buffer mode refills the index buffer at once.
    testing::internal::CaptureStderr();
    RenderSettings::geometryMode = 1;
    mesh.setIndices({2, 0, 1, 7, 7, 7});
    EXPECT_EQ(mesh.indices, (Indices{2, 0, 1}));
    EXPECT_EQ(indexBufferContents(mesh), (Indices{0, 1, 2, 2, 1, 0}));
    RenderSettings::geometryMode = 0;
    mesh.setIndices({1, 2, 0});
    EXPECT_EQ(indexBufferContents(mesh), (Indices{1, 2, 0}));
    GLint bound = -1;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
}

TEST_F(MeshTest, SortTrianglesPutsTheFarthestFirstAndKeepsTiesAndWinding)
{
    // With identity matrices the sort key is the triangle's z.
    std::unique_ptr<Mesh> mesh = trianglesAtDepths({0.1f, 0.5f, 0.3f, 0.5f, -0.2f});
    RenderSettings::geometryMode = 2; // the index buffer is refilled in every mode
    mesh->sortTriangles();
    const Indices expected = {3, 4, 5, 9, 10, 11, 6, 7, 8, 0, 1, 2, 12, 13, 14};
    EXPECT_EQ(mesh->indices, expected);
    EXPECT_EQ(indexBufferContents(*mesh), expected);
    mesh->sortTriangles();
    EXPECT_EQ(mesh->indices, expected) << "sorting again for the same view changes nothing";

    // Moving the eye to the other side reverses the order; the tie keeps its order.
    glScalef(1.0f, 1.0f, -1.0f);
    mesh->sortTriangles();
    EXPECT_EQ(mesh->indices, (Indices{12, 13, 14, 0, 1, 2, 6, 7, 8, 3, 4, 5, 9, 10, 11}));
}

TEST_F(MeshTest, SortTrianglesKeepsEveryTriangleAtHugeAndInfiniteDepths)
{
    // 300 triangles at depth 1000, where adding 0.00001 no longer changes a float, and 20 whose
    // depth overflows to infinity.
    std::unique_ptr<Mesh> far = trianglesAtDepths(std::vector<float>(300, 1000.0f));
    far->sortTriangles();
    EXPECT_EQ(far->indices.size(), 900u);
    EXPECT_EQ(far->indices[0], 0u) << "ties keep their order";
    EXPECT_EQ(far->indices[899], 899u);

    std::unique_ptr<Mesh> overflow = trianglesAtDepths(std::vector<float>(20, 10.0f));
    glScalef(1.0f, 1.0f, 1.0e38f);
    overflow->sortTriangles();
    Indices sorted = overflow->indices;
    ASSERT_EQ(sorted.size(), 60u);
    std::sort(sorted.begin(), sorted.end());
    for (uint32_t i = 0; i < 60; ++i)
        EXPECT_EQ(sorted[i], i) << "every triangle is kept once";
}

TEST_F(MeshTest, DisplayListsAreReplacedReleasedAndDeletedWithTheMesh)
{
    std::unique_ptr<Mesh> mesh(makeGrid(-1, -1, 1, 1, 0));
    mesh->compile();
    const GLuint first = mesh->displayList;
    EXPECT_TRUE(mesh->listValid);
    EXPECT_TRUE(glIsList(first));
    RenderSettings::geometryMode = 2;
    mesh->compile();
    EXPECT_TRUE(mesh->listValid);
    EXPECT_FALSE(glIsList(first)) << "a recompile deletes the old list";
    mesh->release();
    EXPECT_EQ(mesh->displayList, 0u);
    EXPECT_FALSE(mesh->listValid);

    mesh->compile();
    const GLuint list = mesh->displayList;
    const GLuint vertexBuffer = mesh->vertexBuffer;
    const GLuint indexBuffer = mesh->indexBuffer;
    mesh.reset();
    EXPECT_FALSE(glIsList(list)) << "the mesh deletes the list it made";
    EXPECT_FALSE(glIsBuffer(vertexBuffer));
    EXPECT_FALSE(glIsBuffer(indexBuffer));
}

TEST_F(MeshTest, BufferPathWithoutVertexBufferSaysSoAndDrawsNothing)
{
    std::unique_ptr<Mesh> mesh(makeGrid(-1, -1, 1, 1, 0));
    PictureTarget target(32, 32);
    ASSERT_TRUE(target.complete());
    target.clear();
    const GLuint buffer = mesh->vertexBuffer;
    mesh->vertexBuffer = 0; // as if the GL had failed to make one
    testing::internal::CaptureStderr();
    glColor3f(1, 1, 1);
    mesh->drawBuffers();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Mesh error: VBO not initialized!\n");
    mesh->vertexBuffer = buffer;
    EXPECT_EQ(testsupport::countPixelsNear(target.read(), 0, 0, 0, 0), 32 * 32);
}

TEST_F(MeshTest, VertexArraysDrawRightAfterTheBufferPathLeftItsBuffersBound)
{
    LitView view;
    std::unique_ptr<Mesh> mesh(makeGrid(-1, -1, 1, 1, -3, 4));
    PictureTarget target(64, 64);
    ASSERT_TRUE(target.complete());
    glColor3f(1, 1, 1);

    target.clear();
    RenderSettings::geometryMode = 0;
    mesh->draw();
    const Picture buffers = target.read();
    EXPECT_GT(testsupport::countPixelsNear(buffers, 255, 255, 255, 0), 500);

    target.clear();
    RenderSettings::geometryMode = 1; // switched without unbinding anything
    mesh->draw();
    EXPECT_EQ(testsupport::countDifferentPixels(buffers, target.read(), 0), 0);
}
