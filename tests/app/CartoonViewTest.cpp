// The cartoon race view on a bundled level: which pass draws what, the shadow map with and without
// culling against the light's box, and the pictures (shadows, outlines, repeatable frames).
#include "app/RaceView.h"

#include "flight/Airplane.h"
#include "flight/PursuitCam.h"
#include "loaders/ColladaLoader.h"
#include "loaders/SceneXMLHandler.h"
#include "render/Globals.h"
#include "render/RenderSettings.h"
#include "render/ShadingState.h"
#include "scene/Light.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/Terrain.h"
#include "shading/CgCartoon.h"
#include "shading/CgDepth.h"
#include "shading/CgOutline.h"
#include "shading/ShadowMapRenderer.h"
#include "support/GLContext.h"
#include "support/OffscreenTarget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using qorm::scenegraph::PursuitCam;
using testsupport::OffscreenTarget;

namespace
{

const std::string data = AEROVANT_BIN_DIR;

int luminance(const testsupport::Rgba& p)
{
    return (p.r * 3 + p.g * 6 + p.b) / 10;
}

} // namespace

class CartoonViewTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        RenderSettings::restoreDefaults();
        savedDirectory = baseDirectory;
        baseDirectory = data;
        savedCartoon = cartoonShader;
        cartoon = new CgCartoon(data);
        cartoonShader = cartoon;
        shadowMap = new ShadowMapRenderer(data);
        scene = loadSceneFile("levels\\meadow.xml");
        airplane = loadModel(data, "models\\airplane.dae");
        windowWidth = 800;
        windowHeight = 600;
        // The airplane on the runway at the start, the camera behind it as the game places it.
        ground = scene->terrain ? scene->terrain->getHeight(0, 0) : 0.0f;
        for (int i = 0; i < 16; ++i)
            pose[i] = i % 5 == 0 ? 1.0 : 0.0;
        pose[13] = ground + (airplane->bounds.max[1] - airplane->bounds.min[1]) * 0.5;
        double position[3] = {0, pose[13], 0}, up[3] = {0, 1, 0}, nose[3] = {0, 0, 1};
        camera.follow(position, up, nose, 2.0);
        actors.airplane = [this](double t) { qorm::scenegraph::drawAirplaneModel(airplane, pose, t); };
        glEnable(GL_DEPTH_TEST);
        glClearColor(0.5f, 0.5f, 0.5f, 1);
    }
    void TearDown() override
    {
        delete scene;
        delete airplane;
        delete shadowMap;
        cartoonShader = savedCartoon;
        delete cartoon;
        baseDirectory = savedDirectory;
        RenderSettings::restoreDefaults();
        glClearColor(0, 0, 0, 0);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D); // the sky leaves texturing on
        glBindTexture(GL_TEXTURE_2D, 0);
        GLTest::TearDown();
    }

    void draw(OffscreenTarget& target)
    {
        target.bind();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        camera.dirty = true;
        renderRaceView(camera, scene, 0.0, actors, shadowMap);
        glFinish();
        target.unbind();
    }

    std::vector<float> shadowTexels()
    {
        std::vector<float> texels(size_t(shadowMap->shadowSize) * size_t(shadowMap->shadowSize) * 4);
        glBindTexture(GL_TEXTURE_2D, shadowMap->shadowTexture);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return texels;
    }

    std::string savedDirectory;
    CgShader* savedCartoon = nullptr;
    CgCartoon* cartoon = nullptr;
    ShadowMapRenderer* shadowMap = nullptr;
    Scene* scene = nullptr;
    Model* airplane = nullptr;
    float ground = 0;
    double pose[16];
    PursuitCam camera{PursuitCam::Pursuit};
    RaceActors actors;
};

TEST_F(CartoonViewTest, EachPassDrawsWhatItShould)
{
    ASSERT_TRUE(cartoonPathActive(shadowMap));
    std::vector<std::string> airplanePasses, ghostPasses;
    auto pass = [this] {
        if (RenderSettings::overrideShader == shadowMap->depthShader)
            return std::string("shadow");
        if (RenderSettings::overrideShader == shadowMap->outlineShader)
            return std::string("outline");
        return std::string(RenderSettings::materialShaders ? "final" : "other");
    };
    actors.airplane = [&](double) { airplanePasses.push_back(pass()); };
    actors.ghosts = [&](double) { ghostPasses.push_back(pass()); };
    OffscreenTarget target(800, 600);

    camera.mode = PursuitCam::Cockpit;
    draw(target);
    EXPECT_EQ(airplanePasses, (std::vector<std::string>{"shadow", "final"}));
    EXPECT_EQ(ghostPasses, (std::vector<std::string>{"outline", "final"}));
    EXPECT_EQ(camera.mode, PursuitCam::Cockpit);

    airplanePasses.clear();
    camera.mode = PursuitCam::Pursuit;
    draw(target);
    EXPECT_EQ(airplanePasses, (std::vector<std::string>{"shadow", "outline", "final"}));
}

