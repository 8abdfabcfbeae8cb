// One OpenGL fixed-function light placed in the scene tree. It moves with its ancestors, is never
// culled and never collides. Its GL light is on for as long as the node exists.
#pragma once

#include "scene/BoundingSphere.h"
#include "scene/Node.h"

#include <cstdint>

class Light : public Node
{
  public:
    // Switches on GL_LIGHT0 + index at once; `index` must be 0 to 7.
    explicit Light(uint32_t index);
    // Switches the light off.
    ~Light() override;

    bool collides(const BoundingObject* other, bool deep) override;
    BoundingObject* getLocalBounds() override;
    float* getWorldTransform(float out[16]) override;
    void invalidateBounds(bool recursive, bool upward) override;
    void compileGeometry() override;
    void releaseGeometry() override;
    // Sets the light's position under the current modelview and publishes it in eye space.
    void render(double time, const FrustumPlanes* planes) override;

    // Each applies to the GL light at once.
    void setPosition(float x, float y, float z, float w);
    void setAmbient(float r, float g, float b, float a); // also published for the shaders
    void setDiffuse(float r, float g, float b, float a); // also published for the shaders
    void setSpecular(float r, float g, float b, float a);
    // kind 0 constant, 1 linear, 2 quadratic attenuation; other kinds are ignored.
    void setAttenuation(int kind, float value);

    uint32_t index;         // 0 to 7: which GL light
    float position[4];      // as passed to GL_POSITION; w = 0 is a directional light
    float ambient[4];       // as passed to GL_AMBIENT
    float diffuse[4];       // as passed to GL_DIFFUSE
    float specular[4];      // as passed to GL_SPECULAR
    BoundingSphere* sphere; // the sphere (centre 0, radius 0) worldBounds points to

  private:
    // GL_LIGHT0 + index, or 0 for an index outside the eight lights (then GL is left alone).
    unsigned lightEnum() const;
};
