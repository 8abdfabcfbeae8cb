// The shader runtime, part three: tracked matrices. A state-matrix parameter takes the current
// fixed-function matrix, optionally transposed or inverted, computed in double precision.
#include "platform/CgRuntime.h"

#include "platform/CgRuntimeInternal.h"
#include "platform/MatrixInverse.h"

#include <algorithm>
#include <cmath>

namespace platform
{
namespace cg
{

using namespace detail;

namespace
{

// Column-major 4 x 4 helpers in double precision.
void multiply(const double* a, const double* b, double* out)
{
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[column * 4 + k];
            out[column * 4 + row] = sum;
        }
}

void transpose(const double* in, double* out)
{
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            out[row * 4 + column] = in[column * 4 + row];
}

} // namespace

void setStateMatrixParameter(Parameter* parameter, StateMatrix matrix, MatrixTransform transform)
{
    if (!checkParameter(parameter, GL_FLOAT_MAT4))
        return;
    double value[16];
    switch (matrix) {
    case StateMatrix::ModelView:
        glGetDoublev(GL_MODELVIEW_MATRIX, value);
        break;
    case StateMatrix::Projection:
        glGetDoublev(GL_PROJECTION_MATRIX, value);
        break;
    case StateMatrix::Texture:
        glGetDoublev(GL_TEXTURE_MATRIX, value);
        break;
    case StateMatrix::ModelViewProjection: {
        double modelView[16];
        double projection[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        multiply(projection, modelView, value);
        break;
    }
    }

    double result[16];
    double inverse[16];
    switch (transform) {
    case MatrixTransform::Identity:
        std::copy(value, value + 16, result);
        break;
    case MatrixTransform::Transpose:
        transpose(value, result);
        break;
    case MatrixTransform::Inverse:
        invertMatrix(value, result);
        break;
    case MatrixTransform::InverseTranspose:
        invertMatrix(value, inverse);
        transpose(inverse, result);
        break;
    }
    float single[16];
    std::copy(result, result + 16, single);
    glProgramUniformMatrix4fv(parameter->program->name, parameter->location, 1, GL_FALSE, single);
}

} // namespace cg
} // namespace platform
