// The shader of the outline-map pass: a vertex program alone, so the fixed-function fragment stage
// writes the eye-space normal and depth it computes. Owned by the shadow-map renderer, which
// installs it as the override shader.
#pragma once

#include "platform/CgRuntime.h"
#include "shading/CgShader.h"

#include <string>

class CgOutline : public CgShader
{
  public:
    // Loads "shader\vp_outline" from the data directory; a failure is reported on standard output
    // and leaves the program null.
    explicit CgOutline(const std::string& dataDirectory);
    // Destroys the program.
    ~CgOutline() override;

    // Disables the fragment profile and binds the vertex program with the tracked matrices; the
    // material is not used.
    void bind(Material* material) override;

    platform::cg::Program* vertexProgram;   // owned; null when it failed to load
    platform::cg::Parameter* modelViewProj; // vertex: tracked model-view-projection matrix
    platform::cg::Parameter* modelViewIT;   // vertex: inverse transpose of the model-view matrix
};
