#include "loaders/SceneXMLHandler.h"
#include "app/Globals.h"
#include "scene/Entity.h"
#include "scene/Group.h"
#include "scene/Light.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/Skybox.h"
#include "scene/Terrain.h"
#include "support/GLContext.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace
{

// A scratch data directory with the bundled shaders and models, a 9 x 9 height map (sizeY 65.535
// makes a sample of 1000 one unit high) and one picture for every texture.
class SceneFile : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        baseDirectory = data.path();
        for (const char* folder : {"shader", "models"}) {
            std::error_code error;
            std::filesystem::copy(std::string(AEROVANT_BIN_DIR) + folder, data.path() + folder,
                                  std::filesystem::copy_options::recursive, error);
            ASSERT_FALSE(error) << error.message();
        }
        std::vector<uint16_t> samples(81);
        for (size_t k = 0; k < 81; ++k)
            samples[k] = uint16_t(1000 * (1 + k % 9 + 3 * (k / 9)));
        data.write("levels/ground.png", testimages::encodePng(9, 9, 1, 16, samples));
        data.write("levels/tex.png", testimages::encodePng(4, 4, 3, 8, std::vector<uint16_t>(48, 128)));
    }
    void TearDown() override
    {
        scene.reset();
        baseDirectory = saved;
        GLTest::TearDown();
    }

    // Loads `body` as levels\test.xml (or `file` as it is); standard output and error land in out, err.
    Scene* load(const std::string& body, const std::string& file = "levels\\test.xml")
    {
        data.write("levels/test.xml", body);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        scene.reset(loadSceneFile(file));
        out = testing::internal::GetCapturedStdout();
        err = testing::internal::GetCapturedStderr();
        return scene.get();
    }

    static const float* worldPosition(Node* node)
    {
        static float transform[16];
        return node->getWorldTransform(transform) + 12;
    }

    testsupport::ScratchDirectory data;
    std::string saved = baseDirectory, out, err;
    std::unique_ptr<Scene> scene;
};

Group* group(Node* node)
{
    return dynamic_cast<Group*>(node);
}
Entity* entity(Node* node)
{
    return dynamic_cast<Entity*>(node);
}

const std::string levelStart =
    "<level terrain=\"levels\\ground.png\" sizeX=\"90\" sizeY=\"65.535\" sizeZ=\"90\" "
    "terrainTexture=\"levels\\tex.png\" "
    "repeatTexture=\"4\" detailTexture=\"levels\\tex.png\" detailWeights=\"levels\\tex.png\">\n";
const std::string gatesStart =
    "<gates model=\"models\\pylon.dae\" pylonDistance=\"10\" arrow=\"models\\arrow.dae\">\n";
const std::string sky = "<sky texture=\"levels\\tex.png\" size=\"200\" posX=\"0\" posY=\"0\" posZ=\"0\"/>\n";

// A group or object at (x, y, z), unturned and unscaled, around `inner`. `tag` is the element's name
// with any further attributes.
std::string placed(const std::string& tag, const std::string& x, const std::string& y, const std::string& z,
                   const std::string& inner = "")
{
    return "<" + tag + " posX=\"" + x + "\" posY=\"" + y + "\" posZ=\"" + z +
           "\" rotateX=\"0\" rotateY=\"1\" rotateZ=\"0\" rotateAngle=\"0\" scaleX=\"1\" scaleY=\"1\" "
           "scaleZ=\"1\">" +
           inner + "</" + tag.substr(0, tag.find(' ')) + ">\n";
}
const std::string rock = "object model=\"models\\rock.dae\"";
std::string gate(const std::string& x, const std::string& z, const std::string& rotation = "0")
{
    return "<gate posX=\"" + x + "\" posZ=\"" + z + "\" rotation=\"" + rotation + "\"/>\n";
}

} // namespace

