#include "flight/PoseBlend.h"

#include "render/MatrixMath.h"
#include "scene/KeyAnimation.h"

#include <algorithm>
#include <cmath>

namespace qorm
{
namespace scenegraph
{

namespace
{

// Unit quaternion (w, x, y, z) of the rotation part of `m`, by the largest-diagonal method, which
// stays accurate for every angle.
void toQuaternion(const double m[16], double q[4])
{
    const double trace = m[0] + m[5] + m[10];
    if (trace > 0) {
        const double s = 2.0 * std::sqrt(trace + 1.0);
        q[0] = 0.25 * s;
        q[1] = (m[6] - m[9]) / s;
        q[2] = (m[8] - m[2]) / s;
        q[3] = (m[1] - m[4]) / s;
    } else if (m[0] > m[5] && m[0] > m[10]) {
        const double s = 2.0 * std::sqrt(std::max(0.0, 1.0 + m[0] - m[5] - m[10]));
        q[0] = (m[6] - m[9]) / s;
        q[1] = 0.25 * s;
        q[2] = (m[4] + m[1]) / s;
        q[3] = (m[8] + m[2]) / s;
    } else if (m[5] > m[10]) {
        const double s = 2.0 * std::sqrt(std::max(0.0, 1.0 + m[5] - m[0] - m[10]));
        q[0] = (m[8] - m[2]) / s;
        q[1] = (m[4] + m[1]) / s;
        q[2] = 0.25 * s;
        q[3] = (m[9] + m[6]) / s;
    } else {
        const double s = 2.0 * std::sqrt(std::max(0.0, 1.0 + m[10] - m[0] - m[5]));
        q[0] = (m[1] - m[4]) / s;
        q[1] = (m[8] + m[2]) / s;
        q[2] = (m[9] + m[6]) / s;
        q[3] = 0.25 * s;
    }
}

void toMatrix(const double q[4], double m[16])
{
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    m[0] = 1 - 2 * (y * y + z * z);
    m[1] = 2 * (x * y + w * z);
    m[2] = 2 * (x * z - w * y);
    m[4] = 2 * (x * y - w * z);
    m[5] = 1 - 2 * (x * x + z * z);
    m[6] = 2 * (y * z + w * x);
    m[8] = 2 * (x * z + w * y);
    m[9] = 2 * (y * z - w * x);
    m[10] = 1 - 2 * (x * x + y * y);
}

} // namespace

void blendPose(const double a[16], const double b[16], double f, double out[16])
{
    if (!(f > 0)) {
        copyMatrix(a, out);
        return;
    }
    if (f >= 1) {
        copyMatrix(b, out);
        return;
    }
    KeyAnimation::Quaternion qa, qb;
    toQuaternion(a, qa.data());
    toQuaternion(b, qb.data());
    const KeyAnimation::Quaternion blended = KeyAnimation::slerp(qa, qb, f);
    double q[4];
    double length = 0;
    for (int k = 0; k < 4; ++k) {
        q[k] = blended[k];
        length += q[k] * q[k];
    }
    length = std::sqrt(length);
    for (double& c : q)
        c /= length;

    double position[3];
    for (int k = 0; k < 3; ++k)
        position[k] = a[12 + k] + (b[12 + k] - a[12 + k]) * f;
    toMatrix(q, out);
    out[3] = out[7] = out[11] = 0;
    out[12] = position[0];
    out[13] = position[1];
    out[14] = position[2];
    out[15] = 1;
}

} // namespace scenegraph
} // namespace qorm
