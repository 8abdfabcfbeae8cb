// What the player reads on the console when shader programs are missing or broken, and that the
// game draws on regardless.
#include "scene/Material.h"
#include "shading/CgCartoon.h"
#include "shading/CgDepth.h"
#include "shading/CgOutline.h"
#include "shading/CgTerrain.h"
#include "shading/ShadingTest.h"

#include <gtest/gtest.h>

using shadingtest::appearsInOrder;
using shadingtest::ShadingTest;
using testsupport::OffscreenTarget;

namespace
{

class ShaderMessagesTest : public ShadingTest
{
};

TEST_F(ShaderMessagesTest, MissingProgramsAreNamedByEachShaderAndDrawingGoesOn)
{
    const std::string nowhere = "/no/such/directory/";
    testing::internal::CaptureStdout();
    {
        CgCartoon cartoon(nowhere);
        CgTerrain terrain(nowhere);
        CgDepth depth(nowhere);
        CgOutline outline(nowhere);
        EXPECT_EQ(cartoon.vertexProgram, nullptr);
        EXPECT_EQ(terrain.fragmentProgram, nullptr);
        EXPECT_EQ(depth.fragmentProgram, nullptr);
        EXPECT_EQ(outline.vertexProgram, nullptr);

        // Every bind reports its failed calls; what is drawn falls back to fixed function.
        const float white[4] = {1, 1, 1, 1};
        Material material(false, white, white, white, 1.0f);
        OffscreenTarget target(32, 32);
        useTarget(target);
        orthoView();
        for (CgShader* shader : std::initializer_list<CgShader*>{&cartoon, &terrain, &depth, &outline}) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            shader->bind(&material);
            glColor3f(0, 1, 0);
            drawSphere();
            EXPECT_EQ(target.pixel(16, 16).g, 255);
        }
        glColor3f(1, 1, 1);
        target.unbind();
        restoreMatrices();
    }
    // The runtime says which file failed, then the shader says which program it could not load.
    const std::string output = testing::internal::GetCapturedStdout();
    const std::string cannotRead = "cannot read shader program file: " + nowhere + "shader/";
    EXPECT_TRUE(
        appearsInOrder(output, {cannotRead + "vp_cartoon.glsl\n", "couldn't load vertex program\n",
                                cannotRead + "fp_cartoon.glsl\n", "couldn't load fragment program\n",
                                "error: couldn't load cg parameters\n", cannotRead + "fp_terrain.glsl\n",
                                "couldn't load fragment program\n", "error: couldn't load cg parameters\n",
                                "error: couldn't load cg parameters from terrain shader\n",
                                cannotRead + "vp_depth.glsl\n", "couldn't load vertex program in CgDepth\n",
                                cannotRead + "fp_depth.glsl\n", "couldn't load fragment program in CgDepth\n",
                                cannotRead + "vp_outline.glsl\n", "couldn't load vertex program\n"}))
        << output;
}

TEST_F(ShaderMessagesTest, BrokenProgramPrintsTheCompilerLog)
{
    shadingtest::ProgramCopy copy;
    ASSERT_FALSE(copy.root.empty());
    copy.replace("fp_cartoon.glsl",
                 "#version 410 compatibility\nvoid main() { gl_FragColor = vec4(ramp); }\n");
    testing::internal::CaptureStdout();
    CgCartoon shader(copy.root);
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_NE(shader.vertexProgram, nullptr);
    EXPECT_EQ(shader.fragmentProgram, nullptr);
    EXPECT_TRUE(appearsInOrder(output, {"did not compile: " + copy.root + "shader/fp_cartoon.glsl\n",
                                        "`ramp' undeclared", "couldn't load fragment program\n"}))
        << output;
}

} // namespace
