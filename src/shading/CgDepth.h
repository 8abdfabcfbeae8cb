// The shader of the shadow-map pass: writes light-space depth into the colour target of the
// shadow frame buffer. Owned by the shadow-map renderer, which installs it as the override shader.
#pragma once

#include "platform/CgRuntime.h"
#include "shading/CgShader.h"

#include <string>

class CgDepth : public CgShader
{
  public:
    // Loads "shader\vp_depth" and "shader\fp_depth" from the data directory; a program that fails
    // is reported on standard output and left null.
    explicit CgDepth(const std::string& dataDirectory);
    // Destroys both programs.
    ~CgDepth() override;

    // Binds both programs with the tracked matrices; the material is not used.
    void bind(Material* material) override;

    platform::cg::Program* vertexProgram;   // owned; null when it failed to load
    platform::cg::Program* fragmentProgram; // owned; null when it failed to load
    platform::cg::Parameter* modelViewProj; // vertex: tracked model-view-projection matrix
    platform::cg::Parameter* modelView;     // vertex: tracked model-view matrix
};
