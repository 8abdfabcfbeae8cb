#include "render/RenderSettings.h"

bool RenderSettings::showHelp = false;
bool RenderSettings::showFramerate = false;
bool RenderSettings::wireframe = false;
bool RenderSettings::linearFiltering = true;
int RenderSettings::mipmapMode = 0;
int RenderSettings::geometryMode = 0;
bool RenderSettings::displayLists = false;
bool RenderSettings::frustumCulling = true;
bool RenderSettings::transparency = true;
bool RenderSettings::cgShaders = true;
bool RenderSettings::ghostPlayers = false;
GLenum RenderSettings::minFilter = GL_LINEAR_MIPMAP_LINEAR;
GLenum RenderSettings::magFilter = GL_LINEAR;
bool RenderSettings::filterChanged = false;
bool RenderSettings::materialShaders = false;
CgShader* RenderSettings::overrideShader = nullptr;

void RenderSettings::updateFilters()
{
    static const GLenum linearMin[3] = {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR};
    static const GLenum nearestMin[3] = {GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST};
    const int mode = (mipmapMode >= 0 && mipmapMode < 3) ? mipmapMode : 0;
    minFilter = linearFiltering ? linearMin[mode] : nearestMin[mode];
    magFilter = linearFiltering ? GL_LINEAR : GL_NEAREST;
}

void RenderSettings::restoreDefaults()
{
    showHelp = false;
    showFramerate = false;
    wireframe = false;
    linearFiltering = true;
    mipmapMode = 0;
    geometryMode = 0;
    displayLists = false;
    frustumCulling = true;
    transparency = true;
    cgShaders = true;
    ghostPlayers = false;
    filterChanged = false;
    materialShaders = false;
    overrideShader = nullptr;
    updateFilters();
}
