#include "shading/CgOutline.h"

#include "render/ShadingState.h"

namespace cg = platform::cg;

CgOutline::CgOutline(const std::string& dataDirectory)
    : vertexProgram(nullptr), modelViewProj(nullptr), modelViewIT(nullptr)
{
    setUpShaderRuntime();
    if (!shadersSupported())
        return;
    vertexProgram = loadShaderProgram(dataDirectory + "shader\\vp_outline" + cg::programFileExtension,
                                      vertexProfile, "couldn't load vertex program\n");
    modelViewProj = cg::getNamedParameter(vertexProgram, "modelViewProj");
    modelViewIT = cg::getNamedParameter(vertexProgram, "modelViewIT");
}

CgOutline::~CgOutline()
{
    if (vertexProgram)
        cg::destroyProgram(vertexProgram);
}

void CgOutline::bind(Material*)
{
    cg::disableProfile(fragmentProfile);
    cg::enableProfile(vertexProfile);
    cg::bindProgram(vertexProgram);
    cg::setStateMatrixParameter(modelViewProj, cg::StateMatrix::ModelViewProjection,
                                cg::MatrixTransform::Identity);
    cg::setStateMatrixParameter(modelViewIT, cg::StateMatrix::ModelView,
                                cg::MatrixTransform::InverseTranspose);
}
