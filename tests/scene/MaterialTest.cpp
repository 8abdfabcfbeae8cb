#include "scene/Material.h"

#include "app/RenderSettings.h"
#include "shading/CgShader.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"

namespace
{

const float red[4] = {1, 0, 0, 1};
const float grey[4] = {0.25f, 0.25f, 0.25f, 1};

class RecordingShader : public CgShader
{
  public:
    void bind(Material* material) override { bound.push_back(material); }
    std::vector<Material*> bound;
};

std::vector<float> frontMaterial(GLenum name)
{
    float values[4] = {0, 0, 0, 0};
    glGetMaterialfv(GL_FRONT, name, values);
    return std::vector<float>(values, values + (name == GL_SHININESS ? 1 : 4));
}

GLint minFilter()
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    return value;
}

class MaterialTest : public GLTest
{
  protected:
    void TearDown() override
    {
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        cartoonShader = nullptr;
        GLTest::TearDown();
    }
};

} // namespace

TEST_F(MaterialTest, FixedFunctionApplySetsLightingColoursTextureAndChangedFilters)
{
    Material material(false, red, grey, grey, 500.0f); // GL refuses exponents above 128
    material.texture = testsupport::makeCheckerTexture();
    RenderSettings::mipmapMode = 2;
    RenderSettings::updateFilters();
    material.apply();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), material.texture);
    EXPECT_EQ(frontMaterial(GL_DIFFUSE), std::vector<float>(red, red + 4));
    EXPECT_EQ(frontMaterial(GL_AMBIENT), std::vector<float>(grey, grey + 4));
    EXPECT_EQ(frontMaterial(GL_SHININESS), std::vector<float>{128});
    EXPECT_EQ(minFilter(), GL_NEAREST) << "filters are only re-applied in the frame they changed";
    RenderSettings::filterChanged = true;
    material.apply();
    EXPECT_EQ(minFilter(), GL_LINEAR);

    Material untextured(false, grey, grey, grey, 5.0f);
    untextured.apply();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(frontMaterial(GL_SHININESS), std::vector<float>{5});
}

TEST_F(MaterialTest, OverrideShaderWinsThenOwnShaderWhileMaterialShadersAreOn)
{
    RecordingShader own, override;
    Material plain(false, red, grey, grey, 1.0f);
    cartoonShader = &own;
    Material material(false, red, grey, grey, 1.0f);
    EXPECT_EQ(plain.shader, nullptr);
    EXPECT_EQ(material.shader, &own) << "the cartoon shader of the moment of construction";

    material.apply();
    EXPECT_TRUE(own.bound.empty()) << "material shaders start off: fixed function";
    glDisable(GL_LIGHTING);
    RenderSettings::materialShaders = true;
    material.apply();
    EXPECT_EQ(own.bound, std::vector<Material*>{&material});
    RenderSettings::overrideShader = &override;
    material.apply();
    RenderSettings::materialShaders = false;
    material.apply();
    EXPECT_EQ(override.bound, (std::vector<Material*>{&material, &material}));
    EXPECT_EQ(own.bound.size(), 1u);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << "a bound shader replaces the fixed-function state";
}
