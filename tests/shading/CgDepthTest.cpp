#include "shading/CgDepth.h"

#include "shading/CgCartoon.h"
#include "shading/ShadingTest.h"

#include <gtest/gtest.h>

using shadingtest::ShadingTest;
using testsupport::OffscreenTarget;

namespace
{

class CgDepthTest : public ShadingTest
{
};

void drawSquareAt(float z)
{
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glVertex3f(-1, -1, z);
    glVertex3f(1, -1, z);
    glVertex3f(1, 1, z);
    glVertex3f(-1, 1, z);
    glEnd();
}

TEST_F(CgDepthTest, WritesLightSpaceDepthIntoTheColourTarget)
{
    testing::internal::CaptureStdout();
    CgDepth shader(shadingtest::dataDirectory());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_TRUE(shader.modelViewProj && shader.modelView);

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
    drawSquareAt(-2.0f);
    testsupport::Rgba middle = target.pixel(16, 16);
    EXPECT_NEAR(middle.r, 128, 2);
    EXPECT_EQ(middle.a, 255);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glTranslatef(0, 0, 0.5f);
    shader.bind(nullptr);
    drawSquareAt(-2.0f);
    EXPECT_NEAR(target.pixel(16, 16).r, 64, 2);
    target.unbind();
    restoreMatrices();
}

TEST_F(CgDepthTest, MissingProgramsNameTheClass)
{
    testing::internal::CaptureStdout();
    {
        CgDepth shader("/no/such/directory/");
        EXPECT_EQ(shader.vertexProgram, nullptr);
        EXPECT_EQ(shader.fragmentProgram, nullptr);
        shader.bind(nullptr);
    }
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(shadingtest::appearsInOrder(
        output, {"/no/such/directory/shader/vp_depth.glsl\n", "couldn't load vertex program in CgDepth\n",
                 "/no/such/directory/shader/fp_depth.glsl\n", "couldn't load fragment program in CgDepth\n"}))
        << output;
}

} // namespace
