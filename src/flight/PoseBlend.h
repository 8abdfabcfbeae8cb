// Blending two rigid poses, for drawing between simulation steps and replaying recordings.
#pragma once

namespace qorm
{
namespace scenegraph
{

// out = the pose a fraction `f` (0 to 1) of the way from `a` to `b` (column-major model matrices
// with orthonormal rotation parts): the position linearly, the rotation by slerp the shorter way.
// f <= 0 gives `a` and f >= 1 gives `b` exactly. `out` may alias `a` or `b`.
void blendPose(const double a[16], const double b[16], double f, double out[16]);

} // namespace scenegraph
} // namespace qorm
