#include "shading/CgTerrain.h"

#include "scene/Material.h"
#include "shading/ShadingTest.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

namespace cg = platform::cg;
using shadingtest::ShadingTest;
using testsupport::OffscreenTarget;

namespace
{

const float white[4] = {1, 1, 1, 1};
const float black[4] = {0, 0, 0, 1};

class CgTerrainTest : public ShadingTest
{
  protected:
    void SetUp() override
    {
        ShadingTest::SetUp();
        std::string pattern = (std::filesystem::temp_directory_path() / "aerovant-terrain-XXXXXX").string();
        if (mkdtemp(&pattern[0]))
            folder = pattern + "/";
    }
    void TearDown() override
    {
        std::error_code ignored;
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
        ShadingTest::TearDown();
    }

    // A black and white checker of 2 x 2 texels.
    std::string checker()
    {
        const std::vector<uint8_t> rgb = {0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0};
        testimages::writeRgbPng(folder + "checker.png", 2, 2, rgb);
        return folder + "checker.png";
    }

    // Black (no detail) on the left half, white (full detail) on the right half.
    std::string halfWeights()
    {
        const std::vector<uint8_t> rgb = {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255};
        testimages::writeRgbPng(folder + "weights.png", 2, 2, rgb);
        return folder + "weights.png";
    }

    std::string folder;
};

float repeatOf(const CgTerrain& shader)
{
    float value[16] = {};
    cg::getParameterValues(shader.textureRepeat, value);
    return value[0];
}

TEST_F(CgTerrainTest, StartsWithWhiteDetailRepeatOneAndABrighterRamp)
{
    testing::internal::CaptureStdout();
    CgTerrain shader(shadingtest::dataDirectory());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(cg::getTextureParameter(shader.detailTexture), whiteTexture);
    EXPECT_EQ(cg::getTextureParameter(shader.weightsTexture), whiteTexture);
    EXPECT_EQ(shader.detailTextureName, 0u);
    EXPECT_EQ(shader.weightsTextureName, 0u);
    EXPECT_EQ(repeatOf(shader), 1.0f);

    float rgba[16] = {};
    glBindTexture(GL_TEXTURE_1D, shader.rampTexture);
    glGetTexImage(GL_TEXTURE_1D, 0, GL_RGBA, GL_FLOAT, rgba);
    glBindTexture(GL_TEXTURE_1D, 0);
    const float expected[4] = {0.4f, 0.6f, 0.8f, 0.9f};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(rgba[i * 4], expected[i], 1.0 / 255.0) << "ramp step " << i;

    // The darkest side of a lit sphere is brighter than any but the top step of the models' ramp.
    std::unique_ptr<Material> material(new Material(false, white, black, black, 10.0f));
    material->shader = &shader;
    OffscreenTarget target(128, 128);
    useTarget(target);
    orthoView();
    material->apply();
    drawSphere();
    target.snapshot("terrain_sphere");
    const std::vector<int> reds = shadingtest::rowReds(target, 64);
    EXPECT_NEAR(reds[20], 102, 2);
    EXPECT_NEAR(reds[100], 230, 2);
    target.unbind();
    restoreMatrices();
}

TEST_F(CgTerrainTest, SetTexturesReplacesTheTexturesAndBlendsDetailByWeight)
{
    CgTerrain shader(shadingtest::dataDirectory());
    // Nearest filtering keeps the checker's squares crisp enough to count.
    RenderSettings::linearFiltering = false;
    RenderSettings::mipmapMode = 2;
    RenderSettings::updateFilters();
    shader.setTextures(checker(), halfWeights(), 4.0f);
    const GLuint firstDetail = shader.detailTextureName;
    const GLuint firstWeights = shader.weightsTextureName;
    ASSERT_NE(firstDetail, 0u);
    ASSERT_NE(firstWeights, 0u);
    EXPECT_EQ(cg::getTextureParameter(shader.detailTexture), firstDetail);
    EXPECT_EQ(cg::getTextureParameter(shader.weightsTexture), firstWeights);
    EXPECT_EQ(repeatOf(shader), 4.0f);

    // A flat square facing the light, texture coordinates 0..1: left half plain, right half
    // checkered by the detail repeated four times.
    std::fill(sceneLightEyePosition, sceneLightEyePosition + 3, 0.0f);
    sceneLightEyePosition[2] = 1.0f;
    std::unique_ptr<Material> material(new Material(false, white, black, black, 1.0f));
    material->shader = &shader;
    OffscreenTarget target(128, 128);
    useTarget(target);
    orthoView();
    material->apply();
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    target.snapshot("terrain_detail");
    const std::vector<int> reds = shadingtest::rowReds(target, 40);
    std::set<int> left, right;
    for (int x = 14; x < 50; ++x)
        left.insert(reds[size_t(x)]);
    for (int x = 78; x < 114; ++x)
        right.insert(reds[size_t(x)]);
    EXPECT_EQ(left.size(), 1u);
    EXPECT_NEAR(*left.begin(), 230, 2);
    EXPECT_TRUE(right.count(0)) << "black detail squares on the weighted half";
    EXPECT_TRUE(right.count(*left.begin()) || right.count(*left.begin() + 1) ||
                right.count(*left.begin() - 1));
    int changes = 0;
    for (int x = 67; x < 116; ++x)
        changes += (reds[size_t(x)] == 0) != (reds[size_t(x - 1)] == 0);
    EXPECT_GE(changes, 3) << "the detail repeats, not stretched over the terrain";
    target.unbind();
    restoreMatrices();

    // A second call replaces and frees the first textures; an image that cannot be loaded leaves
    // white in its place instead of no texture at all.
    testing::internal::CaptureStderr();
    shader.setTextures(checker(), folder + "missing.png", 2.0f);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("missing.png"), std::string::npos) << errors;
    EXPECT_NE(shader.detailTextureName, firstDetail);
    EXPECT_FALSE(glIsTexture(firstDetail));
    EXPECT_FALSE(glIsTexture(firstWeights));
    EXPECT_EQ(shader.weightsTextureName, 0u);
    EXPECT_EQ(cg::getTextureParameter(shader.weightsTexture), whiteTexture);
    EXPECT_EQ(cg::getTextureParameter(shader.detailTexture), shader.detailTextureName);
    EXPECT_EQ(repeatOf(shader), 2.0f);
}

TEST_F(CgTerrainTest, ChangedFiltersReachTheDetailAndWeightsTextures)
{
    CgTerrain shader(shadingtest::dataDirectory());
    shader.setTextures(checker(), halfWeights(), 1.0f);
    RenderSettings::linearFiltering = false;
    RenderSettings::mipmapMode = 2;
    RenderSettings::updateFilters();
    RenderSettings::filterChanged = true;
    std::unique_ptr<Material> material(new Material(false, white, black, black, 1.0f));
    shader.bind(material.get());
    for (GLuint name : {shader.detailTextureName, shader.weightsTextureName}) {
        GLint minFilter = 0;
        GLint magFilter = 0;
        glBindTexture(GL_TEXTURE_2D, name);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        EXPECT_EQ(GLenum(minFilter), RenderSettings::minFilter);
        EXPECT_EQ(GLenum(magFilter), RenderSettings::magFilter);
    }
}

} // namespace
