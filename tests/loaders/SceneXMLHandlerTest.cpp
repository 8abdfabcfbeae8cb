#include "loaders/SceneXMLHandler.h"
#include "render/Globals.h"
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

#include <cmath>
#include <filesystem>
#include <memory>
#include <tuple>
#include <vector>

namespace
{

// A scratch data directory with the bundled shaders and models, a 9 x 9 height map over 90 x 90
// units whose samples give heights 1 + i + 3 j at column i, row j, and one picture for every texture.
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
        data.write("levels/test.xml", "");
        testimages::writeGreyPng(data.path() + "levels/ground.png", 9, 9, samples);
        testimages::writeRgbPng(data.path() + "levels/t.png", 4, 4, std::vector<uint8_t>(48, 128));
    }
    ~SceneFile() override { baseDirectory = saved; }

    // Loads `body` as levels\test.xml (or loads `file` instead); standard output and error land in
    // out and err.
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

    testsupport::ScratchDirectory data;
    std::string saved = baseDirectory, out, err;
    std::unique_ptr<Scene> scene;
};

Group* group(Node* node)
{
    return dynamic_cast<Group*>(node);
}

// The level element spans two lines of a file.
const std::string level = R"(<level terrain="levels\ground.png" sizeX="90" sizeY="65.535" sizeZ="90"
 terrainTexture="levels\t.png" detailTexture="levels\t.png" detailWeights="levels\t.png" repeatTexture="4">
)";
const std::string gates = R"(<gates model="models\pylon.dae" pylonDistance="10" arrow="models\arrow.dae">)"
                          "\n";
const std::string sky = R"(<sky texture="levels\t.png" size="200" posX="0" posY="0" posZ="0"/>)"
                        "\n";
const std::string rock = R"(object model="models\rock.dae")";

// A group or object at (x, y, z), unturned and unscaled, around `inner`; `tag` is the element's
// name with any further attributes.
std::string placed(const std::string& tag, const char* x, const char* y, const char* z,
                   const std::string& inner = "")
{
    return "<" + tag + " posX=\"" + x + "\" posY=\"" + y + "\" posZ=\"" + z +
           R"(" rotateX="0" rotateY="1" rotateZ="0" rotateAngle="0" scaleX="1" scaleY="1" scaleZ="1">)" +
           inner + "</" + tag.substr(0, tag.find(' ')) + ">\n";
}

std::string gate(const char* x, const char* z, const char* rotation = "0")
{
    return std::string("<gate posX=\"") + x + "\" posZ=\"" + z + "\" rotation=\"" + rotation + "\"/>\n";
}

} // namespace

