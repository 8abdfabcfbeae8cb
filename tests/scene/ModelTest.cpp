// Meshes, materials and models: content checks, the same picture in every geometry mode, sorted
// transparent parts and triangles, and the unique sort keys that those sorts and the transparent
// entities share.
#include "scene/Model.h"

#include "render/RenderSettings.h"
#include "scene/DepthOrder.h"
#include "scene/KeyAnimation.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"

#include <algorithm>
#include <cfloat>
#include <memory>

using namespace testsupport;

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

// A red and blue checkered square, a yellow square that an animation slides from (-1, -1, -4) at 0 s
// to (1, -1, -4) at 2 s, and a glass square behind the eye.
std::unique_ptr<Model> makeScenery()
{
    auto model = std::make_unique<Model>();
    model->meshes["checkered"] = makeQuad(-0.5f, -0.5f, 0.5f, 0.5f, 0);
    model->meshes["moving"] = makeQuad(-0.3f, -0.3f, 0.3f, 0.3f, 0);
    model->materials["checker"] = makeMaterial(1, 1, 1, 1, false);
    model->materials["checker"]->texture = makeCheckerTexture();
    model->materials["yellow"] = makeMaterial(1, 1, 0, 1, false);
    model->meshes["glass"] = makeQuad(-1, -1, 1, 1, 0);
    model->materials["glass"] = makeMaterial(1, 1, 1, 0.5f, true);
    addPart(*model, "glass", "glass", 0, 0, 5);
    addPart(*model, "checkered", "checker", -0.6f, 0.4f, -4);
    ModelPart* moving = addPart(*model, "moving", "yellow", 0, 0, 0);
    const double start[3] = {-1, -1, -4}, end[3] = {1, -1, -4};
    auto* keys = new KeyAnimation();
    keys->setTranslationKey(0.0, start);
    keys->setTranslationKey(2.0, end);
    moving->animation = keys;
    moving->animated = model->animated = model->loaded = true;
    return model;
}

using MeshTest = GLTest;
using ModelTest = GLTest;

} // namespace

TEST_F(ModelTest, EveryGeometryModeWithAndWithoutDisplayListsDrawsTheSamePicture)
{
    LitView view;
    PictureTarget target(128, 128);
    std::unique_ptr<Model> model = makeScenery();
    auto draw = [&](const std::string& name) {
        return drawPicture(target, "model-" + name, [&] { model->draw(1.0); });
    };
    const Picture reference = draw("mode0");
    EXPECT_GT(countPixelsNear(reference, 0, 0, 255, 0), 150) << "the blue of the checker texture";
    EXPECT_EQ(colourAt(reference, 0, -1, -4), (std::vector<int>{255, 255, 0})) << "halfway at 1 s";

    // The buffer path leaves its buffers bound; vertex arrays drawn next must not read offsets.
    // Lists are recorded only for the static opaque parts, and released lists are not replayed.
    Mesh* checkered = model->meshes["checkered"];
    for (bool lists : {true, false}) {
        for (int mode : {0, 1, 2}) {
            const std::string name = "mode" + std::to_string(mode) + (lists ? "-lists" : "");
            SCOPED_TRACE(name);
            RenderSettings::geometryMode = mode;
            lists ? model->compile() : model->release();
            EXPECT_EQ(checkered->listValid, lists);
            EXPECT_FALSE(model->meshes["moving"]->listValid || model->meshes["glass"]->listValid);
            EXPECT_EQ(countDifferentPixels(reference, draw(name), 2), 0);
        }
    }
    model->compile();
    const GLuint list = checkered->displayList, texture = model->materials["checker"]->texture,
                 buffer = checkered->vertexBuffer;
    model.reset(); // the sanitizer build also reports any part or animation left behind
    EXPECT_FALSE(glIsTexture(texture) || glIsBuffer(buffer) || glIsList(list));
}

