#include "loaders/SceneXMLHandler.h"
#include "app/Globals.h"
#include "scene/Entity.h"
#include "scene/Group.h"
#include "scene/Light.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/Skybox.h"
#include "scene/Terrain.h"
#include "support/ColladaDocument.h"
#include "support/GLContext.h"
#include "support/ScratchFolder.h"
#include "support/TestImages.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace
{

// Everything a level file names, written into a scratch data directory: shaders, a 9 x 9 height
// map whose samples all differ, textures and four small models.
class SceneFile : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_FALSE(data.path().empty());
        saved = baseDirectory;
        baseDirectory = data.path();

        std::error_code error;
        std::filesystem::copy(std::string(AEROVANT_BIN_DIR) + "shader", data.path() + "shader",
                              std::filesystem::copy_options::recursive, error);
        ASSERT_FALSE(error) << error.message();

        std::filesystem::create_directories(data.path() + "levels");
        std::filesystem::create_directories(data.path() + "models");
        std::vector<uint16_t> samples(81);
        for (int j = 0; j < 9; ++j)
            for (int i = 0; i < 9; ++i)
                samples[size_t(j * 9 + i)] = uint16_t(1000 * (1 + i + 3 * j));
        testimages::writeGreyPng(data.path() + "levels/ground.png", 9, 9, samples);
        const std::vector<uint8_t> rgb(4 * 4 * 3, 128);
        for (const char* picture : {"grass", "detail", "weights", "sky"})
            testimages::writeRgbPng(data.path() + "levels/" + picture + ".png", 4, 4, rgb);
        for (const char* model : {"pylon.dae", "arrow.dae", "arrow.dae2", "box.dae"}) {
            collada::Document document;
            document.colourMaterial("red", {1, 0, 0, 1});
            collada::addQuad(document, "quad", "surface");
            document.node({"part", "", {{"quad", {{"surface", "red"}}}}, {}});
            document.write(data.path() + "models/" + model);
        }
    }
    void TearDown() override
    {
        scene.reset();
        baseDirectory = saved;
        GLTest::TearDown();
    }

    // Loads `body` as levels\test.xml; standard output and error of the load land in out and err.
    Scene* load(const std::string& body)
    {
        data.write("levels/test.xml", body);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        scene.reset(loadSceneFile("levels\\test.xml"));
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return scene.get();
    }

    static Group* group(Node* node) { return dynamic_cast<Group*>(node); }
    static Entity* entity(Node* node) { return dynamic_cast<Entity*>(node); }

    static const float* worldPosition(Node* node)
    {
        static float transform[16];
        node->getWorldTransform(transform);
        return transform + 12;
    }

    ScratchFolder data;
    std::string saved;
    std::unique_ptr<Scene> scene;
    std::string out, err;
};

const std::string levelStart =
    "<level terrain=\"levels\\ground.png\" sizeX=\"90\" sizeY=\"65.535\" sizeZ=\"90\" "
    "terrainTexture=\"levels\\grass.png\" repeatTexture=\"4\" "
    "detailTexture=\"levels\\detail.png\" detailWeights=\"levels\\weights.png\">\n";
const std::string gatesStart =
    "<gates model=\"models\\pylon.dae\" pylonDistance=\"10\" arrow=\"models\\arrow.dae\">\n";
const std::string lightPlace =
    " x=\"0\" y=\"1\" z=\"0\" w=\"0\" attenuationValue=\"1\" attenuationType=\"0\"";
const std::string noTurn = " rotateX=\"0\" rotateY=\"1\" rotateZ=\"0\" rotateAngle=\"0\" "
                           "scaleX=\"1\" scaleY=\"1\" scaleZ=\"1\"";

} // namespace

