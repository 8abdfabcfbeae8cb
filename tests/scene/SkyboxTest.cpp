#include "scene/Skybox.h"

#include "support/GLContext.h"
#include "support/OffscreenTarget.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include "scene/MatrixMath.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>

namespace
{

using Colour = std::array<int, 3>;
// The sky picture's 4 x 2 cells: top half bottom view, top view, two unused; bottom half the side
// views +z, +x, -z, -x.
const Colour bottom{255, 0, 255}, top{0, 255, 255}, unused{90, 90, 90}, white{255, 255, 255};
const Colour plusZ{255, 0, 0}, plusX{0, 255, 0}, minusZ{0, 0, 255}, minusX{255, 255, 0};

// Draws into a 160 x 120 target through a 60-degree projection, the camera at the origin.
class SkyboxTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        const Colour cells[8] = {bottom, top, unused, unused, plusZ, plusX, minusZ, minusX};
        std::vector<uint8_t> rgb;
        for (int p = 0; p < 64 * 32; ++p)
            rgb.insert(rgb.end(), cells[p / 1024 * 4 + p % 64 / 16].begin(),
                       cells[p / 1024 * 4 + p % 64 / 16].end());
        ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "sky.png", 64, 32, rgb));
        target = std::make_unique<testsupport::OffscreenTarget>(160, 120);
        target->bind();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60, 160.0 / 120.0, 1, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_DEPTH_TEST);
    }
    void TearDown() override
    {
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        if (target)
            target->unbind();
        target.reset();
        GLTest::TearDown();
    }

    // Clears to black, draws the sky and tells whether the pixel at (x, y) (from the bottom left;
    // the centre by default) shows `colour`.
    ::testing::AssertionResult shows(Skybox& sky, const Colour& colour, int x = 80, int y = 60) const
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        sky.render(0, nullptr);
        const testsupport::Rgba p = target->pixel(x, y);
        if (std::abs(p.r - colour[0]) + std::abs(p.g - colour[1]) + std::abs(p.b - colour[2]) <= 30)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "pixel is (" << p.r << ", " << p.g << ", " << p.b << ")";
    }

    testsupport::ScratchDirectory scratch;
    std::unique_ptr<testsupport::OffscreenTarget> target; // made once the context exists
};

} // namespace

TEST_F(SkyboxTest, TurnsWithTheCameraButNeverMovesWithIt)
{
    Skybox sky(scratch.path() + "sky.png", 100, 0, 0, 0);
    ASSERT_NE(sky.texture, 0u);
    // Neither a moved camera (the modelview) nor a moved node changes the picture.
    glTranslatef(300, -40, 25);
    sky.translate(10, 20, 30);
    EXPECT_TRUE(shows(sky, minusZ));
    target->snapshot("sky-ahead");

    // The camera's rotation turns the view: yaw about y, then pitch about x.
    const struct {
        double yaw, pitch;
        Colour colour;
    } views[] = {{90, 0, plusX}, {180, 0, plusZ}, {-90, 0, minusX}, {0, -90, top}, {0, 90, bottom}};
    using std::cos, std::sin;
    for (const auto& view : views) {
        const double y = view.yaw * M_PI / 180, x = view.pitch * M_PI / 180;
        const double yaw[16] = {cos(y), 0, -sin(y), 0, 0, 1, 0, 0, sin(y), 0, cos(y), 0, 0, 0, 0, 1};
        const double pitch[16] = {1, 0, 0, 0, 0, cos(x), sin(x), 0, 0, -sin(x), cos(x), 0, 0, 0, 0, 1};
        multMatrix(pitch, yaw, sky.rotation);
        EXPECT_TRUE(shows(sky, view.colour)) << "yaw " << view.yaw << " pitch " << view.pitch;
    }
}

TEST_F(SkyboxTest, DrawsUnlitWithoutDepthWritesAndOffsetByItsPosition)
{
    // Lowered by 30, the front face's top edge lies 20 units up at 50 units away, inside the view.
    // A dark light would change the colours if lighting took part.
    Skybox lowered(scratch.path() + "sky.png", 100, 0, -30, 0);
    const float dark[4] = {0.1f, 0.1f, 0.1f, 1}, bright[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, dark);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_TEXTURE_2D);
    EXPECT_TRUE(shows(lowered, top, 80, 117));
    EXPECT_TRUE(shows(lowered, minusZ));
    glLightfv(GL_LIGHT0, GL_DIFFUSE, bright);
    target->snapshot("sky-lowered");

    // The cleared depth is untouched, so anything drawn later shows in front of the sky, and depth
    // writes are on again afterwards.
    float depth = 0;
    glReadPixels(80, 60, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);

    // A missing image leaves the cube white.
    testing::internal::CaptureStderr();
    Skybox missing(scratch.path() + "no-sky.png", 100, 0, 0, 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no-sky.png"), std::string::npos);
    EXPECT_TRUE(shows(missing, white));
}
