#include "shading/Material.h"

#include "render/RenderSettings.h"
#include "shading/CgShader.h"

#include <algorithm>

Material::Material(bool isTransparent, const float diffuseColour[4], const float ambientColour[4],
                   const float specularColour[4], float specularExponent)
    : shininess(specularExponent), transparent(isTransparent), texture(0), shader(cartoonShader)
{
    std::copy(diffuseColour, diffuseColour + 4, diffuse);
    std::copy(ambientColour, ambientColour + 4, ambient);
    std::copy(specularColour, specularColour + 4, specular);
}

Material::~Material()
{
    if (texture != 0)
        glDeleteTextures(1, &texture);
}

void Material::apply()
{
    if (RenderSettings::overrideShader) {
        RenderSettings::overrideShader->bind(this);
        return;
    }
    if (shader && RenderSettings::materialShaders) {
        shader->bind(this);
        return;
    }

    if (texture != 0) {
        if (!glIsEnabled(GL_TEXTURE_2D))
            glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        // While the filter switches changed this frame, every texture drawn takes them over.
        if (RenderSettings::filterChanged) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(RenderSettings::minFilter));
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(RenderSettings::magFilter));
        }
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    if (!glIsEnabled(GL_LIGHTING))
        glEnable(GL_LIGHTING);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    // GL refuses exponents outside 0..128 and would keep the previous one.
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(shininess, 0.0f, 128.0f));
}