TEST_F(SceneFile, BuildsTheWholeTreeInFileOrder)
{
    Scene* s = load(
        levelStart + gatesStart + gate("0", "10") + gate("10", "20") + "</gates>\n" +
        "<light id=\"1\" x=\"1\" y=\"2\" z=\"3\" w=\"0\" attenuationValue=\"0.5\" attenuationType=\"1\">"
        "<ambient r=\"0.1\" g=\"0.2\" b=\"0.3\" a=\"1\"/><diffuse r=\"0.4\" g=\"0.5\" b=\"0.6\" a=\"1\"/>"
        "<specular r=\"0.7\" g=\"0.8\" b=\"0.9\" a=\"1\"/></light>\n" +
        sky +
        placed("group", "5", "3", "5",
               placed(rock, "1", "4", "0") + placed(rock, "2", "4", "0") +
                   placed("object model=\"models/rock.dae\"", "3", "4", "0")) +
        "<light id=\"2\" x=\"0\" y=\"1\" z=\"0\" w=\"1\" attenuationValue=\"0.25\" attenuationType=\"3\"/>\n"
        "</level>\n");
    EXPECT_EQ(err + out, "");

    // Sky box first, then lights and groups in file order, then terrain and gates.
    ASSERT_EQ(s->childCount, 6u);
    auto* light1 = dynamic_cast<Light*>(s->children[1]);
    Group* objects = group(s->children[2]);
    ASSERT_TRUE(light1 && objects && dynamic_cast<Light*>(s->children[3]));
    EXPECT_EQ(s->children[0], s->skybox);
    EXPECT_EQ(s->children[3], s->light) << "the last light declared";
    EXPECT_EQ(s->children[4], s->terrain);
    EXPECT_EQ(s->children[5], s->gates);
    ASSERT_TRUE(s->terrain->loaded);
    EXPECT_NE(s->terrain->material.texture, 0u);
    EXPECT_NE(s->skybox->texture, 0u);

    EXPECT_FLOAT_EQ(light1->ambient[2], 0.3f); // each colour to its own channel and light setting
    EXPECT_FLOAT_EQ(light1->diffuse[0], 0.4f);
    EXPECT_FLOAT_EQ(light1->specular[1], 0.8f);
    float value = 0;
    glGetLightfv(GL_LIGHT1, GL_LINEAR_ATTENUATION, &value);
    EXPECT_FLOAT_EQ(value, 0.5f);

    // One model per exact file name: two spellings of one path load it twice. Object heights are
    // world heights.
    ASSERT_EQ(objects->childCount, 3u);
    EXPECT_EQ(entity(objects->children[0])->model, entity(objects->children[1])->model);
    EXPECT_NE(entity(objects->children[0])->model, entity(objects->children[2])->model);
    EXPECT_FLOAT_EQ(objects->children[1]->local[13], 4 - 3);

    // Each gate: two pylons, a visible small arrow and a hidden large one 15 units up, out of bounds.
    ASSERT_EQ(s->gates->childCount, 2u);
    for (Node* node : s->gates->children) {
        ASSERT_EQ(group(node)->childCount, 4u);
        Entity* small = entity(group(node)->children[2]);
        Entity* large = entity(group(node)->children[3]);
        EXPECT_EQ(entity(group(node)->children[1])->model, s->gateModel);
        EXPECT_EQ(small->model, s->arrowModel);
        EXPECT_EQ(large->model, s->arrowModel2);
        EXPECT_TRUE(small->visible && small->noBounds && !large->visible && large->noBounds);
        EXPECT_FLOAT_EQ(large->local[13], 15);
        EXPECT_FLOAT_EQ(large->local[10], 1.5f);
    }
    EXPECT_EQ(s->gateModel->refCount, 4u);
    EXPECT_TRUE(s->arrowModel2->loaded) << "the large arrow comes from arrow.dae2";
}

TEST_F(SceneFile, GroupsAndObjectsNearHeightZeroStandOnTheTerrain)
{
    Scene* s = load(
        levelStart + placed("group", "10", "0.0005", "20") + placed("group", "10", "0.001", "20") +
        placed("group", "10", "5", "20", placed(rock, "6", "0", "3")) + gatesStart + "</gates></level>\n");
    EXPECT_EQ(err, "");
    const float ground = s->terrain->getHeight(10, 20);
    ASSERT_GT(ground, 1.0f);
    ASSERT_NE(s->terrain->getHeight(16, 23), ground);

    // No sky: slot 0 goes to the terrain.
    ASSERT_EQ(s->childCount, 5u);
    EXPECT_EQ(s->children[0], s->terrain);
    EXPECT_FLOAT_EQ(s->children[1]->local[13], ground) << "0.0005 counts as on the ground";
    EXPECT_FLOAT_EQ(s->children[2]->local[13], 0.001f);
    // The object's ground is under its world position (16, 23), its local y relative to the group.
    Node* object = group(s->children[3])->children[0];
    EXPECT_FLOAT_EQ(object->local[13], s->terrain->getHeight(16, 23) - 5);
    EXPECT_FLOAT_EQ(worldPosition(object)[1], s->terrain->getHeight(16, 23));
}