TEST_F(ModelTest, DrawSortedBlendsTransparentPartsFarthestFirstOverOpaqueOnes)
{
    LitView view;
    PictureTarget target(128, 128);
    // Listed nearest first: a green glass mesh of two triangles over each other (z -3 and -3.5), an
    // opaque blue grid far back, a red glass grid in between.
    Model model;
    Mesh* glass = model.meshes["near"] =
        new Mesh({{-1, -1, 0.5f}, {1, -1, 0.5f}, {0, 1, 0.5f}, {-1, -1, 0}, {1, -1, 0}, {0, 1, 0}},
                 std::vector<std::array<float, 3>>(6, {0, 0, 1}), std::vector<std::array<float, 2>>(6),
                 {0, 1, 2, 3, 4, 5});
    model.meshes["middle"] = makeQuad(-1, -1, 1, 1, 0);
    model.meshes["back"] = makeQuad(-2, -2, 2, 2, 0);
    model.materials["green"] = makeMaterial(0, 1, 0, 0.5f, true);
    model.materials["red"] = makeMaterial(1, 0, 0, 0.5f, true);
    model.materials["blue"] = makeMaterial(0, 0, 1, 1, false);
    addPart(model, "near", "green", 0, 0, -3.5f);
    addPart(model, "back", "blue", 0, 0, -8);
    addPart(model, "middle", "red", 0, 0, -5);
    model.loaded = model.hasTransparency = true;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const Picture picture = drawPicture(target, "model-sorted", [&] { model.drawSorted(0.0); });
    const std::vector<int> sorted = colourAt(picture, 0, -0.3, -5), expected = {32, 191, 32};
    for (int k = 0; k < 3; ++k) // blue, red at half strength, each green triangle at half strength
        EXPECT_NEAR(sorted[k], expected[k], 3) << "channel " << k;
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites) << "depth writes are back on afterwards";
    EXPECT_EQ(glass->indices, (std::vector<uint32_t>{3, 4, 5, 0, 1, 2})) << "its triangles sorted too";
}

TEST_F(ModelTest, BoundsCoverThePlacedMeshesAndTheSphereFollowsTheCornerRule)
{
    Model model;
    model.meshes["cube"] = new Mesh({{-1, -1, -1}, {1, 1, 1}}, {{0, 0, 1}, {0, 0, 1}}, {{0, 0}, {0, 0}}, {});
    model.meshes["nothing"] = new Mesh({}, {}, {}, {});
    model.materials["m"] = makeMaterial(1, 1, 1, 1, false);
    addPart(model, "cube", "m", 10, 0, 0);
    addPart(model, "nothing", "m", 0, 50, 0); // no vertices, no extent
    model.computeBounds();
    EXPECT_EQ(corners(model.bounds), (std::vector<float>{9, -1, -1, 11, 1, 1}))
        << "the empty mesh adds nothing";
    // The cube's sphere (radius r = sqrt 3) moved by 10 gets radius 10 + r, offset by that radius
    // on every axis from the model's centre (10, 0, 0).
    EXPECT_FLOAT_EQ(model.sphere.radius, (10 + std::sqrt(3.0f)) * std::sqrt(3.0f));
}

TEST_F(ModelTest, ResetAlphaPutsBackWhatSetAlphaChanged)
{
    Model model;
    Material* paint = model.materials["paint"] = makeMaterial(1, 0, 0, 1, false);
    Material* glass = model.materials["glass"] = makeMaterial(0, 0, 1, 0.3f, true);
    for (bool fromFile : {true, false}) {
        model.hasTransparency = fromFile; // the glass makes the model see-through from its file
        model.setAlpha(1.0f);             // changes nothing
        model.setAlpha(0.5f);
        model.setAlpha(0.4f);
        EXPECT_TRUE(paint->diffuse[3] == 0.4f && glass->diffuse[3] == 0.4f && model.hasTransparency);
        model.resetAlpha();
        EXPECT_TRUE(paint->diffuse[3] == 1.0f && glass->diffuse[3] == 0.3f);
        EXPECT_EQ(model.hasTransparency, fromFile);
    }
}

