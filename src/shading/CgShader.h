// The base of the shader family. While a shader is bound it replaces the fixed-function surface
// state that a Material would otherwise set; the concrete shaders live next to this file.
#pragma once

class Material;

class CgShader
{
  public:
    virtual ~CgShader() = default;

    // Makes this shader current for drawing with `material` (its colours and texture; not owned).
    virtual void bind(Material* material) = 0;

  protected:
    CgShader() = default;
    CgShader(const CgShader&) = delete;
    CgShader& operator=(const CgShader&) = delete;
};

// The one cartoon shader, created and owned by the Game; null until then. Every Material takes the
// value current at its construction as its own shader.
inline CgShader* cartoonShader = nullptr;
