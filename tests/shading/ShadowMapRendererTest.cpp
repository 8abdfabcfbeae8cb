// The shadow-map renderer's matrices and frame buffers, and the shader runtime's #include.
#include "shading/ShadowMapRenderer.h"

#include "platform/CgRuntime.h"
#include "render/ShadingState.h"
#include "support/GLContext.h"
#include "support/OffscreenTarget.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace cg = platform::cg;

namespace
{

const std::string data = AEROVANT_BIN_DIR;

bool allFinite(const float* m, int n)
{
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(m[i]))
            return false;
    return true;
}

// Map depth per world unit along the light: the length of the depth row of shadowBase.
float depthPerUnit(const ShadowMapRenderer& renderer)
{
    const float* m = renderer.shadowBase;
    return std::sqrt(m[2] * m[2] + m[6] * m[6] + m[10] * m[10]);
}

} // namespace

using ShadowMapRendererTest = GLTest;

TEST_F(ShadowMapRendererTest, LightMatricesAreDefinedWhateverTheLight)
{
    ShadowMapRenderer renderer(data);
    // Before any directional light every point is lit: the shadow matrix gives w = 0. A positional
    // light keeps the matrices, and a direction of no length is no light.
    const float eye[3] = {0, 5, 0}, centre[3] = {0, 5, 10};
    const float positional[4] = {10, 50, 10, 1}, zero[4] = {0, 0, 0, 0};
    for (const float* light : {positional, zero}) {
        renderer.setLight(light, eye, centre);
        EXPECT_FALSE(renderer.hasLight) << light[3];
    }
    EXPECT_EQ(std::vector<float>(renderer.shadowBase, renderer.shadowBase + 16),
              std::vector<float>(16, 0.0f));

    const float overhead[4] = {0, 1, 0, 0};
    renderer.setLight(overhead, eye, centre);
    ASSERT_TRUE(renderer.hasLight);
    EXPECT_TRUE(allFinite(renderer.lightView, 16));
    EXPECT_TRUE(allFinite(renderer.shadowBase, 16));
    // The focus 200 ahead of the camera maps to the map's centre.
    const float focus[4] = {0, 5, 200, 1};
    float mapped[4] = {};
    for (int row = 0; row < 4; ++row)
        for (int k = 0; k < 4; ++k)
            mapped[row] += renderer.shadowBase[k * 4 + row] * focus[k];
    EXPECT_NEAR(mapped[0] / mapped[3], 0.5f, 1e-4f);
    EXPECT_NEAR(mapped[1] / mapped[3], 0.5f, 1e-4f);

    // The light box is focus height + 540 deep: one world unit is that fraction of the map depth,
    // which is what the cartoon programs scale their bias by.
    const float slanted[4] = {1, 2, -1, 0};
    const float still[3] = {4, 4, 4}; // eye and centre at one point: the focus is the eye
    renderer.setLight(slanted, still, still);
    EXPECT_TRUE(allFinite(renderer.shadowBase, 16));
    EXPECT_NEAR(depthPerUnit(renderer), 1.0f / (4.0f + 540.0f), 1e-6f);
}

TEST_F(ShadowMapRendererTest, ProjectionFollowsTheWindowMapsStartZeroAndPassesRestoreWhatTheyFound)
{
    // Made while a picture is being drawn off screen, it leaves that target bound.
    const testsupport::OffscreenTarget target(16, 16);
    target.bind();
    GLint offscreen = 0, bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &offscreen);
    ShadowMapRenderer renderer(data);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_TRUE(offscreen != 0 && bound == offscreen);
    target.unbind();
    // A new window size changes the aspect once; a minimised window keeps a usable projection.
    for (const auto& [width, height] : {std::pair{802.0f, 600.0f}, {400.0f, 600.0f}}) {
        EXPECT_TRUE(renderer.followWindow(width, height));
        EXPECT_FALSE(renderer.followWindow(width, height));
        EXPECT_NEAR(renderer.cameraProjection[5] / renderer.cameraProjection[0], width / height, 1e-6);
    }
    EXPECT_TRUE(renderer.followWindow(0, 0));
    for (double value : renderer.cameraProjection)
        EXPECT_TRUE(std::isfinite(value));

    for (GLuint texture : {renderer.shadowTexture, renderer.outlineTexture}) {
        GLint size = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size);
        std::vector<float> texels(size_t(size) * size_t(size) * 4, -1.0f);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
        for (float value : texels)
            ASSERT_EQ(value, 0.0f);
    }
    glBindTexture(GL_TEXTURE_2D, 0);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    renderer.beginShadowPass();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(GLuint(bound), renderer.shadowFramebuffer);
    renderer.endShadowPass();
    renderer.beginOutlinePass();
    renderer.endOutlinePass();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(bound, 0);
    GLint after[4] = {};
    glGetIntegerv(GL_VIEWPORT, after);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), std::vector<GLint>(after, after + 4));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
}

TEST_F(ShadowMapRendererTest, ProgramsIncludeFilesBesideThemAndNothingElse)
{
    setUpShaderRuntime();
    testsupport::ScratchDirectory folder;
    folder.write("shader/colour.glsl",
                 "#include \"parts/value.glsl\"\nvec4 colour() { return vec4(value); }\n");
    folder.write("shader/parts/value.glsl", "uniform float value;\n");
    folder.write("shader/fp_ok.glsl", "#version 410 compatibility\n  #  include \"colour.glsl\"  \nvoid "
                                      "main() { gl_FragColor = colour(); }\n");
    folder.write("shader/fp_up.glsl",
                 "#version 410 compatibility\n#include \"../secret.glsl\"\nvoid main() {}\n");
    folder.write("shader/fp_loop.glsl",
                 "#version 410 compatibility\n#include \"loop.glsl\"\nvoid main() {}\n");
    folder.write("shader/loop.glsl", "#include \"loop.glsl\"\n");
    folder.write(
        "shader/fp_broken.glsl",
        "#version 410 compatibility\n#include \"colour.glsl\"\nvoid main() { gl_FragColor = nothing; }\n");
    folder.write("secret.glsl", "uniform float secret;\n");

    cg::ErrorCallback previous = cg::getErrorCallback();
    cg::setErrorCallback(nullptr);
    const auto compile = [&](const char* name) {
        return cg::createProgramFromFile(cgContext, folder.path() + "shader/" + name, fragmentProfile,
                                         "main");
    };
    cg::Program* ok = compile("fp_ok.glsl");
    ASSERT_NE(ok, nullptr) << cg::getErrorString(cg::getError());
    EXPECT_NE(cg::getNamedParameter(ok, "value"), nullptr) << "nested include, relative to the includer";
    cg::destroyProgram(ok);
    EXPECT_EQ(compile("fp_up.glsl"), nullptr);
    EXPECT_EQ(cg::getError(), cg::Error::FileRead);
    EXPECT_EQ(compile("fp_loop.glsl"), nullptr);
    EXPECT_NE(cg::getErrorString(cg::getError()).find("nested more than"), std::string::npos);
    // Compiler messages keep each file's own line numbers: the error is on line 3 of the program.
    EXPECT_EQ(compile("fp_broken.glsl"), nullptr);
    EXPECT_NE(cg::getErrorString(cg::getError()).find("0:3"), std::string::npos);
    cg::setErrorCallback(previous);
}