TEST_F(SceneFile, GateTurnedNinetyDegreesHasItsPylonsOnTheZAxis)
{
    Scene* s = load(levelStart + gatesStart + gate("5", "-5", "90") + "</gates></level>");
    EXPECT_EQ(err, "");
    Group* turned = group(s->gates->children[0]);
    const float h = s->terrain->getHeight(5, -5), unrotatedLeft = s->terrain->getHeight(5 - 10, -5);
    ASSERT_NE(h, unrotatedLeft);
    ASSERT_NE(s->terrain->getHeight(5, -5 + 10), unrotatedLeft) << "the test must tell the two lookups apart";
    const struct {
        Node* node;
        float x, y, z;
    } expected[] = {
        {turned, 5, h, -5}, {turned->children[0], 5, unrotatedLeft, 5}, {turned->children[1], 5, h, -15}};
    for (const auto& e : expected) {
        const float* at = worldPosition(e.node);
        EXPECT_NEAR(at[0], e.x, 1e-4);
        EXPECT_NEAR(at[1], e.y, 1e-4) << "the left pylon's height is taken at its unrotated position";
        EXPECT_NEAR(at[2], e.z, 1e-4);
    }
}

TEST_F(SceneFile, AbsentNonNumericAndUnknownAttributesAndElements)
{
    Scene* s =
        load(levelStart + "<!-- a comment -->some text<decoration size=\"3\"><object-like/></decoration>\n" +
             "<group posX=\"abc\" posY=\"7\" posZ=\"1e999\" rotateX=\"0\" rotateY=\"1\" rotateZ=\"0\" "
             "rotateAngle=\"0\" scaleY=\"1\" scaleZ=\"1\"/>\n</level>");
    EXPECT_EQ(out, "");
    EXPECT_EQ(
        err, "levels\\test.xml, line 3: attribute posZ of \"group\" is not a finite number (\"1e999\"), 0 is "
             "used\ncouldn't parse attribute scaleX\n"
             "levels\\test.xml: no \"gates\": the level has no course\n");
    Group* placed = group(s->children[1]);
    ASSERT_TRUE(placed);
    EXPECT_FLOAT_EQ(placed->local[12], 0) << "not a number reads as 0";
    EXPECT_FLOAT_EQ(placed->local[13], 7);
    EXPECT_FLOAT_EQ(placed->local[14], 0);
    EXPECT_FLOAT_EQ(placed->local[0], 0) << "an absent scale factor collapses the node";
    // Without gates the level gets an empty course.
    ASSERT_NE(s->gates, nullptr);
    EXPECT_EQ(s->gates->childCount, 0u);
    EXPECT_EQ(s->gates->parent, s);
}

TEST_F(SceneFile, MalformedFileIsReportedOnStandardOutputAndKeepsWhatWasRead)
{
    Scene* s = load(levelStart + gatesStart + gate("0", "10") + "</gates>\n" +
                    placed("group", "1", "2", "3") + "<group posX=\"1\" <broken\n");
    EXPECT_EQ(out.rfind("Sax Parse Exception: ", 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line";
    EXPECT_EQ(err, "");
    // The terrain and the course read so far are attached, so nothing leaks and the race can use them.
    ASSERT_EQ(s->childCount, 3u);
    EXPECT_EQ(s->children[0], s->terrain);
    EXPECT_EQ(s->children[2], s->gates);
    EXPECT_EQ(s->gates->childCount, 1u);

    s = load("", "levels\\absent.xml");
    EXPECT_EQ(out.rfind("Sax Parse Exception: unable to open primary document entity", 0), 0u) << out;
    EXPECT_EQ(s->terrain, nullptr);
    EXPECT_EQ(s->childCount, 0u);
}

TEST_F(SceneFile, ElementsOutOfPlaceAreSkippedWithAMessage)
{
    glDisable(GL_LIGHT0);
    const std::string light = " x=\"0\" y=\"1\" z=\"0\" w=\"0\" attenuationValue=\"1\" attenuationType=\"0\"";
    const std::string gates =
        "<gates model=\"models\\pylon.dae\" pylonDistance=\"10\" arrow=\"models\\arrow.dae\"/>\n";
    Scene* s = load("<root>\n" + placed("group", "1", "1", "1") + levelStart + placed(rock, "1", "1", "1") +
                    gate("0", "0") + "<ambient r=\"1\" g=\"1\" b=\"1\" a=\"1\"/>\n" + // line 6
                    "<light" + light +
                    "><diffuse r=\"1\" g=\"0\" b=\"0\" a=\"1\"/></light>\n" // no id
                    "<light id=\"8\"/>\n<light id=\"-1\"/>\n<light id=\"two\"/>\n" +
                    "<light id=\"3\"" + light + "><light id=\"4\"" + light + "/></light>\n" + // line 11
                    "<level/>\n" + sky + sky + gates + gates + "</level>\n" + sky + "</root>\n");
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
    EXPECT_EQ(dynamic_cast<Light*>(s->children[1])->index, 3u);
    EXPECT_EQ(dynamic_cast<Light*>(s->children[2])->index, 4u);
    EXPECT_EQ(s->children[3], s->terrain);
    EXPECT_EQ(s->children[4], s->gates);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0)) << "no light was made for a skipped element";
}
