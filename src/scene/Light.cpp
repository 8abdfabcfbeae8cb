#include "scene/Light.h"

#include "render/MatrixMath.h"
#include "render/SceneLight.h"

#include <GL/glew.h>

#include <cassert>

namespace
{

const GLenum lightEnums[8] = {GL_LIGHT0, GL_LIGHT1, GL_LIGHT2, GL_LIGHT3,
                              GL_LIGHT4, GL_LIGHT5, GL_LIGHT6, GL_LIGHT7};

void set4(float to[4], float a, float b, float c, float d)
{
    to[0] = a;
    to[1] = b;
    to[2] = c;
    to[3] = d;
}

} // namespace

Light::Light(uint32_t lightIndex)
    // GL's defaults for GL_LIGHT0 until a setter says otherwise.
    : index(lightIndex), position{0, 0, 1, 0}, ambient{0, 0, 0, 1}, diffuse{1, 1, 1, 1}, specular{1, 1, 1, 1}
{
    assert(lightIndex < 8);
    sphere = new BoundingSphere;
    worldBounds = sphere;
    noBounds = true;
    boundsValid = true;
    if (lightEnum())
        glEnable(lightEnum());
}

Light::~Light()
{
    if (lightEnum())
        glDisable(lightEnum());
}

unsigned Light::lightEnum() const
{
    return index < 8 ? lightEnums[index] : 0;
}

bool Light::collides(const BoundingObject*, bool)
{
    return false;
}

BoundingObject* Light::getLocalBounds()
{
    return sphere;
}

float* Light::getWorldTransform(float out[16])
{
    loadIdentity(out);
    return out;
}

void Light::invalidateBounds(bool, bool) {}

void Light::compileGeometry() {}

void Light::releaseGeometry() {}

void Light::render(double, const FrustumPlanes*)
{
    if (!lightEnum())
        return;
    glLightfv(lightEnum(), GL_POSITION, position);
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    for (int row = 0; row < 4; ++row) {
        sceneLightEyePosition[row] = modelview[row] * position[0] + modelview[4 + row] * position[1] +
                                     modelview[8 + row] * position[2] + modelview[12 + row] * position[3];
    }
}

void Light::setPosition(float x, float y, float z, float w)
{
    set4(position, x, y, z, w);
    if (lightEnum())
        glLightfv(lightEnum(), GL_POSITION, position);
}

void Light::setAmbient(float r, float g, float b, float a)
{
    set4(ambient, r, g, b, a);
    sceneLightAmbient[0] = r;
    sceneLightAmbient[1] = g;
    sceneLightAmbient[2] = b;
    if (lightEnum())
        glLightfv(lightEnum(), GL_AMBIENT, ambient);
}

void Light::setDiffuse(float r, float g, float b, float a)
{
    set4(diffuse, r, g, b, a);
    sceneLightDiffuse[0] = r;
    sceneLightDiffuse[1] = g;
    sceneLightDiffuse[2] = b;
    if (lightEnum())
        glLightfv(lightEnum(), GL_DIFFUSE, diffuse);
}

void Light::setSpecular(float r, float g, float b, float a)
{
    set4(specular, r, g, b, a);
    if (lightEnum())
        glLightfv(lightEnum(), GL_SPECULAR, specular);
}

void Light::setAttenuation(int kind, float value)
{
    static const GLenum kinds[3] = {GL_CONSTANT_ATTENUATION, GL_LINEAR_ATTENUATION, GL_QUADRATIC_ATTENUATION};
    if (kind < 0 || kind > 2 || !lightEnum())
        return;
    glLightf(lightEnum(), kinds[kind], value);
}
