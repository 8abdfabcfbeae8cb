#include "shading/CgCartoon.h"

#include "render/Globals.h"
#include "render/RenderSettings.h"
#include "render/SceneLight.h"
#include "render/ShadingState.h"
#include "shading/Material.h"

#include <cassert>

namespace cg = platform::cg;

namespace
{

// Light steps of models: dark shade, two mid tones, full light.
const float modelRamp[4] = {0.1f, 0.2f, 0.4f, 0.9f};

} // namespace

CgCartoon::CgCartoon(const std::string& dataDirectory)
    : CgCartoon(dataDirectory, "shader/vp_cartoon", "shader/fp_cartoon")
{
}

CgCartoon::CgCartoon(const std::string& dataDirectory, const char* vertexFile, const char* fragmentFile)
    : vertexProgram(nullptr), fragmentProgram(nullptr), modelViewProj(nullptr), modelView(nullptr),
      modelViewIT(nullptr), lightPos(nullptr), ka(nullptr), kd(nullptr), ks(nullptr), shininess(nullptr),
      globalAmbient(nullptr), lightColor(nullptr), texture(nullptr), ramp(nullptr), shadowMap(nullptr),
      shadowMapMatrix(nullptr), outlineMap(nullptr), windowSize(nullptr),
      rampTexture(0), windowSizeValue{windowWidth, windowHeight}
{
    setUpShaderRuntime();
    createWhiteTexture();
    if (!shadersSupported())
        return; // said once at set-up; binding is never asked for then

    vertexProgram = loadShaderProgram(dataDirectory + vertexFile + cg::programFileExtension, vertexProfile,
                                      "couldn't load vertex program\n");
    modelViewProj = cg::getNamedParameter(vertexProgram, "modelViewProj");
    modelView = cg::getNamedParameter(vertexProgram, "modelView");
    modelViewIT = cg::getNamedParameter(vertexProgram, "modelViewIT");
    shadowMapMatrix = cg::getNamedParameter(vertexProgram, "shadowMapMatrix");

    fragmentProgram = loadShaderProgram(dataDirectory + fragmentFile + cg::programFileExtension,
                                        fragmentProfile, "couldn't load fragment program\n");
    ka = cg::getNamedParameter(fragmentProgram, "ka");
    kd = cg::getNamedParameter(fragmentProgram, "kd");
    ks = cg::getNamedParameter(fragmentProgram, "ks");
    shininess = cg::getNamedParameter(fragmentProgram, "shininess");
    globalAmbient = cg::getNamedParameter(fragmentProgram, "globalAmbient");
    lightColor = cg::getNamedParameter(fragmentProgram, "lightColor");
    lightPos = cg::getNamedParameter(fragmentProgram, "lightPos");
    ramp = cg::getNamedParameter(fragmentProgram, "ramp");
    texture = cg::getNamedParameter(fragmentProgram, "texture");
    shadowMap = cg::getNamedParameter(fragmentProgram, "shadowMap");
    outlineMap = cg::getNamedParameter(fragmentProgram, "outlineMap");
    windowSize = cg::getNamedParameter(fragmentProgram, "windowSize");

    const cg::Parameter* const all[] = {
        modelViewProj, modelView,     modelViewIT, lightPos, ka,   kd,        ks,
        shininess,     globalAmbient, lightColor,  texture,  ramp, shadowMap, shadowMapMatrix,
        outlineMap,    windowSize};
    for (const cg::Parameter* parameter : all)
        if (!parameter) {
            printShaderMessage("error: couldn't load cg parameters\n");
            break;
        }

    glGenTextures(1, &rampTexture);
    specifyRamp(modelRamp);
    cg::setParameter2fv(windowSize, windowSizeValue);
}

CgCartoon::~CgCartoon()
{
    // A program that failed to load is null; destroying it would only report an error.
    if (vertexProgram)
        cg::destroyProgram(vertexProgram);
    if (fragmentProgram)
        cg::destroyProgram(fragmentProgram);
    glDeleteTextures(1, &rampTexture);
}

void CgCartoon::specifyRamp(const float levels[4])
{
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_1D, &previous);
    glBindTexture(GL_TEXTURE_1D, rampTexture);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, 4, 0, GL_LUMINANCE, GL_FLOAT, levels);
    glBindTexture(GL_TEXTURE_1D, GLuint(previous));
    cg::setTextureParameter(ramp, rampTexture);
    cg::enableTextureParameter(ramp);
}

void CgCartoon::bind(Material* material)
{
    assert(material);
    if (windowWidth != windowSizeValue[0] || windowHeight != windowSizeValue[1]) {
        windowSizeValue[0] = windowWidth;
        windowSizeValue[1] = windowHeight;
        cg::setParameter2fv(windowSize, windowSizeValue);
    }

    cg::enableProfile(vertexProfile);
    cg::enableProfile(fragmentProfile);
    cg::bindProgram(vertexProgram);
    cg::bindProgram(fragmentProgram);

    cg::setStateMatrixParameter(modelViewProj, cg::StateMatrix::ModelViewProjection,
                                cg::MatrixTransform::Identity);
    cg::setStateMatrixParameter(modelView, cg::StateMatrix::ModelView, cg::MatrixTransform::Identity);
    cg::setStateMatrixParameter(modelViewIT, cg::StateMatrix::ModelView,
                                cg::MatrixTransform::InverseTranspose);

    const GLuint surface = material->texture != 0 ? material->texture : whiteTexture;
    glBindTexture(GL_TEXTURE_2D, surface);
    if (RenderSettings::filterChanged) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(RenderSettings::minFilter));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(RenderSettings::magFilter));
    }
    cg::setTextureParameter(texture, surface);
    cg::enableTextureParameter(texture);

    if (shadowMapTexture != 0) {
        cg::setTextureParameter(shadowMap, shadowMapTexture);
        cg::enableTextureParameter(shadowMap);
        cg::setMatrixParameterfc(shadowMapMatrix, shadowTextureMatrix);
    }
    if (outlineMapTexture != 0) {
        cg::setTextureParameter(outlineMap, outlineMapTexture);
        cg::enableTextureParameter(outlineMap);
    }

    cg::setParameter4fv(ka, material->ambient);
    cg::setParameter4fv(kd, material->diffuse);
    cg::setParameter4fv(ks, material->specular);
    cg::setParameter1f(shininess, material->shininess);
    cg::setParameter3fv(globalAmbient, sceneLightAmbient);
    cg::setParameter3fv(lightColor, sceneLightDiffuse);
    cg::setParameter4fv(lightPos, sceneLightEyePosition);
}
