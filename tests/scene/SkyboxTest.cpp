#include "scene/Skybox.h"

#include "support/GLContext.h"
#include "support/OffscreenTarget.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include "app/RenderSettings.h"
#include "scene/BoundingSphere.h"
#include "scene/Material.h"
#include "scene/MatrixMath.h"
#include "scene/Mesh.h"
#include "shading/CgCartoon.h"

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
const Colour bottom{255, 0, 255}, top{0, 255, 255}, unused{90, 90, 90};
const Colour plusZ{255, 0, 0}, plusX{0, 255, 0}, minusZ{0, 0, 255}, minusX{255, 255, 0}, white{255, 255, 255};

class SkyboxTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        const Colour cells[2][4] = {{bottom, top, unused, unused}, {plusZ, plusX, minusZ, minusX}};
        std::vector<uint8_t> rgb;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x)
                for (int c : cells[y / 16][x / 16])
                    rgb.push_back(uint8_t(c));
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
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        if (target)
            target->unbind();
        target.reset();
        GLTest::TearDown();
    }

    void draw(Skybox& sky)
    {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        sky.render(0, nullptr);
    }
    // Whether the pixel at (x, y) (from the bottom left; the centre by default) shows `colour`.
    ::testing::AssertionResult shows(const Colour& colour, int x = 80, int y = 60) const
    {
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
    EXPECT_EQ(sky.mesh->vertices.size(), 24u);
    EXPECT_EQ(sky.mesh->indices.size(), 36u);
    EXPECT_TRUE(sky.noBounds && sky.boundsValid);
    EXPECT_EQ(sky.getLocalBounds(), sky.worldBounds);
    const float origin[3] = {0, 0, 0};
    const BoundingSphere everything(origin, 1000);
    EXPECT_FALSE(sky.collides(&everything, true));

    draw(sky);
    EXPECT_TRUE(shows(minusZ));
    target->snapshot("sky-ahead");
    // Neither a moved camera (the modelview) nor a moved node changes the picture.
    glTranslatef(300, -40, 25);
    sky.translate(10, 20, 30);
    draw(sky);
    EXPECT_TRUE(shows(minusZ));

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
        draw(sky);
        EXPECT_TRUE(shows(view.colour)) << "yaw " << view.yaw << " pitch " << view.pitch;
        target->snapshot("sky-yaw" + std::to_string(int(view.yaw)) + "-pitch" +
                         std::to_string(int(view.pitch)));
    }
}

TEST_F(SkyboxTest, DrawsUnlitWithoutShadersOrDepthWrites)
{
    Skybox sky(scratch.path() + "sky.png", 100, 0, 0, 0);
    // A dark light and a bound cartoon shader would both change the colours if they took part.
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const float dark[4] = {0.1f, 0.1f, 0.1f, 1}, bright[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, dark);
    CgCartoon cartoon(AEROVANT_BIN_DIR);
    Material material(false, dark, dark, dark, 1);
    cartoon.bind(&material);
    glDisable(GL_TEXTURE_2D);

    draw(sky);
    EXPECT_TRUE(shows(minusZ));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, bright);
    glDisable(GL_LIGHT0);

    // The cleared depth is untouched, so a square far beyond the cube still shows in front.
    float depth = 0;
    glReadPixels(80, 60, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glPushMatrix();
    glTranslatef(0, 0, -500);
    glRectf(-10, -10, 10, 10);
    glPopMatrix();
    EXPECT_TRUE(shows(white));
}

TEST_F(SkyboxTest, OffsetLowersTheCubeAndAMissingImageLeavesItWhite)
{
    Skybox lowered(scratch.path() + "sky.png", 100, 0, -30, 0);
    draw(lowered);
    // The front face's top edge now lies 20 units up at 50 units away, inside the view.
    EXPECT_TRUE(shows(top, 80, 117));
    EXPECT_TRUE(shows(minusZ));
    target->snapshot("sky-lowered");

    RenderSettings::minFilter = GL_NEAREST;
    RenderSettings::filterChanged = true;
    draw(lowered);
    GLint minFilter = 0;
    glBindTexture(GL_TEXTURE_2D, lowered.texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_NEAREST);

    testing::internal::CaptureStderr();
    Skybox missing(scratch.path() + "no-sky.png", 100, 0, 0, 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no-sky.png"), std::string::npos);
    EXPECT_EQ(missing.texture, 0u);
    draw(missing);
    EXPECT_TRUE(shows(white));
}
