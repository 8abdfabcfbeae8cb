#include "shading/CgCartoon.h"

#include "app/Game.h"
#include "scene/Material.h"
#include "shading/ShadingTest.h"

#include <gtest/gtest.h>

namespace cg = platform::cg;
using shadingtest::ShadingTest;
using testsupport::OffscreenTarget;

namespace
{

const float white[4] = {1, 1, 1, 1};
const float black[4] = {0, 0, 0, 1};

Material* plainMaterial()
{
    return new Material(false, white, black, black, 10.0f);
}

GLuint solidTexture(float r, float g, float b)
{
    const float texel[4] = {r, g, b, 1.0f};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_FLOAT, texel);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

std::vector<float> textureLevels(GLenum target, GLuint texture, int texels)
{
    std::vector<float> rgba(size_t(texels) * 4);
    glBindTexture(target, texture);
    glGetTexImage(target, 0, GL_RGBA, GL_FLOAT, rgba.data());
    glBindTexture(target, 0);
    std::vector<float> reds;
    for (int i = 0; i < texels; ++i)
        reds.push_back(rgba[size_t(i) * 4]);
    return reds;
}

class CgCartoonTest : public ShadingTest
{
};

TEST_F(CgCartoonTest, LoadsQuietlyWithTheModelRampAndAWhiteTexture)
{
    // Any program or parameter that did not load would have been reported.
    testing::internal::CaptureStdout();
    CgCartoon shader(shadingtest::dataDirectory());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    const std::vector<float> ramp = textureLevels(GL_TEXTURE_1D, shader.rampTexture, 4);
    const float expected[4] = {0.1f, 0.2f, 0.4f, 0.9f};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(ramp[size_t(i)], expected[i], 1.0 / 255.0) << "ramp step " << i;
    EXPECT_EQ(cg::getTextureParameter(shader.ramp), shader.rampTexture);

    ASSERT_NE(whiteTexture, 0u);
    std::vector<float> texel(4);
    glBindTexture(GL_TEXTURE_2D, whiteTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texel.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(texel, std::vector<float>({1, 1, 1, 1}));

    float size[16] = {};
    ASSERT_EQ(cg::getParameterValues(shader.windowSize, size), 2);
    EXPECT_EQ(size[0], windowWidth);
    EXPECT_EQ(size[1], windowHeight);
}

TEST_F(CgCartoonTest, LitSphereShowsTheRampStepsInsteadOfAGradient)
{
    CgCartoon shader(shadingtest::dataDirectory());
    std::unique_ptr<Material> material(plainMaterial());
    material->shader = &shader;
    OffscreenTarget target(128, 128);

    // The same sphere with fixed-function lighting: a smooth gradient of many levels.
    useTarget(target);
    orthoView();
    RenderSettings::materialShaders = false;
    glLightfv(GL_LIGHT0, GL_POSITION, sceneLightEyePosition);
    glEnable(GL_LIGHT0);
    material->apply();
    drawSphere();
    glDisable(GL_LIGHTING);
    const std::set<int> smooth = shadingtest::greyLevels(target, 64);
    EXPECT_GT(smooth.size(), 20u);

    useTarget(target);
    RenderSettings::materialShaders = true;
    material->apply();
    drawSphere();
    target.snapshot("cartoon_sphere");
    const std::set<int> stepped = shadingtest::greyLevels(target, 64);
    EXPECT_GE(stepped.size(), 3u);
    EXPECT_LE(stepped.size(), 4u);
    for (int level : stepped)
        EXPECT_TRUE(shadingtest::isModelRampLevel(level)) << "grey level " << level;
    // The brightest step faces the light (right), the darkest turns away from it (left).
    const std::vector<int> reds = shadingtest::rowReds(target, 64);
    EXPECT_NEAR(reds[100], 230, 2);
    EXPECT_NEAR(reds[20], 26, 2);
    target.unbind();
    restoreMatrices();
}

TEST_F(CgCartoonTest, UntexturedMaterialsDrawWithTheWhiteTexture)
{
    CgCartoon shader(shadingtest::dataDirectory());
    std::unique_ptr<Material> red(plainMaterial());
    red->texture = solidTexture(1, 0, 0);
    red->shader = &shader;
    std::unique_ptr<Material> plain(plainMaterial());
    plain->shader = &shader;
    OffscreenTarget target(64, 64);

    useTarget(target);
    orthoView();
    red->apply();
    EXPECT_EQ(cg::getTextureParameter(shader.texture), red->texture);
    drawSphere();
    testsupport::Rgba lit = target.pixel(50, 32);
    EXPECT_NEAR(lit.r, 230, 2);
    EXPECT_EQ(lit.g, 0);

    // Drawn after a textured material, the untextured one must not keep the red texture.
    useTarget(target);
    plain->apply();
    EXPECT_EQ(cg::getTextureParameter(shader.texture), whiteTexture);
    drawSphere();
    lit = target.pixel(50, 32);
    EXPECT_NEAR(lit.r, 230, 2);
    EXPECT_NEAR(lit.g, 230, 2);

    // Mipmap filters put on every bound texture while the filters change leave the one-level white
    // texture usable.
    RenderSettings::mipmapMode = 0;
    RenderSettings::updateFilters();
    RenderSettings::filterChanged = true;
    useTarget(target);
    plain->apply();
    drawSphere();
    EXPECT_NEAR(target.pixel(50, 32).g, 230, 2);
    GLint minFilter = 0;
    glBindTexture(GL_TEXTURE_2D, red->texture);
    red->apply();
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(GLenum(minFilter), RenderSettings::minFilter);
    target.unbind();
    restoreMatrices();
}

TEST_F(CgCartoonTest, WindowSizeFollowsAResizeAtTheNextBind)
{
    CgCartoon shader(shadingtest::dataDirectory());
    std::unique_ptr<Material> material(plainMaterial());
    const float before[2] = {windowWidth, windowHeight};

    windowWidth = before[0] + 224.0f;
    windowHeight = before[1] + 168.0f;
    float sent[16] = {};
    cg::getParameterValues(shader.windowSize, sent);
    EXPECT_EQ(sent[0], before[0]);
    EXPECT_EQ(sent[1], before[1]);
    EXPECT_EQ(shader.windowSizeValue[0], before[0]);

    shader.bind(material.get());
    cg::getParameterValues(shader.windowSize, sent);
    EXPECT_EQ(sent[0], windowWidth);
    EXPECT_EQ(sent[1], windowHeight);
    EXPECT_EQ(shader.windowSizeValue[0], windowWidth);
    EXPECT_EQ(shader.windowSizeValue[1], windowHeight);
}

TEST_F(CgCartoonTest, ShadowAndOutlineMapsReachTheProgramsOnlyOnceTheyExist)
{
    CgCartoon shader(shadingtest::dataDirectory());
    std::unique_ptr<Material> material(plainMaterial());
    shader.bind(material.get());
    EXPECT_EQ(cg::getTextureParameter(shader.shadowMap), 0u);
    EXPECT_EQ(cg::getTextureParameter(shader.outlineMap), 0u);
    float matrix[16] = {};
    ASSERT_EQ(cg::getParameterValues(shader.shadowMapMatrix, matrix), 16);
    for (float value : matrix)
        EXPECT_EQ(value, 0.0f);

    const GLuint shadow = solidTexture(1, 1, 1);
    const GLuint outline = solidTexture(0.5f, 0.5f, 1);
    shadowMapTexture = shadow;
    outlineMapTexture = outline;
    for (int i = 0; i < 16; ++i)
        shadowTextureMatrix[i] = float(i + 1);
    shader.bind(material.get());
    EXPECT_EQ(cg::getTextureParameter(shader.shadowMap), shadow);
    EXPECT_EQ(cg::getTextureParameter(shader.outlineMap), outline);
    cg::getParameterValues(shader.shadowMapMatrix, matrix);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(matrix[i], float(i + 1));

    // The material's colours and the scene light arrive as given.
    float value[16] = {};
    cg::getParameterValues(shader.kd, value);
    EXPECT_EQ(std::vector<float>(value, value + 4), std::vector<float>(white, white + 4));
    cg::getParameterValues(shader.lightPos, value);
    EXPECT_EQ(std::vector<float>(value, value + 4),
              std::vector<float>(sceneLightEyePosition, sceneLightEyePosition + 4));

    const GLuint textures[2] = {shadow, outline};
    glDeleteTextures(2, textures);
}

TEST_F(CgCartoonTest, TheGameCreatesTheCartoonShaderThatNewMaterialsReceive)
{
    testing::internal::CaptureStdout();
    Game game(shadingtest::dataDirectory());
    ASSERT_NE(dynamic_cast<CgCartoon*>(cartoonShader), nullptr);
    std::unique_ptr<Material> material(plainMaterial());
    EXPECT_EQ(material->shader, cartoonShader);
    game.cleanUp();
    EXPECT_EQ(cartoonShader, nullptr);
    testing::internal::GetCapturedStdout();
}

} // namespace
