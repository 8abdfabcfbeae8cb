// The matrix gluPerspective builds, for tests that need a real camera projection without GL.
#pragma once

#include <cmath>

namespace testsupport
{

inline void perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar, double out[16])
{
    const double f = 1.0 / std::tan(fovyDegrees * 3.14159265358979323846 / 360.0);
    for (int i = 0; i < 16; ++i)
        out[i] = 0;
    out[0] = f / aspect;
    out[5] = f;
    out[10] = (zFar + zNear) / (zNear - zFar);
    out[11] = -1;
    out[14] = 2 * zFar * zNear / (zNear - zFar);
}

} // namespace testsupport
