#include "scene/Model.h"

#include "app/RenderSettings.h"
#include "flight/KeyAnimation.h"
#include "scene/Material.h"
#include "scene/Mesh.h"
#include "scene/ModelPart.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"
#include "support/OffscreenPicture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

using testsupport::LitView;
using testsupport::makeGrid;
using testsupport::Picture;
using testsupport::PictureTarget;

namespace
{

constexpr int side = 128;

Material* makeMaterial(float r, float g, float b, float a, bool transparent)
{
    const float diffuse[4] = {r, g, b, a};
    const float black[4] = {0.0f, 0.0f, 0.0f, a};
    return new Material(transparent, diffuse, black, black, 0.0f);
}

ModelPart* addPart(Model& model, const std::string& mesh, const std::string& material, float x, float y,
                   float z)
{
    ModelPart* part = new ModelPart();
    part->mesh = model.meshes.at(mesh);
    part->material = model.materials.at(material);
    part->transform[12] = x;
    part->transform[13] = y;
    part->transform[14] = z;
    model.parts.push_back(part);
    return part;
}

// Three grids in front of the eye: a red and blue checkerboard, a green one and a yellow one that
// an animation slides from (-1, -1, -4) at 0 s to (1, -1, -4) at 2 s.
std::unique_ptr<Model> makeScenery()
{
    auto model = std::make_unique<Model>();
    model->meshes["checkerGrid"] = makeGrid(-0.5f, -0.5f, 0.5f, 0.5f, 0.0f, 3);
    model->meshes["plainGrid"] = makeGrid(-0.4f, -0.3f, 0.4f, 0.3f, 0.0f, 2);
    model->meshes["movingGrid"] = makeGrid(-0.3f, -0.3f, 0.3f, 0.3f, 0.0f, 1);
    model->materials["checker"] = makeMaterial(1, 1, 1, 1, false);
    model->materials["checker"]->texture = testsupport::makeCheckerTexture({255, 0, 0}, {0, 0, 255});
    model->materials["green"] = makeMaterial(0, 1, 0, 1, false);
    model->materials["yellow"] = makeMaterial(1, 1, 0, 1, false);
    addPart(*model, "checkerGrid", "checker", -0.6f, 0.4f, -4.0f);
    addPart(*model, "plainGrid", "green", 0.7f, 0.5f, -5.0f);
    ModelPart* moving = addPart(*model, "movingGrid", "yellow", 0.0f, 0.0f, 0.0f);
    moving->animation = new KeyAnimation();
    const double start[3] = {-1.0, -1.0, -4.0};
    const double end[3] = {1.0, -1.0, -4.0};
    moving->animation->setTranslationKey(0.0, start);
    moving->animation->setTranslationKey(2.0, end);
    moving->animated = true;
    model->animated = true;
    model->loaded = true;
    return model;
}

// The window pixel that a point in front of the eye lands on under the current matrices.
std::pair<int, int> pixelOf(double x, double y, double z)
{
    double modelview[16];
    double projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx = 0, wy = 0, wz = 0;
    gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
    return {int(wx), int(wy)};
}

std::vector<int> rgbAt(const Picture& picture, std::pair<int, int> pixel)
{
    const uint8_t* p = picture.at(pixel.first, pixel.second);
    return {p[0], p[1], p[2]};
}

} // namespace

class ModelTest : public GLTest
{
};

TEST_F(ModelTest, EveryGeometryModeWithAndWithoutDisplayListsDrawsTheSamePicture)
{
    LitView view;
    std::unique_ptr<Model> model = makeScenery();
    PictureTarget target(side, side);
    ASSERT_TRUE(target.complete());

    target.clear();
    model->draw(1.0);
    const Picture reference = target.read();
    testsupport::savePicture(reference, "model-buffers");
    // What the player would see: both checker colours, the green grid, the yellow grid halfway.
    EXPECT_GT(testsupport::countPixelsNear(reference, 255, 0, 0, 2), 300);
    EXPECT_GT(testsupport::countPixelsNear(reference, 0, 0, 255, 2), 300);
    EXPECT_GT(testsupport::countPixelsNear(reference, 0, 255, 0, 2), 150);
    EXPECT_EQ(rgbAt(reference, pixelOf(0.0, -1.0, -4.0)), (std::vector<int>{255, 255, 0}));
    EXPECT_EQ(rgbAt(reference, pixelOf(-1.0, -1.0, -4.0)), (std::vector<int>{0, 0, 0}))
        << "the animation, not the static transform, places the moving part";

    const char* modeNames[3] = {"buffers", "arrays", "immediate"};
    for (bool lists : {false, true}) {
        for (int mode : {0, 1, 2}) {
            SCOPED_TRACE(std::string(modeNames[mode]) + (lists ? " with display lists" : ""));
            RenderSettings::geometryMode = mode;
            if (lists)
                model->compile();
            else
                model->release();
            target.clear();
            model->draw(1.0);
            const Picture picture = target.read();
            testsupport::savePicture(picture,
                                     std::string("model-") + modeNames[mode] + (lists ? "-lists" : ""));
            EXPECT_EQ(testsupport::countDifferentPixels(reference, picture, 2), 0);
        }
    }
    model->release();
}

