#include "scene/Model.h"

#include "app/RenderSettings.h"
#include "flight/KeyAnimation.h"
#include "scene/Material.h"
#include "scene/ModelPart.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"
#include "support/OffscreenPicture.h"

#include <memory>

using testsupport::makeGrid;

namespace
{

constexpr int side = 128;

Material* makeMaterial(float r, float g, float b, float a, bool transparent)
{
    const float diffuse[4] = {r, g, b, a}, black[4] = {0, 0, 0, a};
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

// A red and blue checkered grid, a green grid, and a yellow grid that an animation slides from
// (-1, -1, -4) at 0 s to (1, -1, -4) at 2 s.
std::unique_ptr<Model> makeScenery()
{
    auto model = std::make_unique<Model>();
    model->meshes["checkered"] = makeGrid(-0.5f, -0.5f, 0.5f, 0.5f, 0, 3);
    model->meshes["plain"] = makeGrid(-0.4f, -0.3f, 0.4f, 0.3f, 0, 2);
    model->meshes["moving"] = makeGrid(-0.3f, -0.3f, 0.3f, 0.3f, 0);
    model->materials["checker"] = makeMaterial(1, 1, 1, 1, false);
    model->materials["checker"]->texture = testsupport::makeCheckerTexture();
    model->materials["green"] = makeMaterial(0, 1, 0, 1, false);
    model->materials["yellow"] = makeMaterial(1, 1, 0, 1, false);
    addPart(*model, "checkered", "checker", -0.6f, 0.4f, -4);
    addPart(*model, "plain", "green", 0.7f, 0.5f, -5);
    ModelPart* moving = addPart(*model, "moving", "yellow", 0, 0, 0);
    const double start[3] = {-1, -1, -4}, end[3] = {1, -1, -4};
    moving->animation = new KeyAnimation();
    moving->animation->setTranslationKey(0.0, start);
    moving->animation->setTranslationKey(2.0, end);
    moving->animated = model->animated = model->loaded = true;
    return model;
}

// The colour at the pixel that a point in front of the eye lands on.
std::vector<int> colourAt(const testsupport::Picture& picture, double x, double y, double z)
{
    double modelview[16], projection[16], wx, wy, wz;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
    const uint8_t* p = picture.at(int(wx), int(wy));
    return {p[0], p[1], p[2]};
}

using ModelTest = GLTest;

} // namespace

TEST_F(ModelTest, EveryGeometryModeWithAndWithoutDisplayListsDrawsTheSamePicture)
{
    testsupport::LitView view;
    testsupport::PictureTarget target(side, side);
    std::unique_ptr<Model> model = makeScenery();
    target.clear();
    model->draw(1.0);
    const testsupport::Picture reference = target.read();
    testsupport::savePicture(reference, "model-buffers");
    EXPECT_GT(testsupport::countPixelsNear(reference, 255, 0, 0, 0), 300);
    EXPECT_GT(testsupport::countPixelsNear(reference, 0, 0, 255, 0), 300);
    EXPECT_GT(testsupport::countPixelsNear(reference, 0, 255, 0, 0), 150);
    EXPECT_EQ(colourAt(reference, 0, -1, -4), (std::vector<int>{255, 255, 0})) << "halfway at 1 s";
    EXPECT_EQ(colourAt(reference, -1, -1, -4), (std::vector<int>{0, 0, 0}));

    // The buffer path leaves its buffers bound; vertex arrays drawn next must not read offsets.
    const char* names[3] = {"buffers", "arrays", "immediate"};
    for (bool lists : {false, true}) {
        for (int mode : {0, 1, 2}) {
            SCOPED_TRACE(std::string(names[mode]) + (lists ? " with display lists" : ""));
            RenderSettings::geometryMode = mode;
            lists ? model->compile() : model->release();
            target.clear();
            model->draw(1.0);
            const testsupport::Picture picture = target.read();
            testsupport::savePicture(picture, std::string("model-") + names[mode] + (lists ? "-lists" : ""));
            EXPECT_EQ(testsupport::countDifferentPixels(reference, picture, 2), 0);
        }
    }

    model->loaded = false;
    target.clear();
    model->draw(1.0);
    model->drawSorted(1.0);
    EXPECT_EQ(testsupport::countPixelsNear(target.read(), 0, 0, 0, 0), side * side)
        << "a model not loaded draws nothing";
}

TEST_F(ModelTest, DrawSortedBlendsTransparentPartsFarthestFirstOverOpaqueOnes)
{
    testsupport::LitView view;
    testsupport::PictureTarget target(side, side);
    // Listed nearest first: a green glass mesh of two triangles over each other (z -3 and -3.5), an
    // opaque blue grid far back, a red glass grid in between.
    auto model = std::make_unique<Model>();
    model->meshes["near"] =
        new Mesh({{-1, -1, 0.5f}, {1, -1, 0.5f}, {0, 1, 0.5f}, {-1, -1, 0}, {1, -1, 0}, {0, 1, 0}},
                 std::vector<std::array<float, 3>>(6, {0, 0, 1}), std::vector<std::array<float, 2>>(6),
                 {0, 1, 2, 3, 4, 5});
    model->meshes["middle"] = makeGrid(-1, -1, 1, 1, 0);
    model->meshes["back"] = makeGrid(-2, -2, 2, 2, 0);
    model->materials["green"] = makeMaterial(0, 1, 0, 0.5f, true);
    model->materials["red"] = makeMaterial(1, 0, 0, 0.5f, true);
    model->materials["blue"] = makeMaterial(0, 0, 1, 1, false);
    addPart(*model, "near", "green", 0, 0, -3.5f);
    addPart(*model, "back", "blue", 0, 0, -8);
    addPart(*model, "middle", "red", 0, 0, -5);
    model->loaded = model->hasTransparency = true;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    target.clear();
    model->drawSorted(0.0);
    const testsupport::Picture picture = target.read();
    testsupport::savePicture(picture, "model-sorted");
    // Blue, then red at half strength, then each green triangle at half strength.
    const std::vector<int> sorted = colourAt(picture, 0, -0.3, -5);
    const std::vector<int> expected = {32, 191, 32};
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(sorted[k], expected[k], 3) << "channel " << k;
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites) << "depth writes are back on afterwards";
    EXPECT_EQ(model->meshes["near"]->indices, (std::vector<uint32_t>{3, 4, 5, 0, 1, 2}))
        << "the part's own triangles are sorted farthest first too";

