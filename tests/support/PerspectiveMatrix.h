// The matrix gluPerspective builds, for tests that need a real camera projection without GL.
#pragma once

#include <algorithm>
#include <cmath>

namespace testsupport
{

inline void perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar, double out[16])
{
    const double f = 1.0 / std::tan(fovyDegrees * 3.14159265358979323846 / 360.0);
    const double depth = (zFar + zNear) / (zNear - zFar), offset = 2 * zFar * zNear / (zNear - zFar);
    const double m[16] = {f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, depth, -1, 0, 0, offset, 0};
    std::copy(m, m + 16, out);
}

} // namespace testsupport