TEST_F(SceneFile, BuildsTheWholeTreeInFileOrder)
{
    Scene* s = load(
        level + gates + gate("0", "10") + gate("5", "-5", "90") + "</gates>\n" +
        "<light id=\"1\" x=\"1\" y=\"2\" z=\"3\" w=\"0\" attenuationValue=\"0.5\" attenuationType=\"1\">"
        "<ambient r=\"0.1\" g=\"0.2\" b=\"0.3\" a=\"1\"/><diffuse r=\"0.4\" g=\"0.5\" b=\"0.6\" a=\"1\"/>"
        "<specular r=\"0.7\" g=\"0.8\" b=\"0.9\" a=\"1\"/></light>\n" +
        sky +
        placed("group", "5", "3", "5",
               placed(rock, "1", "4", "0") + placed(rock, "2", "4", "0") +
                   placed("object model=\"models/rock.dae\"", "3", "4", "0")) +
        "<light id=\"2\" x=\"0\" y=\"1\" z=\"0\" w=\"1\" attenuationValue=\"1\" attenuationType=\"3\"/>\n"
        "</level>\n");
    EXPECT_EQ(err + out, "");

    // Sky box first, then lights and groups in file order, then terrain and gates.
    ASSERT_EQ(s->childCount, 6u);
    auto* light = dynamic_cast<Light*>(s->children[1]);
    Group* objects = group(s->children[2]);
    ASSERT_TRUE(light && objects);
    EXPECT_EQ(s->children, (std::vector<Node*>{s->skybox, light, objects, s->light, s->terrain, s->gates}));
    EXPECT_TRUE(s->terrain->loaded && s->skybox->texture && s->terrain->material.texture);
    EXPECT_EQ(std::vector<float>({light->ambient[2], light->diffuse[0], light->specular[1]}),
              std::vector<float>({0.3f, 0.4f, 0.8f}))
        << "each colour to its own channel and light setting";

    // One model per exact file name: two spellings of one path load it twice. Object heights are
    // world heights.
    ASSERT_EQ(objects->childCount, 3u);
    const auto model = [&](int k) { return dynamic_cast<Entity*>(objects->children[size_t(k)])->model; };
    EXPECT_TRUE(model(0) == model(1) && model(1) != model(2));
    EXPECT_FLOAT_EQ(objects->children[1]->local[13], 4 - 3);

    // Each gate: two pylons, a visible small arrow and a hidden large one (from arrow.dae2) 15 units
    // up, both out of the bounds. The gate turned 90 degrees at (5, -5) has its pylons 10 units along
    // z; the left one's ground offset is taken at its unrotated position.
    ASSERT_EQ(s->gates->childCount, 2u);
    Group* turned = group(s->gates->children[1]);
    ASSERT_EQ(turned->childCount, 4u);
    auto* small = dynamic_cast<Entity*>(turned->children[2]);
    auto* large = dynamic_cast<Entity*>(turned->children[3]);
    EXPECT_TRUE(s->gateModel->refCount == 4 && small->model == s->arrowModel &&
                large->model == s->arrowModel2);
    EXPECT_TRUE(s->arrowModel2->loaded && small->visible && small->noBounds && !large->visible &&
                large->noBounds);
    EXPECT_EQ(std::vector<float>({large->local[10], large->local[13]}), std::vector<float>({1.5f, 15}));
    const float h = s->terrain->getHeight(5, -5), unrotatedLeft = s->terrain->getHeight(-5, -5);
    ASSERT_TRUE(h != unrotatedLeft && s->terrain->getHeight(5, 5) != unrotatedLeft);
    for (const auto& [node, x, y, z] : {std::tuple{static_cast<Node*>(turned), 5.0f, h, -5.0f},
                                        {turned->children[0], 5.0f, unrotatedLeft, 5.0f},
                                        {turned->children[1], 5.0f, h, -15.0f}}) {
        float at[16];
        node->getWorldTransform(at);
        EXPECT_TRUE(std::fabs(at[12] - x) + std::fabs(at[13] - y) + std::fabs(at[14] - z) < 1e-3)
            << at[12] << ", " << at[13] << ", " << at[14];
    }
}