    // With transparency off the parts go in list order with depth writes on: the near glass hides
    // everything behind it.
    RenderSettings::transparency = false;
    target.clear();
    model->drawSorted(0.0);
    const std::vector<int> unsorted = colourAt(target.read(), 0, -0.3, -5);
    EXPECT_NEAR(unsorted[0], 0, 3);
    EXPECT_NEAR(unsorted[2], 0, 3);

    // A model of one part is drawn plainly: its triangles keep their order.
    RenderSettings::transparency = true;
    for (size_t i = 1; i < model->parts.size(); ++i)
        delete model->parts[i];
    model->parts.resize(1);
    model->meshes["near"]->setIndices({0, 1, 2, 3, 4, 5});
    model->drawSorted(0.0);
    EXPECT_EQ(model->meshes["near"]->indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
}

TEST_F(ModelTest, BoundsCoverThePlacedMeshesAndTheSphereFollowsTheCornerRule)
{
    Model model;
    model.computeBounds();
    EXPECT_TRUE(model.bounds.empty);
    EXPECT_EQ(model.sphere.radius, 0.0f);
    model.meshes["cube"] = new Mesh({{-1, -1, -1}, {1, 1, 1}}, {{0, 0, 1}, {0, 0, 1}}, {{0, 0}, {0, 0}}, {});
    model.meshes["nothing"] = new Mesh({}, {}, {}, {});
    model.materials["m"] = makeMaterial(1, 1, 1, 1, false);
    addPart(model, "cube", "m", 10, 0, 0);
    addPart(model, "cube", "m", -10, 0, 0);
    addPart(model, "nothing", "m", 0, 50, 0); // no vertices, no extent
    model.computeBounds();
    EXPECT_EQ((std::vector<float>(model.bounds.min, model.bounds.min + 3)),
              (std::vector<float>{-11, -1, -1}));
    EXPECT_EQ((std::vector<float>(model.bounds.max, model.bounds.max + 3)), (std::vector<float>{11, 1, 1}));
    // The right cube's sphere (radius r = sqrt 3) moved by 10 gets radius 10 + r; offset by that
    // radius on every axis its centre lies at (20 + r, 10 + r, 10 + r) from the model's centre.
    const float r = std::sqrt(3.0f);
    EXPECT_NEAR(model.sphere.radius, std::sqrt((20 + r) * (20 + r) + 2 * (10 + r) * (10 + r)), 1e-4f);
}

TEST_F(ModelTest, ResetAlphaPutsBackWhatSetAlphaChanged)
{
    Model model;
    model.materials["paint"] = makeMaterial(1, 0, 0, 1, false);
    model.materials["glass"] = makeMaterial(0, 0, 1, 0.3f, true);
    model.hasTransparency = true; // the glass is see-through in the file
    model.setAlpha(1.0f);
    EXPECT_EQ(model.materials["glass"]->diffuse[3], 0.3f) << "alpha 1 changes nothing";
    model.setAlpha(0.5f);
    model.setAlpha(0.4f);
    EXPECT_EQ(model.materials["paint"]->diffuse[3], 0.4f);
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
}

TEST_F(ModelTest, ListsCoverStaticOpaquePartsAndDieWithTheModel)
{
    std::unique_ptr<Model> model = makeScenery();
    model->meshes["glass"] = makeGrid(-1, -1, 1, 1, 0);
    model->materials["glass"] = makeMaterial(1, 1, 1, 0.5f, true);
    addPart(*model, "glass", "glass", 0, 0, -3);
    model->compile();
    EXPECT_TRUE(model->meshes["checkered"]->listValid && model->meshes["plain"]->listValid);
    EXPECT_FALSE(model->meshes["moving"]->listValid) << "animated";
    EXPECT_FALSE(model->meshes["glass"]->listValid) << "transparent";
    GLuint list = model->meshes["plain"]->displayList;
    model->release();
    EXPECT_FALSE(model->meshes["plain"]->listValid || model->meshes["checkered"]->displayList ||
                 glIsList(list));

    model->compile();
    list = model->meshes["plain"]->displayList;
    const GLuint texture = model->materials["checker"]->texture;
    const GLuint buffer = model->meshes["plain"]->vertexBuffer;
    model.reset(); // the sanitizer build also reports any part or animation left behind
    EXPECT_FALSE(glIsTexture(texture) || glIsBuffer(buffer) || glIsList(list));
}