TEST_F(SceneFile, BuildsTheWholeTreeInFileOrder)
{
    Scene* s = load(
        levelStart + gatesStart +
        "  <gate posX=\"0\" posZ=\"10\" rotation=\"0\"/>\n"
        "  <gate posX=\"10\" posZ=\"20\" rotation=\"0\"/>\n"
        "</gates>\n"
        "<light id=\"1\" x=\"1\" y=\"2\" z=\"3\" w=\"0\" attenuationValue=\"0.5\" attenuationType=\"1\">"
        "<ambient r=\"0.1\" g=\"0.2\" b=\"0.3\" a=\"1\"/><diffuse r=\"0.4\" g=\"0.5\" b=\"0.6\" a=\"1\"/>"
        "<specular r=\"0.7\" g=\"0.8\" b=\"0.9\" a=\"1\"/></light>\n"
        "<sky texture=\"levels\\sky.png\" size=\"200\" posX=\"0\" posY=\"10\" posZ=\"0\"/>\n"
        "<group posX=\"5\" posY=\"3\" posZ=\"5\"" +
        noTurn +
        ">\n"
        "  <object model=\"models\\box.dae\" posX=\"1\" posY=\"4\" posZ=\"0\"" +
        noTurn +
        "/>\n"
        "  <object model=\"models\\box.dae\" posX=\"2\" posY=\"4\" posZ=\"0\"" +
        noTurn +
        "/>\n"
        "  <object model=\"models/box.dae\" posX=\"3\" posY=\"4\" posZ=\"0\"" +
        noTurn +
        "/>\n"
        "</group>\n"
        "<light id=\"2\" x=\"0\" y=\"1\" z=\"0\" w=\"1\" attenuationValue=\"0.25\" attenuationType=\"3\"/>\n"
        "</level>\n");
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, "");

    // Sky box first, then lights and groups in file order, then terrain and gates.
    ASSERT_EQ(s->children.size(), 6u);
    EXPECT_EQ(s->children[0], s->skybox);
    auto* light1 = dynamic_cast<Light*>(s->children[1]);
    Group* objects = group(s->children[2]);
    auto* light2 = dynamic_cast<Light*>(s->children[3]);
    ASSERT_TRUE(light1 && objects && light2);
    EXPECT_EQ(s->children[4], s->terrain);
    ASSERT_NE(s->gates, nullptr);
    EXPECT_EQ(s->children[5], s->gates);
    EXPECT_EQ(s->light, light2) << "the last light declared";
    EXPECT_FALSE(s->noBounds);
    EXPECT_FLOAT_EQ(s->pylonDistance, 10);
    ASSERT_TRUE(s->terrain->loaded);
    EXPECT_FLOAT_EQ(s->terrain->repeatTexture, 4);
    EXPECT_NE(s->terrain->material.texture, 0u);
    EXPECT_NE(s->skybox->texture, 0u);

    EXPECT_EQ(light1->index, 1u);
    EXPECT_FLOAT_EQ(light1->ambient[2], 0.3f); // each colour to its own channel and light setting
    EXPECT_FLOAT_EQ(light1->diffuse[0], 0.4f);
    EXPECT_FLOAT_EQ(light1->specular[1], 0.8f);
    float value = 0;
    glGetLightfv(GL_LIGHT1, GL_LINEAR_ATTENUATION, &value);
    EXPECT_FLOAT_EQ(value, 0.5f);
    // Type 3 sets no attenuation at all: GL's defaults stay.
    glGetLightfv(GL_LIGHT2, GL_CONSTANT_ATTENUATION, &value);
    EXPECT_FLOAT_EQ(value, 1);
    glGetLightfv(GL_LIGHT2, GL_LINEAR_ATTENUATION, &value);
    EXPECT_FLOAT_EQ(value, 0);
    glGetLightfv(GL_LIGHT2, GL_QUADRATIC_ATTENUATION, &value);
    EXPECT_FLOAT_EQ(value, 0);

    // One model per exact file name: two spellings of one path load it twice.
    ASSERT_EQ(objects->childCount, 3u);
    EXPECT_EQ(entity(objects->children[0])->model, entity(objects->children[1])->model);
    EXPECT_NE(entity(objects->children[0])->model, entity(objects->children[2])->model);
    EXPECT_EQ(entity(objects->children[0])->model->refCount, 2u);
    EXPECT_FLOAT_EQ(objects->children[1]->local[12], 2);
    EXPECT_FLOAT_EQ(objects->children[1]->local[13], 4 - 3) << "object heights are world heights";

    // Each gate: two pylons of the shared gate model, a visible small arrow and a hidden large one,
    // both out of the bounds and 15 units up.
    ASSERT_EQ(s->gates->childCount, 2u);
    for (Node* node : s->gates->children) {
        Group* gate = group(node);
        ASSERT_TRUE(gate);
        ASSERT_EQ(gate->childCount, 4u);
        EXPECT_EQ(entity(gate->children[0])->model, s->gateModel);
        EXPECT_EQ(entity(gate->children[1])->model, s->gateModel);
        Entity* small = entity(gate->children[2]);
        Entity* large = entity(gate->children[3]);
        EXPECT_EQ(small->model, s->arrowModel);
        EXPECT_EQ(large->model, s->arrowModel2);
        EXPECT_TRUE(small->visible && small->noBounds);
        EXPECT_TRUE(!large->visible && large->noBounds);
        EXPECT_FLOAT_EQ(small->local[13], 15);
        EXPECT_FLOAT_EQ(large->local[13], 15);
        EXPECT_FLOAT_EQ(large->local[0], 1.5f);
        EXPECT_FLOAT_EQ(large->local[10], 1.5f);
    }
    EXPECT_EQ(s->gateModel->refCount, 4u);
    EXPECT_TRUE(s->arrowModel2->loaded) << "the large arrow comes from arrow.dae2";
}

