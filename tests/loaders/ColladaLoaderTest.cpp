#include "loaders/ColladaLoader.h"

#include "support/ColladaDocument.h"
#include "support/GLContext.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include "flight/KeyAnimation.h"
#include "scene/Material.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/ModelPart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

namespace
{

using collada::Document;
using collada::Instance;
using collada::Node;
using collada::PolygonSet;

// Models are written to <scratch>/models/ and loaded as the game does: data directory plus a
// relative path with backslashes.
class ColladaLoaderTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_FALSE(scratch.path().empty());
        std::filesystem::create_directories(scratch.path() + "models/tex");
    }

    std::unique_ptr<Model> load(const Document& document, const std::string& name = "thing.dae")
    {
        EXPECT_TRUE(document.write(scratch.path() + "models/" + name));
        return std::unique_ptr<Model>(loadModel(scratch.path(), "models\\" + name));
    }

    // Loads while capturing standard error into `messages`.
    std::unique_ptr<Model> loadCapturing(const std::string& fileName, std::string& messages)
    {
        testing::internal::CaptureStderr();
        std::unique_ptr<Model> model(loadModel(scratch.path(), fileName));
        messages = testing::internal::GetCapturedStderr();
        return model;
    }

    testsupport::ScratchDirectory scratch;
};

Node placed(const std::string& id, const std::string& transforms, std::vector<Instance> instances,
            std::vector<Node> children = {})
{
    return Node{id, transforms, std::move(instances), std::move(children)};
}

void expectColour(const float actual[4], std::initializer_list<float> expected, const char* what)
{
    const float* e = expected.begin();
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(actual[k], e[k], 1e-5) << what << " component " << k;
}

} // namespace

