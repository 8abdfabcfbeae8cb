#include "shading/CgTerrain.h"

#include "render/RenderSettings.h"
#include "render/ShadingState.h"
#include "render/TextureLoader.h"

namespace cg = platform::cg;

namespace
{

// Light steps of the terrain: brighter than the models', so the ground never goes dark.
const float terrainRamp[4] = {0.4f, 0.6f, 0.8f, 0.9f};

// Replaces `name` (owned, 0 = none) by the image at `path` and puts it on `parameter`; white
// when the image cannot be loaded.
void replaceTexture(GLuint& name, const std::string& path, cg::Parameter* parameter)
{
    GLuint loaded = 0;
    loadTexture(path, loaded);
    if (name != 0)
        glDeleteTextures(1, &name);
    name = loaded;
    cg::setTextureParameter(parameter, name != 0 ? name : whiteTexture);
    cg::enableTextureParameter(parameter);
}

void applyFilters(GLuint name)
{
    if (name == 0)
        return;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(RenderSettings::minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(RenderSettings::magFilter));
}

} // namespace

CgTerrain::CgTerrain(const std::string& dataDirectory)
    : CgCartoon(dataDirectory, "shader/vp_cartoon", "shader/fp_terrain"), textureRepeat(nullptr),
      detailTexture(nullptr), weightsTexture(nullptr), detailTextureName(0), weightsTextureName(0)
{
    if (!shadersSupported())
        return;
    textureRepeat = cg::getNamedParameter(fragmentProgram, "textureRepeat");
    detailTexture = cg::getNamedParameter(fragmentProgram, "detailTexture");
    weightsTexture = cg::getNamedParameter(fragmentProgram, "weightsTexture");
    if (!textureRepeat || !detailTexture || !weightsTexture)
        printShaderMessage("error: couldn't load cg parameters from terrain shader\n");

    cg::setParameter1f(textureRepeat, 1.0f);
    specifyRamp(terrainRamp);
    cg::setTextureParameter(detailTexture, whiteTexture);
    cg::enableTextureParameter(detailTexture);
    cg::setTextureParameter(weightsTexture, whiteTexture);
    cg::enableTextureParameter(weightsTexture);
}

CgTerrain::~CgTerrain()
{
    if (detailTextureName != 0)
        glDeleteTextures(1, &detailTextureName);
    if (weightsTextureName != 0)
        glDeleteTextures(1, &weightsTextureName);
}

void CgTerrain::setTextures(const std::string& detailPath, const std::string& weightsPath, float repeat)
{
    if (!shadersSupported())
        return;
    cg::setParameter1f(textureRepeat, repeat);
    replaceTexture(detailTextureName, detailPath, detailTexture);
    replaceTexture(weightsTextureName, weightsPath, weightsTexture);
}

void CgTerrain::bind(Material* material)
{
    if (RenderSettings::filterChanged) {
        applyFilters(detailTextureName);
        applyFilters(weightsTextureName);
    }
    CgCartoon::bind(material);
}