TEST_F(SceneFile, PlacesGroupsAndObjectsOnTheTerrain)
{
    Scene* s = load(levelStart + "<group posX=\"10\" posY=\"0.0005\" posZ=\"20\"" + noTurn +
                    "/>\n"
                    "<group posX=\"10\" posY=\"0.001\" posZ=\"20\"" +
                    noTurn +
                    "/>\n"
                    "<group posX=\"10\" posY=\"5\" posZ=\"20\"" +
                    noTurn +
                    ">\n"
                    "  <object model=\"models\\box.dae\" posX=\"6\" posY=\"0\" posZ=\"3\"" +
                    noTurn +
                    "/>\n"
                    "</group>\n"
                    "<gates model=\"models\\pylon.dae\" pylonDistance=\"10\" arrow=\"models\\arrow.dae\"/>\n"
                    "</level>\n");
    EXPECT_EQ(err, "");
    Terrain* terrain = s->terrain;
    const float ground = terrain->getHeight(10, 20);
    ASSERT_GT(ground, 1.0f) << "the test needs ground above 0 here";
    ASSERT_NE(terrain->getHeight(16, 23), ground);

    // No sky: slot 0 goes to the terrain.
    ASSERT_EQ(s->children.size(), 5u);
    EXPECT_EQ(s->children[0], terrain);
    EXPECT_EQ(s->children[4], s->gates);

    EXPECT_FLOAT_EQ(s->children[1]->local[13], ground) << "0.0005 counts as on the ground";
    EXPECT_FLOAT_EQ(s->children[2]->local[13], 0.001f);
    Group* raised = group(s->children[3]);
    EXPECT_FLOAT_EQ(raised->local[13], 5);
    // The object's ground is under its world position (16, 23), its local y relative to the group.
    Node* object = raised->children[0];
    EXPECT_FLOAT_EQ(object->local[13], terrain->getHeight(16, 23) - 5);
    EXPECT_FLOAT_EQ(worldPosition(object)[1], terrain->getHeight(16, 23));
}

