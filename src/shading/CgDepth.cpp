#include "shading/CgDepth.h"

#include "render/ShadingState.h"

namespace cg = platform::cg;

CgDepth::CgDepth(const std::string& dataDirectory)
    : vertexProgram(nullptr), fragmentProgram(nullptr), modelViewProj(nullptr), modelView(nullptr)
{
    setUpShaderRuntime();
    if (!shadersSupported())
        return;
    vertexProgram = loadShaderProgram(dataDirectory + "shader\\vp_depth" + cg::programFileExtension,
                                      vertexProfile, "couldn't load vertex program in CgDepth\n");
    fragmentProgram = loadShaderProgram(dataDirectory + "shader\\fp_depth" + cg::programFileExtension,
                                        fragmentProfile, "couldn't load fragment program in CgDepth\n");
    modelViewProj = cg::getNamedParameter(vertexProgram, "modelViewProj");
    modelView = cg::getNamedParameter(vertexProgram, "modelView");
}

CgDepth::~CgDepth()
{
    if (vertexProgram)
        cg::destroyProgram(vertexProgram);
    if (fragmentProgram)
        cg::destroyProgram(fragmentProgram);
}

void CgDepth::bind(Material*)
{
    cg::enableProfile(fragmentProfile);
    cg::bindProgram(fragmentProgram);
    cg::enableProfile(vertexProfile);
    cg::bindProgram(vertexProgram);
    cg::setStateMatrixParameter(modelViewProj, cg::StateMatrix::ModelViewProjection,
                                cg::MatrixTransform::Identity);
    cg::setStateMatrixParameter(modelView, cg::StateMatrix::ModelView, cg::MatrixTransform::Identity);
}
