// The shader runtime, part two: setting parameter values and texture parameters, and reading them
// back.
#include "platform/CgRuntime.h"

#include "platform/CgRuntimeInternal.h"

namespace platform
{
namespace cg
{

using namespace detail;

bool detail::checkParameter(Parameter* parameter, GLenum type)
{
    if (!parameter) {
        report(Error::InvalidParameter);
        return false;
    }
    if (parameter->type != type) {
        report(Error::ParameterType, describe(parameter));
        return false;
    }
    return true;
}

namespace
{

bool checkSampler(Parameter* parameter)
{
    if (!parameter) {
        report(Error::InvalidParameter);
        return false;
    }
    if (parameter->textureTarget == 0) {
        report(Error::ParameterType, describe(parameter));
        return false;
    }
    return true;
}

} // namespace

void setMatrixParameterfc(Parameter* parameter, const float* matrix)
{
    if (!checkParameter(parameter, GL_FLOAT_MAT4))
        return;
    glProgramUniformMatrix4fv(parameter->program->name, parameter->location, 1, GL_FALSE, matrix);
}

void setParameter1f(Parameter* parameter, float x)
{
    if (checkParameter(parameter, GL_FLOAT))
        glProgramUniform1f(parameter->program->name, parameter->location, x);
}

void setParameter2fv(Parameter* parameter, const float* v)
{
    if (checkParameter(parameter, GL_FLOAT_VEC2))
        glProgramUniform2fv(parameter->program->name, parameter->location, 1, v);
}

void setParameter3fv(Parameter* parameter, const float* v)
{
    if (checkParameter(parameter, GL_FLOAT_VEC3))
        glProgramUniform3fv(parameter->program->name, parameter->location, 1, v);
}

void setParameter4fv(Parameter* parameter, const float* v)
{
    if (checkParameter(parameter, GL_FLOAT_VEC4))
        glProgramUniform4fv(parameter->program->name, parameter->location, 1, v);
}

void setTextureParameter(Parameter* parameter, GLuint texture)
{
    if (!checkSampler(parameter))
        return;
    parameter->texture = texture;
    if (parameter->textureEnabled && isCurrent(parameter->program))
        bindTextureUnit(*parameter);
}

void enableTextureParameter(Parameter* parameter)
{
    if (!checkSampler(parameter))
        return;
    parameter->textureEnabled = true;
    if (isCurrent(parameter->program))
        bindTextureUnit(*parameter);
}

void disableTextureParameter(Parameter* parameter)
{
    if (!checkSampler(parameter))
        return;
    parameter->textureEnabled = false;
    if (isCurrent(parameter->program))
        bindTextureUnit(*parameter);
}

GLuint getTextureParameter(const Parameter* parameter)
{
    return parameter ? parameter->texture : 0;
}

GLenum textureParameterUnit(const Parameter* parameter)
{
    return parameter ? parameter->textureUnit : 0;
}

int getParameterValues(const Parameter* parameter, float* values)
{
    if (!parameter)
        return 0;
    int count = 0;
    switch (parameter->type) {
    case GL_FLOAT:
        count = 1;
        break;
    case GL_FLOAT_VEC2:
        count = 2;
        break;
    case GL_FLOAT_VEC3:
        count = 3;
        break;
    case GL_FLOAT_VEC4:
        count = 4;
        break;
    case GL_FLOAT_MAT4:
        count = 16;
        break;
    default:
        return 0;
    }
    glGetUniformfv(parameter->program->name, parameter->location, values);
    return count;
}

} // namespace cg
} // namespace platform
