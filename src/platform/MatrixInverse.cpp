#include "platform/MatrixInverse.h"

#include <algorithm>
#include <cmath>

namespace platform
{

void invertMatrix(const double in[16], double out[16])
{
    double work[4][8];
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            work[row][column] = in[column * 4 + row];
            work[row][column + 4] = row == column ? 1.0 : 0.0;
        }
    for (int pivot = 0; pivot < 4; ++pivot) {
        int best = pivot;
        for (int row = pivot + 1; row < 4; ++row)
            if (std::fabs(work[row][pivot]) > std::fabs(work[best][pivot]))
                best = row;
        if (std::fabs(work[best][pivot]) < 1e-300) {
            std::copy(in, in + 16, out);
            return;
        }
        if (best != pivot)
            for (int column = 0; column < 8; ++column)
                std::swap(work[pivot][column], work[best][column]);
        const double scale = 1.0 / work[pivot][pivot];
        for (int column = 0; column < 8; ++column)
            work[pivot][column] *= scale;
        for (int row = 0; row < 4; ++row) {
            if (row == pivot)
                continue;
            const double factor = work[row][pivot];
            for (int column = 0; column < 8; ++column)
                work[row][column] -= factor * work[pivot][column];
        }
    }
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            out[column * 4 + row] = work[row][column + 4];
}

} // namespace platform
