#include "app/RaceView.h"
#include "flight/PursuitCam.h"
#include "render/RenderSettings.h"
#include "scene/Scene.h"
#include "scene/Skybox.h"
#include "support/GLContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using qorm::scenegraph::PursuitCam;

namespace
{

// Fraction of the 800 x 600 window whose red channel exceeds `threshold`.
double brightShare(int threshold)
{
    std::vector<unsigned char> pixels(800 * 600 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    int bright = 0;
    for (size_t i = 0; i < pixels.size(); i += 3)
        bright += pixels[i] > threshold;
    return double(bright) / (800 * 600);
}

} // namespace

class RaceViewTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glViewport(0, 0, 800, 600);
        double projection[16];
        testsupport::loadRaceProjection(projection);
    }
};

TEST_F(RaceViewTest, SkyTurnsWithTheCameraButDoesNotMoveWithIt)
{
    Scene scene;
    Skybox* sky = new Skybox("no-such-sky.png", 100.0f, 0.0f, 0.0f, 0.0f);
    scene.addChild(sky);
    scene.skybox = sky;

    PursuitCam camera;
    const double eye[3] = {40, 7, -12}, ahead[3] = {41, 7, -12}; // looking along +x
    std::copy(eye, eye + 3, camera.eye);
    std::copy(ahead, ahead + 3, camera.center);
    camera.dirty = true;

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderRaceView(camera, &scene, 0.0);

    // The view's rotation reaches the sky; its translation does not.
    for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10})
        EXPECT_DOUBLE_EQ(sky->rotation[i], camera.view[i]) << i;
    for (int i : {3, 7, 11, 12, 13, 14})
        EXPECT_EQ(sky->rotation[i], 0.0) << i;
    EXPECT_EQ(sky->rotation[15], 1.0);

    // The untextured cube surrounds the eye and fills the whole picture in white.
    EXPECT_GT(brightShare(200), 0.99);
}

TEST_F(RaceViewTest, LeavesTheStateTheOverlaysExpect)
{
    PursuitCam camera;
    RenderSettings::wireframe = true;
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    renderRaceView(camera, nullptr, 1.5);

    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(RenderSettings::materialShaders);
    GLint mode[2];
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);
    GLdouble modelview[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(modelview[i], (i % 5 == 0) ? 1.0 : 0.0);
    EXPECT_FALSE(camera.dirty);
}
