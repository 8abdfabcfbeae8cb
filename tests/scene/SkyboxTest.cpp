#include "scene/Skybox.h"

#include "support/GLContext.h"
#include "support/OffscreenTarget.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include "render/MatrixMath.h"
#include "render/RenderSettings.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

namespace
{

using Colour = std::array<int, 3>;
// The sky picture's 4 x 2 cells: top half bottom view, top view, two unused; bottom half the side
// views +z, +x, -z, -x.
const Colour bottom{255, 0, 255}, top{0, 255, 255}, unused{90, 90, 90};
const Colour plusZ{255, 0, 0}, plusX{0, 255, 0}, minusZ{0, 0, 255}, minusX{255, 255, 0};

// Clears `target` to black, draws the sky and tells whether the pixel at (x, y) (from the bottom
// left; the centre by default) shows `colour`.
::testing::AssertionResult shows(const testsupport::OffscreenTarget& target, Skybox& sky,
                                 const Colour& colour, int x = 80, int y = 60)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    sky.render(0, nullptr);
    const testsupport::Rgba p = target.pixel(x, y);
    if (std::abs(p.r - colour[0]) + std::abs(p.g - colour[1]) + std::abs(p.b - colour[2]) <= 30)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel is (" << p.r << ", " << p.g << ", " << p.b << ")";
}

using SkyboxTest = GLTest;

} // namespace

// Drawn into 160 x 120 pixels through a 60-degree projection from the origin; the sky picture has
// one pixel per cell, drawn with the nearest filter.
TEST_F(SkyboxTest, TurnsWithTheCameraOnlyAndDrawsUnlitWithoutDepthWrites)
{
    testsupport::ScratchDirectory scratch;
    std::vector<uint8_t> rgb;
    for (const Colour& cell : {bottom, top, unused, unused, plusZ, plusX, minusZ, minusX})
        rgb.insert(rgb.end(), cell.begin(), cell.end());
    ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "sky.png", 4, 2, rgb));
    RenderSettings::minFilter = RenderSettings::magFilter = GL_NEAREST;
    RenderSettings::filterChanged = true;
    const testsupport::OffscreenTarget target(160, 120);
    target.bind();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 160.0 / 120.0, 1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);

    // Neither a moved camera (the modelview) nor a moved node changes the picture; nor does the
    // light, since the sky is drawn unlit.
    Skybox sky(scratch.path() + "sky.png", 100, 0, 0, 0);
    glLoadIdentity();
    glTranslatef(300, -40, 25);
    sky.translate(10, 20, 30);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_TEXTURE_2D);
    EXPECT_TRUE(shows(target, sky, minusZ));
    // The cleared depth is untouched, so anything drawn later shows in front of the sky, and depth
    // writes are on again afterwards.
    float depth = 0;
    glReadPixels(80, 60, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depth == 1 && depthMask);

    // The camera's rotation turns the view: yaw about y, then pitch about x.
    using std::cos, std::sin;
    for (const auto& [yawDegrees, pitchDegrees, colour] :
         {std::tuple{90, 0, plusX}, {180, 0, plusZ}, {-90, 0, minusX}, {0, -90, top}, {0, 90, bottom}}) {
        const double y = yawDegrees * M_PI / 180, x = pitchDegrees * M_PI / 180;
        const double yaw[16] = {cos(y), 0, -sin(y), 0, 0, 1, 0, 0, sin(y), 0, cos(y), 0, 0, 0, 0, 1};
        const double pitch[16] = {1, 0, 0, 0, 0, cos(x), sin(x), 0, 0, -sin(x), cos(x), 0, 0, 0, 0, 1};
        multMatrix(pitch, yaw, sky.rotation);
        EXPECT_TRUE(shows(target, sky, colour)) << "yaw " << yawDegrees << " pitch " << pitchDegrees;
    }

    // Lowered by 30, the front face's top edge lies 20 units up at 50 units away, inside the view.
    Skybox lowered(scratch.path() + "sky.png", 100, 0, -30, 0);
    EXPECT_TRUE(shows(target, lowered, top, 80, 117));
    EXPECT_TRUE(shows(target, lowered, minusZ));
    for (GLenum state : {GL_DEPTH_TEST, GL_TEXTURE_2D, GL_LIGHTING, GL_LIGHT0})
        glDisable(state);
    target.unbind();
}
