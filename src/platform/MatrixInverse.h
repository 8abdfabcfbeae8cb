// The inverse of a 4 x 4 column-major matrix, in double precision.
#pragma once

namespace platform
{

// Gauss-Jordan elimination with partial pivoting. A singular matrix is returned unchanged: the
// caller gets a usable (if meaningless) matrix rather than infinities.
void invertMatrix(const double in[16], double out[16]);

} // namespace platform