TEST_F(ColladaLoaderTest, MaterialsKeepColoursOpacityAndIdsFromTheFile)
{
    Document document;
    document.colourMaterial("paint", {0.8, 0.1, 0.2, 1}, {0.1, 0.2, 0.3, 1}, {0.5, 0.6, 0.7, 1}, 24, "Shiny")
        .colourMaterial("paint2", {0.1, 0.9, 0.1, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, 8, "Shiny")
        .transparentMaterial("glass", "A_ONE", {1, 1, 1, 0.25}, 0.8)
        .transparentMaterial("smoke", "RGB_ZERO", {0.5, 0.5, 0.5, 1}, 1)
        .transparentMaterial("clear", "A_ONE", {0, 0, 0, 1}, 1)
        .shaderMaterial("custom");
    collada::addQuad(document, "quad", "surface");
    document.node(placed("n", "", {{"quad", {{"surface", "paint"}}}}));
    const auto model = load(document);
    ASSERT_TRUE(model->loaded);

    // Keyed by id, also when two materials share a name; one per material of the library.
    ASSERT_EQ(model->materials.size(), 6u);
    for (const char* id : {"paint", "paint2", "glass", "smoke", "clear", "custom"})
        ASSERT_TRUE(model->materials.count(id)) << id;

    const Material& paint = *model->materials["paint"];
    expectColour(paint.diffuse, {0.8f, 0.1f, 0.2f, 1}, "diffuse");
    expectColour(paint.ambient, {0.1f, 0.2f, 0.3f, 1}, "ambient");
    expectColour(paint.specular, {0.5f, 0.6f, 0.7f, 1}, "specular");
    EXPECT_FLOAT_EQ(paint.shininess, 24);
    EXPECT_FALSE(paint.transparent);
    EXPECT_EQ(paint.texture, 0u);
    expectColour(model->materials["paint2"]->diffuse, {0.1f, 0.9f, 0.1f, 1}, "second Shiny");

    // A_ONE: the transparent colour's alpha times the factor; RGB_ZERO: one minus the average of
    // its red, green and blue times the factor. The opacity becomes the alpha of all three colours.
    const Material& glass = *model->materials["glass"];
    EXPECT_NEAR(glass.diffuse[3], 0.2, 1e-5);
    EXPECT_NEAR(glass.ambient[3], 0.2, 1e-5);
    EXPECT_NEAR(glass.specular[3], 0.2, 1e-5);
    EXPECT_NEAR(glass.diffuse[2], 0.8, 1e-5);
    EXPECT_TRUE(glass.transparent);
    EXPECT_NEAR(model->materials["smoke"]->diffuse[3], 0.5, 1e-5);
    EXPECT_TRUE(model->materials["smoke"]->transparent);
    EXPECT_FALSE(model->materials["clear"]->transparent);
    EXPECT_TRUE(model->hasTransparency);

    // Only a shader profile: plain white, no shine, opaque.
    const Material& custom = *model->materials["custom"];
    expectColour(custom.diffuse, {1, 1, 1, 1}, "custom diffuse");
    expectColour(custom.ambient, {1, 1, 1, 1}, "custom ambient");
    EXPECT_EQ(custom.shininess, 0);
    EXPECT_FALSE(custom.transparent);

    // An opaque file leaves hasTransparency clear.
    Document opaque;
    opaque.colourMaterial("paint", {1, 0, 0, 1});
    collada::addQuad(opaque, "quad", "s");
    opaque.node(placed("n", "", {{"quad", {{"s", "paint"}}}}));
    EXPECT_FALSE(load(opaque, "opaque.dae")->hasTransparency);
}

TEST_F(ColladaLoaderTest, GeometryBecomesPartsBreadthFirstWithWorldTransforms)
{
    Document document;
    document.upAxis = "Z_UP"; // neither the up axis nor the unit is applied
    document.meter = 0.01;
    document.colourMaterial("red", {1, 0, 0, 1}).colourMaterial("blue", {0, 0, 1, 1});
    collada::addQuad(document, "quad", "s");
    // Two polygon sets, one of them a pentagon, without normals or texture coordinates.
    PolygonSet triangle{"triangles", "first", {}, {0, 1, 2}};
    PolygonSet pentagon{"polylist", "second", {5}, {3, 4, 5, 6, 7}};
    document.geometry("shape", {0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0, 0, 4, 0, 0, 4, 2, 0, 3, 3, 0, 2, 2, 0}, {},
                      {}, {triangle, pentagon});
    // "pair" (1, 2, 3) inside "parent" (10, 0, 0) shows two instances; "other" is parent's sibling.
    document.node(
        placed("parent", "<translate>10 0 0</translate>", {},
               {placed("pair", "<translate>1 2 3</translate>",
                       {{"quad", {{"s", "red"}}}, {"shape", {{"first", "red"}, {"second", "blue"}}}})}));
    document.node(placed("other", "<scale>2 2 2</scale>", {{"quad", {{"s", "blue"}}}}));
    const auto model = load(document);
    ASSERT_TRUE(model->loaded);
    ASSERT_EQ(model->parts.size(), 4u);
    const auto& parts = model->parts;

    // Breadth first: "other" (depth 1) before the three parts of "pair" (depth 2), in instance and
    // polygon-set order, each with the material bound to its set.
    EXPECT_FLOAT_EQ(parts[0]->transform[0], 2);
    EXPECT_EQ(parts[0]->material, model->materials["blue"]);
    for (size_t k = 1; k < 4; ++k) {
        const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 11, 2, 3, 1};
        for (int e = 0; e < 16; ++e)
            EXPECT_FLOAT_EQ(parts[k]->transform[e], expected[e]) << "part " << k << " element " << e;
    }
    EXPECT_EQ(parts[1]->material, model->materials["red"]);
    EXPECT_EQ(parts[2]->material, model->materials["red"]);
    EXPECT_EQ(parts[3]->material, model->materials["blue"]);
    EXPECT_TRUE(model->meshes.count("shape") && model->meshes.count("shape#2"));

    // Shared vertices: one index addresses position, normal and texture coordinate alike; the file
    // gives (s, t) = (x, y) for the quad, and t comes out flipped.
    const Mesh& quad = *parts[1]->mesh;
    EXPECT_EQ(quad.indices.size(), 6u);
    ASSERT_EQ(quad.vertices.size(), 4u);
    for (const Vertex& v : quad.vertices) {
        EXPECT_FLOAT_EQ(v.s, v.x);
        EXPECT_FLOAT_EQ(v.t, 1 - v.y);
        EXPECT_FLOAT_EQ(v.nz, 1);
    }
    // Polygons are triangulated and missing normals generated (facing z for this flat shape).
    EXPECT_EQ(parts[2]->mesh->indices.size(), 3u);
    EXPECT_EQ(parts[3]->mesh->indices.size(), 9u);
    for (const Vertex& v : parts[3]->mesh->vertices) {
        EXPECT_NEAR(std::fabs(v.nz), 1, 1e-5);
        EXPECT_FLOAT_EQ(v.t, 1);
    }
    EXPECT_FALSE(model->animated);
    EXPECT_EQ(parts[1]->animation, nullptr);

    // Bounds over the placed parts: the scaled quad (0..2, 0..2, 0) and the pentagon reaching
    // (15, 5, 3).
    EXPECT_FLOAT_EQ(model->bounds.min[0], 0);
    EXPECT_FLOAT_EQ(model->bounds.max[0], 15);
    EXPECT_FLOAT_EQ(model->bounds.max[1], 5);
    EXPECT_FLOAT_EQ(model->bounds.max[2], 3);
    EXPECT_FLOAT_EQ(model->sphere.centre[0], 7.5f);
}

