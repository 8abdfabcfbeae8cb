// The cartoon look of models: diffuse light quantised through a four-step ramp, a hard specular
// highlight, shadows from the shadow map and dark outlines from the outline map. The Game owns the
// one instance (cartoonShader) that every new Material receives.
#pragma once

#include "platform/CgRuntime.h"
#include "shading/CgShader.h"

#include <GL/glew.h>

#include <string>

class CgCartoon : public CgShader
{
  public:
    // Loads "shader/vp_cartoon" and "shader/fp_cartoon" from the data directory (with its trailing
    // separator). A program or parameter that fails to load is reported on standard output and
    // left null; binding then draws on without it.
    explicit CgCartoon(const std::string& dataDirectory);
    // Destroys both programs and deletes rampTexture.
    ~CgCartoon() override;

    // Binds both programs with the material's colours and texture (white when it has none), the
    // scene light, the tracked matrices, and the shadow and outline maps once they exist.
    void bind(Material* material) override;

    platform::cg::Program* vertexProgram;   // owned; null when it failed to load
    platform::cg::Program* fragmentProgram; // owned; null when it failed to load

    // Parameter handles, null when missing; owned by their programs.
    platform::cg::Parameter* modelViewProj;   // vertex: tracked model-view-projection matrix
    platform::cg::Parameter* modelView;       // vertex: tracked model-view matrix
    platform::cg::Parameter* modelViewIT;     // vertex: its inverse transpose
    platform::cg::Parameter* lightPos;        // fragment: scene light, eye space
    platform::cg::Parameter* ka;              // fragment: material ambient RGBA
    platform::cg::Parameter* kd;              // fragment: material diffuse RGBA
    platform::cg::Parameter* ks;              // fragment: material specular RGBA
    platform::cg::Parameter* shininess;       // fragment: material specular exponent
    platform::cg::Parameter* globalAmbient;   // fragment: scene light ambient RGB
    platform::cg::Parameter* lightColor;      // fragment: scene light diffuse RGB
    platform::cg::Parameter* texture;         // fragment: material texture
    platform::cg::Parameter* ramp;            // fragment: rampTexture
    platform::cg::Parameter* shadowMap;       // fragment: shadowMapTexture
    platform::cg::Parameter* shadowMapMatrix; // vertex: shadowTextureMatrix
    platform::cg::Parameter* outlineMap;      // fragment: outlineMapTexture
    platform::cg::Parameter* windowSize;      // fragment: window size in pixels

    GLuint rampTexture;       // GL_TEXTURE_1D of the four light steps; owned
    float windowSizeValue[2]; // window size (pixels) last sent to windowSize

  protected:
    // The loader shared with the terrain shader: `vertexFile` and `fragmentFile` are paths below
    // the data directory without extension.
    CgCartoon(const std::string& dataDirectory, const char* vertexFile, const char* fragmentFile);

    // (Re)specifies rampTexture with four light levels and sets it on `ramp`.
    void specifyRamp(const float levels[4]);
};