TEST_F(ModelTest, CompileRecordsOnlyStaticOpaquePartsAndReleaseDropsThem)
{
    std::unique_ptr<Model> model = makeScenery();
    model->meshes["glassGrid"] = makeGrid(-1, -1, 1, 1, 0);
    model->materials["glass"] = makeMaterial(1, 1, 1, 0.5f, true);
    addPart(*model, "glassGrid", "glass", 0, 0, -3);

    model->compile();
    EXPECT_TRUE(model->meshes["checkerGrid"]->listValid);
    EXPECT_TRUE(model->meshes["plainGrid"]->listValid);
    EXPECT_FALSE(model->meshes["movingGrid"]->listValid) << "animated";
    EXPECT_FALSE(model->meshes["glassGrid"]->listValid) << "transparent";
    model->release();
    for (const auto& entry : model->meshes) {
        EXPECT_FALSE(entry.second->listValid) << entry.first;
        EXPECT_EQ(entry.second->displayList, 0u) << entry.first;
    }
}

TEST_F(ModelTest, ModelThatIsNotLoadedDrawsNothing)
{
    LitView view;
    std::unique_ptr<Model> model = makeScenery();
    model->loaded = false;
    PictureTarget target(side, side);
    target.clear();
    model->draw(0.0);
    model->drawSorted(0.0);
    EXPECT_EQ(testsupport::countPixelsNear(target.read(), 0, 0, 0, 0), side * side);
}

namespace
{

// An opaque blue grid far back, then two half-transparent grids listed nearest first: green at
// z = -3 and red at z = -5. The green part's mesh holds two triangles over each other, listed
// nearest first as well.
std::unique_ptr<Model> makeGlassModel()
{
    auto model = std::make_unique<Model>();
    model->meshes["near"] =
        new Mesh({{-1, -1, 0.5f}, {1, -1, 0.5f}, {0, 1, 0.5f}, {-1, -1, 0}, {1, -1, 0}, {0, 1, 0}},
                 std::vector<std::array<float, 3>>(6, {0, 0, 1}),
                 std::vector<std::array<float, 2>>(6, {0, 0}), {0, 1, 2, 3, 4, 5});
    model->meshes["middle"] = makeGrid(-1, -1, 1, 1, 0);
    model->meshes["back"] = makeGrid(-2, -2, 2, 2, 0);
    model->materials["green"] = makeMaterial(0, 1, 0, 0.5f, true);
    model->materials["red"] = makeMaterial(1, 0, 0, 0.5f, true);
    model->materials["blue"] = makeMaterial(0, 0, 1, 1, false);
    addPart(*model, "near", "green", 0, 0, -3.5f);
    addPart(*model, "back", "blue", 0, 0, -8);
    addPart(*model, "middle", "red", 0, 0, -5);
    model->hasTransparency = true;
    model->loaded = true;
    return model;
}

} // namespace

TEST_F(ModelTest, DrawSortedBlendsTransparentPartsFarthestFirstOverOpaqueOnes)
{
    LitView view;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    std::unique_ptr<Model> model = makeGlassModel();
    PictureTarget target(side, side);
    ASSERT_TRUE(target.complete());
    const auto centre = pixelOf(0.0, -0.3, -5.0);

    target.clear();
    model->drawSorted(0.0);
    const Picture sorted = target.read();
    testsupport::savePicture(sorted, "model-sorted");
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites) << "depth writes are back on afterwards";
    // Blue, then red at half strength, then green twice (its two triangles overlap).
    const std::vector<int> expected = {32, 191, 32};
    const std::vector<int> got = rgbAt(sorted, centre);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(got[k], expected[k], 3) << "channel " << k;
    EXPECT_EQ(model->meshes["near"]->indices, (std::vector<uint32_t>{3, 4, 5, 0, 1, 2}))
        << "the part's triangles are sorted farthest first too";

    // With transparency off the parts go in list order with depth writes on: the near glass,
    // drawn first, hides the blue and red behind it.
    RenderSettings::transparency = false;
    target.clear();
    model->drawSorted(0.0);
    const std::vector<int> unsorted = rgbAt(target.read(), centre);
    const std::vector<int> greenOnly = {0, 191, 0};
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(unsorted[k], greenOnly[k], 3) << "channel " << k;
}

