#include "shading/CgOutline.h"

#include "scene/Material.h"
#include "shading/CgCartoon.h"
#include "shading/ShadingTest.h"

#include <gtest/gtest.h>

using shadingtest::ShadingTest;
using testsupport::OffscreenTarget;

namespace
{

class CgOutlineTest : public ShadingTest
{
};

TEST_F(CgOutlineTest, WritesEyeNormalAndDepthThroughTheFixedFragmentStage)
{
    CgCartoon cartoon(shadingtest::dataDirectory());
    testing::internal::CaptureStdout();
    CgOutline shader(shadingtest::dataDirectory());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_TRUE(shader.modelViewProj && shader.modelViewIT);

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
    glBegin(GL_QUADS);
    glNormal3f(0, 1, 1);
    glVertex3f(-10, -10, 0);
    glVertex3f(10, -10, 0);
    glVertex3f(10, 10, 0);
    glVertex3f(-10, 10, 0);
    glEnd();
    const testsupport::Rgba pixel = target.pixel(16, 16);
    EXPECT_NEAR(pixel.r, 128, 2);
    EXPECT_NEAR(pixel.g, 159, 2);
    EXPECT_NEAR(pixel.b, 251, 2);
    EXPECT_NEAR(pixel.a, 26, 2); // 35 of the 350 units the camera sees
    target.unbind();
    restoreMatrices();
}

TEST_F(CgOutlineTest, MissingProgramIsReported)
{
    testing::internal::CaptureStdout();
    {
        CgOutline shader("/no/such/directory/");
        EXPECT_EQ(shader.vertexProgram, nullptr);
        shader.bind(nullptr);
    }
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(shadingtest::appearsInOrder(
        output, {"/no/such/directory/shader/vp_outline.glsl\n", "couldn't load vertex program\n"}))
        << output;
}

} // namespace
