#include "scene/Model.h"

#include "app/RenderSettings.h"
#include "flight/KeyAnimation.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"

#include <memory>

using namespace testsupport;

namespace
{

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
    moving->animation = new KeyAnimation();
    moving->animation->setTranslationKey(0.0, start);
    moving->animation->setTranslationKey(2.0, end);
    moving->animated = model->animated = model->loaded = true;
    return model;
}

using ModelTest = GLTest;

} // namespace

TEST_F(ModelTest, EveryGeometryModeWithAndWithoutDisplayListsDrawsTheSamePicture)
{
    LitView view;
    PictureTarget target(128, 128);
    std::unique_ptr<Model> model = makeScenery();
    auto draw = [&](const std::string& name) {
        target.clear();
        model->draw(1.0);
        const Picture picture = target.read();
        savePicture(picture, "model-" + name);
        return picture;
    };
    const Picture reference = draw("mode0");
    EXPECT_GT(countPixelsNear(reference, 255, 0, 0, 0), 150);
    EXPECT_GT(countPixelsNear(reference, 0, 0, 255, 0), 150);
    EXPECT_EQ(colourAt(reference, 0, -1, -4), (std::vector<int>{255, 255, 0})) << "halfway at 1 s";
    EXPECT_EQ(colourAt(reference, -1, -1, -4), (std::vector<int>{0, 0, 0}));

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
    model->loaded = false;
    EXPECT_EQ(countPixelsNear(draw("not-loaded"), 0, 0, 0, 0), 128 * 128);
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
    target.clear();
    model.drawSorted(0.0);
    const Picture picture = target.read();
    savePicture(picture, "model-sorted");

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
    addPart(model, "cube", "m", -10, 0, 0);
    addPart(model, "nothing", "m", 0, 50, 0); // no vertices, no extent
    model.computeBounds();
    const AxisAlignedBB& b = model.bounds;
    EXPECT_EQ((std::vector<float>{b.min[0], b.min[1], b.min[2], b.max[0], b.max[1], b.max[2]}),
              (std::vector<float>{-11, -1, -1, 11, 1, 1}));
    // The right cube's sphere (radius r = sqrt 3) moved by 10 gets radius 10 + r; offset by that
    // radius on every axis its centre lies at (20 + r, 10 + r, 10 + r) from the model's centre.
    const float r = std::sqrt(3.0f);
    EXPECT_NEAR(model.sphere.radius, std::sqrt((20 + r) * (20 + r) + 2 * (10 + r) * (10 + r)), 1e-4f);
}

TEST_F(ModelTest, ResetAlphaPutsBackWhatSetAlphaChanged)
{
    Model model;
    Material* paint = model.materials["paint"] = makeMaterial(1, 0, 0, 1, false);
    Material* glass = model.materials["glass"] = makeMaterial(0, 0, 1, 0.3f, true);
    for (bool fromFile : {true, false}) {
        model.hasTransparency = fromFile; // the glass makes the model see-through from its file
        model.setAlpha(1.0f);
        EXPECT_EQ(glass->diffuse[3], 0.3f) << "alpha 1 changes nothing";
        model.setAlpha(0.5f);
        model.setAlpha(0.4f);
        EXPECT_TRUE(paint->diffuse[3] == 0.4f && model.hasTransparency && !paint->transparent);
        model.resetAlpha();
        EXPECT_TRUE(paint->diffuse[3] == 1.0f && glass->diffuse[3] == 0.3f);
        EXPECT_EQ(model.hasTransparency, fromFile);
    }
}
