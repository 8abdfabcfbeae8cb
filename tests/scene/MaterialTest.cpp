#include "scene/Material.h"

#include "app/RenderSettings.h"
#include "shading/CgShader.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
const float grey[4] = {0.25f, 0.25f, 0.25f, 1.0f};
const float white[4] = {1.0f, 1.0f, 1.0f, 0.5f};

// Remembers which materials it was bound for.
class RecordingShader : public CgShader
{
  public:
    void bind(Material* material) override { bound.push_back(material); }
    std::vector<Material*> bound;
};

std::vector<float> frontMaterial(GLenum name, int count = 4)
{
    float values[4] = {0, 0, 0, 0};
    glGetMaterialfv(GL_FRONT, name, values);
    return std::vector<float>(values, values + count);
}

GLint boundTextureParameter(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

class MaterialTest : public GLTest
{
  protected:
    void TearDown() override
    {
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        cartoonShader = nullptr;
        GLTest::TearDown();
    }
};

} // namespace

TEST_F(MaterialTest, TakesItsColoursAndTheCartoonShaderOfTheMoment)
{
    RecordingShader cartoon;
    Material plain(false, red, grey, white, 12.0f);
    cartoonShader = &cartoon;
    Material shaded(true, red, grey, white, 12.0f);

    EXPECT_EQ(plain.shader, nullptr);
    EXPECT_EQ(shaded.shader, &cartoon);
    EXPECT_TRUE(shaded.transparent);
    EXPECT_EQ(shaded.texture, 0u);
    EXPECT_EQ(std::vector<float>(shaded.diffuse, shaded.diffuse + 4), std::vector<float>(red, red + 4));
    EXPECT_EQ(std::vector<float>(shaded.ambient, shaded.ambient + 4), std::vector<float>(grey, grey + 4));
    EXPECT_EQ(std::vector<float>(shaded.specular, shaded.specular + 4), std::vector<float>(white, white + 4));
    EXPECT_EQ(shaded.shininess, 12.0f);
}

TEST_F(MaterialTest, FixedFunctionApplySetsLightingColoursAndTexture)
{
    Material material(false, red, grey, white, 500.0f); // exponents above 128 are refused by GL
    material.texture = testsupport::makeCheckerTexture({255, 255, 255}, {0, 0, 0});
    material.apply();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), material.texture);
    EXPECT_EQ(frontMaterial(GL_DIFFUSE), std::vector<float>(red, red + 4));
    EXPECT_EQ(frontMaterial(GL_AMBIENT), std::vector<float>(grey, grey + 4));
    EXPECT_EQ(frontMaterial(GL_SPECULAR), std::vector<float>(white, white + 4));
    EXPECT_EQ(frontMaterial(GL_SHININESS, 1), std::vector<float>{128.0f});

    Material untextured(false, grey, grey, grey, 5.0f);
    untextured.apply();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(frontMaterial(GL_SHININESS, 1), std::vector<float>{5.0f});
}

TEST_F(MaterialTest, FiltersReachTheTextureOnlyInTheFrameTheyChanged)
{
    Material material(false, red, grey, white, 1.0f);
    material.texture = testsupport::makeCheckerTexture({255, 255, 255}, {0, 0, 0});

    RenderSettings::linearFiltering = true;
    RenderSettings::mipmapMode = 2;
    RenderSettings::updateFilters();
    material.apply();
    EXPECT_EQ(boundTextureParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST) << "unchanged while the flag is down";

    RenderSettings::filterChanged = true;
    material.apply();
    EXPECT_EQ(boundTextureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(boundTextureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
}

TEST_F(MaterialTest, OverrideShaderWinsThenOwnShaderWhileMaterialShadersAreOn)
{
    RecordingShader own;
    RecordingShader override;
    cartoonShader = &own;
    Material material(false, red, grey, white, 1.0f);

    material.apply();
    EXPECT_TRUE(own.bound.empty()) << "material shaders start off: fixed function";
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);

    RenderSettings::materialShaders = true;
    material.apply();
    EXPECT_EQ(own.bound, std::vector<Material*>{&material});
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << "a bound shader replaces the fixed-function state";

    RenderSettings::overrideShader = &override;
    material.apply();
    RenderSettings::materialShaders = false;
    material.apply();
    EXPECT_EQ(override.bound, (std::vector<Material*>{&material, &material}));
    EXPECT_EQ(own.bound.size(), 1u);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(MaterialTest, DeletesTheTextureItOwns)
{
    GLuint texture = 0;
    {
        Material material(false, red, grey, white, 1.0f);
        material.texture = testsupport::makeCheckerTexture({1, 2, 3}, {4, 5, 6});
        texture = material.texture;
        ASSERT_TRUE(glIsTexture(texture));
    }
    EXPECT_FALSE(glIsTexture(texture));
}
