#include "render/ShadingState.h"

#include "render/RenderSettings.h"

#include <cstdio>

namespace cg = platform::cg;

cg::Context* cgContext = nullptr;
cg::Profile vertexProfile = cg::Profile::Unknown;
cg::Profile fragmentProfile = cg::Profile::Unknown;
GLuint whiteTexture = 0;
GLuint shadowMapTexture = 0;
GLuint outlineMapTexture = 0;
float shadowTextureMatrix[16] = {};

void printShaderMessage(const char* message)
{
    std::fputs(message, stdout);
    std::fflush(stdout);
}

void printShaderError()
{
    const std::string text = cg::getErrorString(cg::getError()) + "\n";
    printShaderMessage(text.c_str());
}

void setUpShaderRuntime()
{
    if (cgContext)
        return;
    cgContext = cg::createContext();
    cg::setErrorCallback(printShaderError);
    vertexProfile = cg::getLatestProfile(cg::ProfileClass::Vertex);
    fragmentProfile = cg::getLatestProfile(cg::ProfileClass::Fragment);
    if (!shadersSupported()) {
        printShaderMessage(
            "OpenGL 4.1 or GL_ARB_separate_shader_objects not supported, cartoon shading off\n");
        RenderSettings::cgShaders = false;
    }
}

bool shadersSupported()
{
    return vertexProfile != cg::Profile::Unknown && fragmentProfile != cg::Profile::Unknown;
}

void createWhiteTexture()
{
    if (whiteTexture != 0)
        return;
    const float white = 1.0f;
    glGenTextures(1, &whiteTexture);
    glBindTexture(GL_TEXTURE_2D, whiteTexture);
    // 1 x 1 is a complete mipmap chain by itself, so any filter the filter keys put on it works.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_LUMINANCE, GL_FLOAT, &white);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void releaseWhiteTexture()
{
    if (whiteTexture != 0)
        glDeleteTextures(1, &whiteTexture);
    whiteTexture = 0;
}

cg::Program* loadShaderProgram(const std::string& path, cg::Profile profile, const char* failureMessage)
{
    cg::Program* program = cg::createProgramFromFile(cgContext, path, profile, "main");
    // Loading a program that was not created lets the runtime report it, as every later use does.
    cg::loadProgram(program);
    if (!program)
        printShaderMessage(failureMessage);
    return program;
}

void disableShaderProfiles()
{
    if (vertexProfile != cg::Profile::Unknown)
        cg::disableProfile(vertexProfile);
    if (fragmentProfile != cg::Profile::Unknown)
        cg::disableProfile(fragmentProfile);
}
