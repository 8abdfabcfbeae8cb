// The surface of a model part: fixed-function colours and an optional texture, or a shader that
// replaces them while the cartoon passes run.
#pragma once

#include <GL/glew.h>

class CgShader;

class Material
{
  public:
    // `texture` starts at 0; `shader` is the process-wide cartoonShader of this moment.
    Material(bool transparent, const float diffuse[4], const float ambient[4], const float specular[4],
             float shininess);
    // Deletes `texture` when it is non-zero.
    ~Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    // Sets the GL state for drawing with this material: the override shader if one is installed,
    // else the own shader while material shaders are on, else texture, lighting and colours.
    void apply();

    float diffuse[4];  // RGBA
    float ambient[4];  // RGBA
    float specular[4]; // RGBA
    float shininess;   // specular exponent, 0..128
    bool transparent;  // parts with this material are drawn sorted, after the opaque ones, and never
                       // compiled into display lists
    GLuint texture;    // GL_TEXTURE_2D name, 0 = untextured; owned
    CgShader* shader;  // not owned; null = fixed function only
};
