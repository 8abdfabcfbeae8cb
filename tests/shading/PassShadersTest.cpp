// The shaders of the shadow-map and outline passes, each drawing one square whose result is known.
#include "scene/Material.h"
#include "shading/CgCartoon.h"
#include "shading/CgDepth.h"
#include "shading/CgOutline.h"
#include "shading/ShadingTest.h"

#include <gtest/gtest.h>

using shadingtest::ShadingTest;
using testsupport::OffscreenTarget;

namespace
{

class PassShadersTest : public ShadingTest
{
};

void drawSquare(float z, float side, float nx, float ny, float nz)
{
    glBegin(GL_QUADS);
    glNormal3f(nx, ny, nz);
    glVertex3f(-side, -side, z);
    glVertex3f(side, -side, z);
    glVertex3f(side, side, z);
    glVertex3f(-side, side, z);
    glEnd();
}

TEST_F(PassShadersTest, DepthShaderWritesLightSpaceDepthIntoTheColourTarget)
{
    testing::internal::CaptureStdout();
    CgDepth shader(shadingtest::dataDirectory());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    // Near plane 1, far plane 3: a square 2 units away lies half way, one 1.5 units away at a
    // quarter, whatever the model-view matrix did to get it there.
    OffscreenTarget target(32, 32);
    useTarget(target);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, 1, 3);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    shader.bind(nullptr);
    drawSquare(-2.0f, 1.0f, 0, 0, 1);
    const testsupport::Rgba middle = target.pixel(16, 16);
    EXPECT_NEAR(middle.r, 128, 2);
    EXPECT_EQ(middle.a, 255);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTranslatef(0, 0, 0.5f);
    shader.bind(nullptr);
    drawSquare(-2.0f, 1.0f, 0, 0, 1);
    EXPECT_NEAR(target.pixel(16, 16).r, 64, 2);
    target.unbind();
    restoreMatrices();
}

TEST_F(PassShadersTest, OutlineShaderWritesEyeNormalAndDepthThroughTheFixedFragmentStage)
{
    CgCartoon cartoon(shadingtest::dataDirectory());
    testing::internal::CaptureStdout();
    CgOutline shader(shadingtest::dataDirectory());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    OffscreenTarget target(32, 32);
    useTarget(target);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 350.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -35.0f);
    // The model-view matrix stretches y four times: the normal (0, 1, 1) must come out as
    // (0, 1/4, 1) normalised, which only the inverse transpose gives.
    glScalef(1.0f, 4.0f, 1.0f);

    // A cartoon bind first leaves the fragment profile on; the outline bind must switch it off.
    const float white[4] = {1, 1, 1, 1};
    Material material(false, white, white, white, 1.0f);
    cartoon.bind(&material);
    glDisable(GL_TEXTURE_2D);
    shader.bind(&material);
    drawSquare(0.0f, 10.0f, 0, 1, 1);
    const testsupport::Rgba pixel = target.pixel(16, 16);
    EXPECT_NEAR(pixel.r, 128, 2);
    EXPECT_NEAR(pixel.g, 159, 2);
    EXPECT_NEAR(pixel.b, 251, 2);
    EXPECT_NEAR(pixel.a, 26, 2); // 35 of the 350 units the camera sees
    target.unbind();
    restoreMatrices();
}

} // namespace