// Colours, lighting and textures of materials are checked in the pictures above.
TEST_F(ModelTest, MaterialsClampShininessAndTakeChangedFilters)
{
    LitView view; // puts back the lighting and texturing the material switches on
    const float white[4] = {1, 1, 1, 1};
    Material material(false, white, white, white, 500.0f); // GL refuses exponents above 128
    material.texture = makeCheckerTexture();
    RenderSettings::mipmapMode = 2;
    RenderSettings::updateFilters();
    GLint minFilter[2] = {};
    for (GLint& filter : minFilter) { // filters are re-applied only in the frame they change
        material.apply();
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        RenderSettings::filterChanged = true;
    }
    float shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_TRUE(shininess == 128 && minFilter[0] == GL_NEAREST && minFilter[1] == GL_LINEAR) << shininess;
}

TEST(DepthOrder, EqualDepthsAtAnyMagnitudeKeepEveryEntryAndNaNSortsAsInfinity)
{
    // A NaN left as it is would break the sort's ordering (std::sort may then read past the end).
    for (float depth : {0.0f, 300.0f, 1.0e7f, -5.0e20f, FLT_MAX, infinity, std::nanf("")}) {
        SCOPED_TRACE(depth);
        std::vector<DepthEntry> entries;
        for (uint32_t i = 0; i < 60; ++i)
            entries.push_back({sortableDepth(i % 3 ? depth : -FLT_MAX), (i * 37) % 60});
        sortFarthestFirst(entries);
        std::vector<bool> seen(60);
        for (size_t i = 0; i < entries.size(); ++i) {
            seen[entries[i].position] = true;
            if (i < 40) {
                EXPECT_EQ(entries[i].depth, std::isnan(depth) ? infinity : depth);
            }
            if (i > 0 && entries[i].depth == entries[i - 1].depth) {
                EXPECT_LT(entries[i - 1].position, entries[i].position);
            }
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 60);
    }
}

TEST_F(MeshTest, KeepsOnlyWholeTrianglesOfItsVertices)
{
    testing::internal::CaptureStderr();
    Mesh mesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {9, 9, 9}}, std::vector<std::array<float, 3>>(3, {0, 0, 1}),
              std::vector<std::array<float, 2>>(4), {0, 1, 2, 0, 1, 3, 2, 1, 0, 4000000000u, 0, 1, 1});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("left out 7 of 13 indices"), std::string::npos);
    EXPECT_EQ(indexBuffer(mesh), (Indices{0, 1, 2, 2, 1, 0})) << "three vertices: the fewest attributes win";
    Mesh empty({}, {}, {}, {});
    mesh.setIndices({2, 0, 1, 7, 7, 7}); // checked the same way
    EXPECT_EQ(indexBuffer(mesh), (Indices{2, 0, 1})) << "refilled at once in buffer mode";
    for (int mode : {0, 1, 2}) { // nothing outside the arrays is read; empty arrays are fine
        RenderSettings::geometryMode = mode;
        mesh.draw();
        empty.draw();
    }
}

TEST_F(MeshTest, SortTrianglesPutsTheFarthestFirstAndKeepsEveryTriangle)
{
    RenderSettings::geometryMode = 2; // the index buffer is refilled in every mode
    // Identity matrices: the sort key is the triangle's z.
    std::unique_ptr<Mesh> mesh = trianglesAtDepths({0.1f, 0.5f, 0.3f, 0.5f, -0.2f});
    mesh->sortTriangles();
    mesh->sortTriangles(); // sorting again for the same view changes nothing
    EXPECT_EQ(indexBuffer(*mesh), (Indices{3, 4, 5, 9, 10, 11, 6, 7, 8, 0, 1, 2, 12, 13, 14}))
        << "ties keep their order, triangles their winding";
    glScalef(1, 1, 1.0e36f); // 300 equal depths, and depths that overflow to infinity
    for (float depth : {1.0f, 1000.0f}) {
        mesh = trianglesAtDepths(std::vector<float>(300, depth));
        mesh->sortTriangles();
        Indices sorted = mesh->indices;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, trianglesAtDepths(std::vector<float>(300, 0))->indices) << "each kept once";
    }
    glLoadIdentity();
}