TEST_F(ModelTest, DrawSortedWithOnePartIsAPlainDraw)
{
    LitView view;
    auto model = std::make_unique<Model>();
    model->meshes["pair"] = new Mesh({{-1, -1, 1}, {1, -1, 1}, {0, 1, 1}, {-1, -1, 0}, {1, -1, 0}, {0, 1, 0}},
                                     std::vector<std::array<float, 3>>(6, {0, 0, 1}),
                                     std::vector<std::array<float, 2>>(6, {0, 0}), {0, 1, 2, 3, 4, 5});
    model->materials["glass"] = makeMaterial(1, 1, 1, 0.5f, true);
    addPart(*model, "pair", "glass", 0, 0, -4);
    model->loaded = true;
    model->drawSorted(0.0);
    EXPECT_EQ(model->meshes["pair"]->indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ModelTest, BoundsCoverThePlacedMeshesAndTheSphereFollowsTheCornerRule)
{
    Model empty;
    empty.computeBounds();
    EXPECT_TRUE(empty.bounds.empty);
    EXPECT_EQ(empty.sphere.radius, 0.0f);

    Model model;
    model.meshes["cube"] = new Mesh({{-1, -1, -1}, {1, 1, 1}}, {{0, 0, 1}, {0, 0, 1}}, {{0, 0}, {0, 0}}, {});
    model.meshes["nothing"] = new Mesh({}, {}, {}, {});
    model.materials["m"] = makeMaterial(1, 1, 1, 1, false);
    addPart(model, "cube", "m", 10, 0, 0);
    addPart(model, "cube", "m", -10, 0, 0);
    addPart(model, "nothing", "m", 0, 50, 0); // no vertices: adds no extent
    model.computeBounds();
    EXPECT_FALSE(model.bounds.empty);
    EXPECT_EQ((std::vector<float>(model.bounds.min, model.bounds.min + 3)),
              (std::vector<float>{-11, -1, -1}));
    EXPECT_EQ((std::vector<float>(model.bounds.max, model.bounds.max + 3)), (std::vector<float>{11, 1, 1}));
    EXPECT_EQ((std::vector<float>(model.sphere.centre, model.sphere.centre + 3)),
              (std::vector<float>{0, 0, 0}));
    // The right cube's sphere (radius sqrt 3) moved by 10 gets radius 10 + sqrt 3 (translation
    // included); its centre offset by that radius on every axis lies at (20 + r, 10 + r, 10 + r)
    // with r = sqrt 3, measured from the model centre.
    const float r = std::sqrt(3.0f);
    const float expected = std::sqrt((20 + r) * (20 + r) + 2 * (10 + r) * (10 + r));
    EXPECT_NEAR(model.sphere.radius, expected, 1e-4f);
}

TEST_F(ModelTest, ResetAlphaPutsBackWhatSetAlphaChanged)
{
    Model model;
    model.materials["paint"] = makeMaterial(1, 0, 0, 1, false);
    model.materials["glass"] = makeMaterial(0, 0, 1, 0.3f, true);
    model.hasTransparency = true; // from the file, because of the glass

    model.setAlpha(1.0f);
    EXPECT_EQ(model.materials["glass"]->diffuse[3], 0.3f) << "alpha 1 changes nothing";
    model.setAlpha(0.5f);
    model.setAlpha(0.4f);
    EXPECT_EQ(model.materials["paint"]->diffuse[3], 0.4f);
    EXPECT_EQ(model.materials["glass"]->diffuse[3], 0.4f);
    EXPECT_TRUE(model.materials["glass"]->transparent);
    EXPECT_FALSE(model.materials["paint"]->transparent) << "the materials' own flags stay";
    model.resetAlpha();
    EXPECT_EQ(model.materials["paint"]->diffuse[3], 1.0f);
    EXPECT_EQ(model.materials["glass"]->diffuse[3], 0.3f) << "the file's opacity survives the ghost";
    EXPECT_TRUE(model.hasTransparency);

    Model opaque;
    opaque.materials["paint"] = makeMaterial(1, 0, 0, 1, false);
    opaque.setAlpha(0.5f);
    EXPECT_TRUE(opaque.hasTransparency);
    opaque.resetAlpha();
    EXPECT_FALSE(opaque.hasTransparency);
    EXPECT_EQ(opaque.materials["paint"]->diffuse[3], 1.0f);
}

TEST_F(ModelTest, DestroyingAModelDeletesItsMeshesTexturesAndAnimations)
{
    std::unique_ptr<Model> model = makeScenery();
    model->compile();
    const GLuint texture = model->materials["checker"]->texture;
    const GLuint buffer = model->meshes["checkerGrid"]->vertexBuffer;
    const GLuint list = model->meshes["checkerGrid"]->displayList;
    model.reset(); // the sanitizer build reports any part, mesh or animation left behind
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsBuffer(buffer));
    EXPECT_FALSE(glIsList(list));
}