TEST_F(CartoonViewTest, CullingAgainstTheLightBoxLeavesTheShadowMapAsItIsAndFollowsTheWindowSize)
{
    OffscreenTarget target(800, 600);
    // A camera up and to the side sees scenery the light box only partly covers.
    const double eye[3] = {60, 30, -40}, centre[3] = {0, 0, 120};
    std::copy(eye, eye + 3, camera.eye);
    std::copy(centre, centre + 3, camera.center);
    RenderSettings::frustumCulling = false;
    draw(target);
    const std::vector<float> unculled = shadowTexels();
    RenderSettings::frustumCulling = true;
    draw(target);
    const std::vector<float> culled = shadowTexels();
    size_t drawn = 0;
    for (size_t i = 3; i < unculled.size(); i += 4)
        drawn += unculled[i] > 0.5f;
    EXPECT_GT(drawn, unculled.size() / 4 / 100) << "the map holds something";
    EXPECT_TRUE(culled == unculled);

    // The camera's culling planes come from the projection of the window's size.
    windowWidth = 400;
    draw(target);
    EXPECT_NEAR(shadowMap->cameraProjection[5] / shadowMap->cameraProjection[0], 400.0 / 600.0, 1e-9);
    double clip[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            clip[c * 4 + r] = 0;
            for (int k = 0; k < 4; ++k)
                clip[c * 4 + r] += shadowMap->cameraProjection[k * 4 + r] * camera.view[c * 4 + k];
        }
    FrustumPlanes planes;
    extractPlanes(clip, planes);
    for (int p = 0; p < 6; ++p)
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(planes[p][k], camera.frustumPlanes[p][k], 1e-9);
}

TEST_F(CartoonViewTest, StartPictureHasShadowsOutlinesAndRepeats)
{
    OffscreenTarget first(800, 600);
    OffscreenTarget second(800, 600);
    draw(first);
    draw(second);
    first.snapshot("cartoon-start");
    EXPECT_TRUE(first.read() == second.read()) << "a still camera draws the same frame twice";

    // The airplane's shadow: the runway next to it is darker than without the airplane in the map.
    const auto withShadow = first.read();
    auto drawnAirplane = actors.airplane;
    actors.airplane = [&](double t) {
        if (RenderSettings::overrideShader != shadowMap->depthShader)
            drawnAirplane(t);
    };
    OffscreenTarget unshadowed(800, 600);
    draw(unshadowed);
    const auto withoutShadow = unshadowed.read();
    int darker = 0;
    for (size_t i = 0; i < withShadow.size(); i += 4)
        darker += withShadow[i] + 20 < withoutShadow[i];
    // About 1,750 pixels: the wing's shadow beside and behind the wheels.
    EXPECT_GT(darker, 1200) << "pixels darkened by the airplane's shadow";
    actors.airplane = drawnAirplane;

    // The airplane against the sky is outlined: coming down from the top of the picture, the light
    // sky gives way to a dark line before the fin's own colours.
    auto firstDark = [&](int x, int y, int dx, int dy) {
        for (int i = 0; i < 400; ++i, x += dx, y += dy) {
            if (x < 0 || y < 0 || x >= 800 || y >= 600)
                return false;
            const int l = luminance(first.pixel(x, y));
            if (l < 60)
                return true;
            if (l < 150)
                return false; // reached something neither sky nor outline
        }
        return false;
    };
    EXPECT_TRUE(firstDark(400, 599, 0, -1)) << "above the fin";
}

TEST_F(CartoonViewTest, OverheadAndPositionalLightsDrawPlainColours)
{
    OffscreenTarget target(800, 600);
    ASSERT_NE(scene->light, nullptr);
    scene->light->setPosition(0, 1, 0, 0);
    draw(target);
    EXPECT_TRUE(shadowMap->hasLight);
    for (float value : shadowTextureMatrix)
        EXPECT_TRUE(std::isfinite(value));
    target.snapshot("cartoon-overhead");

    // With only a positional light (and no directional one before) nothing is in shadow.
    ShadowMapRenderer fresh(data);
    scene->light->setPosition(50, 100, 50, 1);
    ShadowMapRenderer* kept = shadowMap;
    shadowMap = &fresh;
    draw(target);
    shadowMap = kept;
    EXPECT_FALSE(fresh.hasLight);
    for (float value : fresh.shadowBase)
        EXPECT_EQ(value, 0.0f);
    // A picture, not darkness: the sky and the lit ground show.
    int bright = 0;
    const auto pixels = target.read();
    for (size_t i = 0; i < pixels.size(); i += 4)
        bright += pixels[i] + pixels[i + 1] + pixels[i + 2] > 200;
    EXPECT_GT(bright, 800 * 600 / 2);
}