TEST_F(SceneFile, GateTurnedNinetyDegreesHasItsPylonsOnTheZAxis)
{
    Scene* s =
        load(levelStart + gatesStart + "<gate posX=\"5\" posZ=\"-5\" rotation=\"90\"/></gates></level>");
    EXPECT_EQ(err, "");
    ASSERT_EQ(s->gates->childCount, 1u);
    Group* gate = group(s->gates->children[0]);
    Terrain* terrain = s->terrain;
    const float h = terrain->getHeight(5, -5);
    const float unrotatedLeft = terrain->getHeight(5 - 10, -5);
    ASSERT_NE(h, unrotatedLeft);
    ASSERT_NE(terrain->getHeight(5, -5 + 10), unrotatedLeft) << "the test must tell the two lookups apart";

    const float* gateCentre = worldPosition(gate);
    EXPECT_NEAR(gateCentre[0], 5, 1e-4);
    EXPECT_NEAR(gateCentre[1], h, 1e-4);
    EXPECT_NEAR(gateCentre[2], -5, 1e-4);

    const float* left = worldPosition(gate->children[0]);
    EXPECT_NEAR(left[0], 5, 1e-4);
    EXPECT_NEAR(left[2], -5 + 10, 1e-4);
    EXPECT_NEAR(left[1], unrotatedLeft, 1e-4) << "the height offset is taken at the unrotated position";
    const float* right = worldPosition(gate->children[1]);
    EXPECT_NEAR(right[0], 5, 1e-4);
    EXPECT_NEAR(right[2], -5 - 10, 1e-4);
    EXPECT_NEAR(right[1], h, 1e-4);
}

TEST_F(SceneFile, AbsentNonNumericAndUnknownAttributesAndElements)
{
    Scene* s = load(levelStart + gatesStart +
                    "</gates>\n"
                    "<!-- a comment -->some text<decoration size=\"3\"><object-like/></decoration>\n"
                    "<group posX=\"abc\" posY=\"7\" posZ=\"1e999\" rotateX=\"0\" rotateY=\"1\" rotateZ=\"0\" "
                    "rotateAngle=\"0\" scaleY=\"1\" scaleZ=\"1\"/>\n"
                    "</level>");
    EXPECT_EQ(out, "");
    EXPECT_EQ(err,
              "levels\\test.xml, line 5: attribute posZ of \"group\" is not a finite number (\"1e999\"), "
              "0 is used\n"
              "couldn't parse attribute scaleX\n");
    Group* placed = group(s->children[1]);
    ASSERT_TRUE(placed);
    EXPECT_FLOAT_EQ(placed->local[12], 0) << "not a number reads as 0";
    EXPECT_FLOAT_EQ(placed->local[13], 7);
    EXPECT_FLOAT_EQ(placed->local[14], 0);
    EXPECT_FLOAT_EQ(placed->local[0], 0) << "an absent scale factor collapses the node";
}

