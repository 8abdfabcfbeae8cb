#include "scene/Material.h"

#include "app/RenderSettings.h"
#include "shading/CgShader.h"
#include "support/GLContext.h"
#include "support/MeshBuilders.h"

namespace
{

const float red[4] = {1, 0, 0, 1}, grey[4] = {0.25f, 0.25f, 0.25f, 1};

struct RecordingShader : CgShader {
    void bind(Material* material) override { bound.push_back(material); }
    std::vector<Material*> bound;
};

using MaterialTest = GLTest;

} // namespace

TEST_F(MaterialTest, FixedFunctionApplySetsLightingColoursTextureAndChangedFilters)
{
    Material material(false, red, grey, grey, 500.0f); // GL refuses exponents above 128
    material.texture = testsupport::makeCheckerTexture();
    RenderSettings::mipmapMode = 2;
    RenderSettings::updateFilters();
    material.apply();
    GLint bound = 0, minFilter = 0;
    float shininess = 0, diffuse[4] = {};
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_TEXTURE_2D) && GLuint(bound) == material.texture);
    EXPECT_TRUE(shininess == 128 && diffuse[0] == 1 && diffuse[1] == 0) << shininess;
    EXPECT_EQ(minFilter, GL_NEAREST) << "filters are re-applied only in the frame they change";
    RenderSettings::filterChanged = true;
    material.apply();
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR);

    Material(false, grey, grey, grey, 5.0f).apply();
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_TRUE(!glIsEnabled(GL_TEXTURE_2D) && diffuse[0] == 0.25f) << "untextured";
    glDisable(GL_LIGHTING);
}

TEST_F(MaterialTest, OverrideShaderWinsThenOwnShaderWhileMaterialShadersAreOn)
{
    RecordingShader own, override;
    cartoonShader = &own;
    Material material(false, red, grey, grey, 1.0f); // takes the cartoon shader of this moment
    cartoonShader = nullptr;
    material.apply();
    EXPECT_TRUE(own.bound.empty() && glIsEnabled(GL_LIGHTING)) << "material shaders start off";
    glDisable(GL_LIGHTING);
    RenderSettings::materialShaders = true;
    material.apply();
    RenderSettings::overrideShader = &override;
    material.apply();
    RenderSettings::materialShaders = false;
    material.apply();
    EXPECT_EQ(own.bound, std::vector<Material*>{&material});
    EXPECT_EQ(override.bound, (std::vector<Material*>{&material, &material}));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << "a bound shader replaces the fixed-function state";
}
