#include "scene/ModelPart.h"

#include "scene/KeyAnimation.h"
#include "render/MatrixMath.h"

#include <GL/glew.h>

ModelPart::ModelPart() : mesh(nullptr), material(nullptr), animation(nullptr), animated(false)
{
    loadIdentity(transform);
}

ModelPart::~ModelPart()
{
    delete animation;
}

void ModelPart::partMatrix(double time, float out[16]) const
{
    if (animated && animation) {
        double animatedMatrix[16];
        copyMatrix(animation->evaluate(animatedMatrix, time), out);
    } else {
        copyMatrix(transform, out);
    }
}

void ModelPart::multiplyMatrix(double time) const
{
    if (animated && animation) {
        double animatedMatrix[16];
        glMultMatrixd(animation->evaluate(animatedMatrix, time));
    } else {
        glMultMatrixf(transform);
    }
}