TEST_F(SceneFile, PlacesNearZeroOnTheGroundAndToleratesOddAttributesAndElements)
{
    Scene* s = load(level + placed("group", "10", "0.0005", "20") + placed("group", "10", "0.001", "20") +
                    placed("group", "10", "5", "20", placed(rock, "6", "0", "3")) +
                    R"(<!-- a comment -->some text<decoration size="3"><object-like/></decoration>
<group posX="abc" posY="7" posZ="1e999" rotateX="0" rotateY="1" rotateZ="0" rotateAngle="0"
 scaleY="1" scaleZ="1"/></level>)");
    EXPECT_EQ(out + err,
              "levels\\test.xml, line 9: attribute posZ of \"group\" is not a finite number (\"1e999\"), "
              "0 is used\ncouldn't parse attribute scaleX\n"
              "levels\\test.xml: no \"gates\": the level has no course\n");

    // No sky: slot 0 goes to the terrain. Without gates the level gets an empty course.
    ASSERT_EQ(s->childCount, 6u);
    EXPECT_TRUE(s->children[0] == s->terrain && s->children[5] == s->gates && s->gates->childCount == 0);
    const float ground = s->terrain->getHeight(10, 20);
    ASSERT_GT(ground, 1.0f);
    EXPECT_FLOAT_EQ(s->children[1]->local[13], ground) << "0.0005 counts as on the ground";
    EXPECT_FLOAT_EQ(s->children[2]->local[13], 0.001f);
    // The object's ground is under its world position (16, 23), its local y relative to the group.
    Node* object = group(s->children[3])->children[0];
    ASSERT_NE(s->terrain->getHeight(16, 23), ground);
    EXPECT_FLOAT_EQ(object->local[13], s->terrain->getHeight(16, 23) - 5);
    float world[16];
    EXPECT_FLOAT_EQ(object->getWorldTransform(world)[13], s->terrain->getHeight(16, 23));
    // Not a number reads as 0, and an absent scale factor collapses the node.
    const float* odd = group(s->children[4])->local;
    EXPECT_EQ(std::vector<float>({odd[12], odd[13], odd[14], odd[0]}), std::vector<float>({0, 7, 0, 0}));
}

TEST_F(SceneFile, ElementsOutOfPlaceAreSkippedAndMalformedXmlIsReportedOnStandardOutput)
{
    glDisable(GL_LIGHT0);
    const std::string at = R"( x="0" y="1" z="0" w="0" attenuationValue="1" attenuationType="0")";
    Scene* s = load("<root>\n" + placed("group", "1", "1", "1") + level + placed(rock, "1", "1", "1") +
                    gate("0", "0") + R"(<ambient r="1" g="1" b="1" a="1"/>)" + "\n<light" + at +
                    R"(><diffuse r="1" g="0" b="0" a="1"/></light>)" + "\n" + R"(<light id="8"/>)" + "\n" +
                    R"(<light id="-1"/>)" + "\n" + R"(<light id="two"/>)" + "\n" + R"(<light id="3")" + at +
                    R"(><light id="4")" + at + "/></light>\n<level/>\n" + sky + sky + gates +
                    gate("0", "10") + "</gates>\n" + gates + R"(<group posX="1" <broken)");
    const std::string line = "levels\\test.xml, line ",
                      badLight = ": \"light\" without a valid id (0 to 7) is skipped\n";
    EXPECT_EQ(err, line + "2: \"group\" before \"level\" is skipped\n" + line +
                       "5: \"object\" before any \"group\" is skipped\n" + line +
                       "6: \"gate\" before \"gates\" is skipped\n" + line +
                       "7: \"ambient\" before any \"light\" is skipped\n" + line + "8" + badLight + line +
                       "9" + badLight + line + "10" + badLight + line + "11" + badLight + line +
                       "13: a second \"level\" is skipped\n" + line + "15: a second \"sky\" is skipped\n" +
                       line + "19: a second \"gates\" is skipped\n");
    // The broken tag: one line on standard output.
    EXPECT_EQ(out.rfind("Sax Parse Exception: ", 0), 0u) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;

    // sky, light 3, light 4, terrain, gates: nothing twice, nothing from the skipped elements, and
    // what was read before the error is attached, so nothing leaks and the race can use it.
    ASSERT_EQ(s->childCount, 5u);
    EXPECT_TRUE(s->children[0] == s->skybox && s->children[3] == s->terrain && s->children[4] == s->gates);
    const auto index = [&](size_t k) { return dynamic_cast<Light*>(s->children[k])->index; };
    EXPECT_TRUE(index(1) == 3 && index(2) == 4 && s->gates->childCount == 1);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0)) << "no light was made for a skipped element";

    s = load("", "levels\\absent.xml");
    EXPECT_EQ(out.rfind("Sax Parse Exception: unable to open primary document entity", 0), 0u) << out;
    EXPECT_TRUE(s->terrain == nullptr && s->childCount == 0);
}