TEST_F(SceneFile, MalformedFileIsReportedOnStandardOutputAndKeepsWhatWasRead)
{
    Scene* s = load(levelStart + gatesStart +
                    "<gate posX=\"0\" posZ=\"10\" rotation=\"0\"/></gates>\n"
                    "<group posX=\"1\" posY=\"2\" posZ=\"3\"" +
                    noTurn +
                    "/>\n"
                    "<group posX=\"1\" <broken\n");
    EXPECT_EQ(out.rfind("Sax Parse Exception: ", 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line";
    EXPECT_EQ(err.find("Sax Parse"), std::string::npos);

    // The terrain and the course read so far are attached, so nothing leaks and the race can use them.
    EXPECT_EQ(s->children[0], s->terrain);
    ASSERT_NE(s->gates, nullptr);
    EXPECT_EQ(s->gates->parent, s);
    EXPECT_EQ(s->gates->childCount, 1u);
    EXPECT_EQ(s->childCount, 3u);
    EXPECT_FALSE(s->noBounds);

    // A missing file: the message, an empty scene.
    s = load("");
    std::filesystem::remove(data.path() + "levels/test.xml");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    scene.reset(loadSceneFile("levels\\absent.xml"));
    out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(out.rfind("Sax Parse Exception: unable to open primary document entity", 0), 0u) << out;
    EXPECT_EQ(scene->terrain, nullptr);
    EXPECT_EQ(scene->gates, nullptr);
    EXPECT_EQ(scene->childCount, 0u);
}

TEST_F(SceneFile, ElementsOutOfPlaceAreSkippedWithAMessage)
{
    glDisable(GL_LIGHT0);
    const std::string sky = "<sky texture=\"levels\\sky.png\" size=\"9\" posX=\"0\" posY=\"0\" posZ=\"0\"/>";
    const std::string gates = gatesStart.substr(0, gatesStart.size() - 1) + "</gates>";
    const std::vector<std::string> lines = {
        "<root>",
        "<group posX=\"1\" posY=\"1\" posZ=\"1\"" + noTurn + "/>", // 2: before level
        levelStart.substr(0, levelStart.size() - 1),
        "<object model=\"models\\box.dae\" posX=\"1\" posY=\"1\" posZ=\"1\"" + noTurn + "/>", // 4
        "<gate posX=\"0\" posZ=\"0\" rotation=\"0\"/>",                                // 5: before gates
        "<ambient r=\"1\" g=\"1\" b=\"1\" a=\"1\"/>",                                  // 6: before any light
        "<light" + lightPlace + "><diffuse r=\"1\" g=\"0\" b=\"0\" a=\"1\"/></light>", // 7: no id
        "<light id=\"8\"/>",
        "<light id=\"-1\"/>",
        "<light id=\"two\"/>",
        "<light id=\"3\"" + lightPlace + "><light id=\"4\"" + lightPlace + "/></light>", // 11: each once
        "<level/>",                                                                      // 12
        sky,
        sky, // 14
        gates,
        gates, // 16
        "</level>",
        sky, // 18: after the level
        "</root>",
    };
    std::string document;
    for (const std::string& line : lines)
        document += line + "\n";
    Scene* s = load(document);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "levels\\test.xml, line 2: \"group\" before \"level\" is skipped\n"
                   "levels\\test.xml, line 4: \"object\" before any \"group\" is skipped\n"
                   "levels\\test.xml, line 5: \"gate\" before \"gates\" is skipped\n"
                   "levels\\test.xml, line 6: \"ambient\" before any \"light\" is skipped\n"
                   "levels\\test.xml, line 7: \"light\" without a valid id (0 to 7) is skipped\n"
                   "levels\\test.xml, line 8: \"light\" without a valid id (0 to 7) is skipped\n"
                   "levels\\test.xml, line 9: \"light\" without a valid id (0 to 7) is skipped\n"
                   "levels\\test.xml, line 10: \"light\" without a valid id (0 to 7) is skipped\n"
                   "levels\\test.xml, line 12: a second \"level\" is skipped\n"
                   "levels\\test.xml, line 14: a second \"sky\" is skipped\n"
                   "levels\\test.xml, line 16: a second \"gates\" is skipped\n"
                   "levels\\test.xml, line 18: a second \"sky\" is skipped\n");

    // sky, light 3, light 4, terrain, gates: nothing twice, nothing from the skipped elements.
    ASSERT_EQ(s->childCount, 5u);
    EXPECT_EQ(s->children[0], s->skybox);
    ASSERT_TRUE(dynamic_cast<Light*>(s->children[1]));
    ASSERT_TRUE(dynamic_cast<Light*>(s->children[2]));
    EXPECT_EQ(dynamic_cast<Light*>(s->children[1])->index, 3u);
    EXPECT_EQ(dynamic_cast<Light*>(s->children[2])->index, 4u);
    EXPECT_EQ(s->children[3], s->terrain);
    EXPECT_EQ(s->children[4], s->gates);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0)) << "no light was made for a skipped element";
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
}

TEST_F(SceneFile, LevelWithoutGatesGetsAnEmptyCourse)
{
    Scene* s = load(levelStart + "</level>");
    EXPECT_EQ(err, "levels\\test.xml: no \"gates\": the level has no course\n");
    ASSERT_NE(s->gates, nullptr);
    EXPECT_EQ(s->gates->childCount, 0u);
    EXPECT_EQ(s->gates->parent, s);
}