TEST_F(ColladaLoaderTest, AnimatedNodesGiveEachPartItsOwnKeyAnimation)
{
    Document document;
    document.colourMaterial("red", {1, 0, 0, 1}).colourMaterial("blue", {0, 0, 1, 1});
    collada::addQuad(document, "quad", "s");
    document.node(placed("spinner",
                         "<translate sid=\"loc\">0 0 0</translate><rotate sid=\"spin\">0 1 0 0</rotate>"
                         "<scale sid=\"size\">1 1 1</scale>",
                         {{"quad", {{"s", "red"}}}, {"quad", {{"s", "blue"}}}}));
    document.node(placed("still", "<translate>5 0 0</translate>", {{"quad", {{"s", "red"}}}}));
    document.animation("move", "spinner/loc", {0, 2}, {0, 0, 0, 4, 0, 0}, 3)
        .animation("turn", "spinner/spin.ANGLE", {0, 1}, {0, 90}, 1)
        .animation("grow", "spinner/size", {0, 2}, {1, 1, 1, 2, 2, 2}, 3);
    const auto model = load(document);
    ASSERT_TRUE(model->loaded);
    EXPECT_TRUE(model->animated);
    ASSERT_EQ(model->parts.size(), 3u);

    const ModelPart& first = *model->parts[0];
    const ModelPart& second = *model->parts[1];
    ASSERT_TRUE(first.animated);
    ASSERT_TRUE(second.animated);
    ASSERT_NE(first.animation, nullptr);
    EXPECT_NE(first.animation, second.animation) << "each part owns its animation";
    EXPECT_FALSE(model->parts[2]->animated);
    EXPECT_EQ(model->parts[2]->animation, nullptr);

    // Keys in seconds, rotation as a unit quaternion from the angle in degrees.
    const KeyAnimation& animation = *first.animation;
    EXPECT_DOUBLE_EQ(animation.endTime, 2);
    ASSERT_TRUE(animation.translationKeys.count(2.0));
    EXPECT_NEAR(animation.translationKeys.at(2.0)[0], 4, 1e-6);
    ASSERT_TRUE(animation.rotationKeys.count(1.0));
    const auto& q = animation.rotationKeys.at(1.0);
    EXPECT_NEAR(q[0], std::sqrt(0.5), 1e-6);
    EXPECT_NEAR(q[2], std::sqrt(0.5), 1e-6);
    ASSERT_TRUE(animation.scaleKeys.count(2.0));
    EXPECT_NEAR(animation.scaleKeys.at(2.0)[1], 2, 1e-6);

    // At 1 s: moved to (2, 0, 0), turned 90 degrees about y, scaled 1.5: the point (1, 0, 0) lands
    // at (2, 0, -1.5).
    double m[16];
    animation.evaluate(m, 1.0);
    EXPECT_NEAR(m[0] + m[12], 2, 1e-6);
    EXPECT_NEAR(m[1] + m[13], 0, 1e-6);
    EXPECT_NEAR(m[2] + m[14], -1.5, 1e-6);
}

TEST_F(ColladaLoaderTest, TexturesLoadRelativeToTheModelFile)
{
    const std::vector<uint8_t> pixels(4 * 4 * 3, 200);
    ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "models/tex/skin.png", 4, 4, pixels));
    ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "models/decal.png", 4, 4, pixels));
    Document document;
    document.texturedMaterial("skin", "tex/skin.png")
        .texturedMaterial("decal", "file:///C:/Users/artist/decal.png")
        .texturedMaterial("lost", "tex/lost.png");
    collada::addQuad(document, "quad", "s");
    document.node(placed("n", "", {{"quad", {{"s", "skin"}}}}));
    ASSERT_TRUE(document.write(scratch.path() + "models/thing.dae"));

    std::string messages;
    const auto model = loadCapturing("models\\thing.dae", messages);
    ASSERT_TRUE(model->loaded);
    EXPECT_NE(model->materials["skin"]->texture, 0u);
    expectColour(model->materials["skin"]->diffuse, {1, 1, 1, 1}, "textured diffuse");
    // A path from the artist's own disk is looked up next to the model.
    EXPECT_NE(model->materials["decal"]->texture, 0u);
    // A missing image is the texture loader's message; the material stays white and untextured.
    EXPECT_EQ(model->materials["lost"]->texture, 0u);
    expectColour(model->materials["lost"]->diffuse, {1, 1, 1, 1}, "lost diffuse");
    EXPECT_NE(messages.find("couldn't open texture file"), std::string::npos) << messages;
    EXPECT_NE(messages.find("lost.png"), std::string::npos) << messages;
    EXPECT_EQ(messages.find("skin.png"), std::string::npos) << messages;
}

TEST_F(ColladaLoaderTest, OnlyColladaIsReadWhateverTheFileName)
{
    // The large arrow's file ends in ".dae2"; every load makes a model of its own.
    Document document;
    document.colourMaterial("red", {1, 0, 0, 1});
    collada::addQuad(document, "quad", "s");
    document.node(placed("n", "", {{"quad", {{"s", "red"}}}}));
    const auto first = load(document, "arrow.dae2");
    const std::unique_ptr<Model> second(loadModel(scratch.path(), "models\\arrow.dae2"));
    ASSERT_TRUE(first->loaded && second->loaded);
    EXPECT_NE(first->materials["red"], second->materials["red"]);
    EXPECT_NE(first->meshes["quad"], second->meshes["quad"]);

    testimages::writeFile(scratch.path() + "models/broken.dae", "<COLLADA><library_geometries>");
    // A Wavefront file is readable by other importers, never by ours.
    testimages::writeFile(scratch.path() + "models/mesh.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    for (const char* name : {"models\\missing.dae", "models\\broken.dae", "models\\mesh.obj"}) {
        SCOPED_TRACE(name);
        std::string messages;
        const auto model = loadCapturing(name, messages);
        ASSERT_NE(model, nullptr);
        EXPECT_FALSE(model->loaded);
        EXPECT_TRUE(model->parts.empty());
        EXPECT_TRUE(model->meshes.empty());
        EXPECT_TRUE(model->materials.empty());
        EXPECT_EQ(model->refCount, 0u);
        EXPECT_EQ(messages.rfind(std::string("error occured while loading model ") + name + "\n", 0), 0u)
            << messages;
        EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 2) << messages;
    }
}
