#include "flight/PursuitCam.h"

#include "render/MatrixMath.h"

#include <cmath>

namespace qorm
{
namespace scenegraph
{

namespace
{

// Below this fraction of the nose's length the horizontal part is too small to give a heading.
const double minHorizontal = 1e-9;

} // namespace

PursuitCam::PursuitCam(int32_t startMode) : mode(startMode), heading{0, 0, -1}
{
    double look[3] = {center[0] - eye[0], 0, center[2] - eye[2]};
    if (normalise(look) > 0) {
        for (int k = 0; k < 3; ++k)
            heading[k] = look[k];
    }
}

void PursuitCam::follow(double position[3], double upDir[3], double noseDir[3], double distance)
{
    place(position, upDir, noseDir, distance);
    update();
}

void PursuitCam::place(double position[3], double upDir[3], double noseDir[3], double distance)
{
    if (mode == Cockpit) {
        normalise(noseDir);
        normalise(upDir);
        for (int k = 0; k < 3; ++k) {
            eye[k] = position[k];
            center[k] = position[k] + noseDir[k];
            up[k] = upDir[k];
        }
        dirty = true;
    } else if (mode == Pursuit) {
        const double noseLength =
            std::sqrt(noseDir[0] * noseDir[0] + noseDir[1] * noseDir[1] + noseDir[2] * noseDir[2]);
        double h[3] = {noseDir[0], 0, noseDir[2]};
        const double horizontal = std::sqrt(h[0] * h[0] + h[2] * h[2]);
        // Straight up or down the nose has no horizontal direction; keep the last heading so the
        // view neither jumps nor turns into NaN.
        if (horizontal > minHorizontal * noseLength && std::isfinite(horizontal)) {
            for (int k = 0; k < 3; ++k)
                heading[k] = h[k] / horizontal;
        }
        for (int k = 0; k < 3; ++k) {
            eye[k] = position[k] - distance * heading[k];
            center[k] = position[k];
        }
        up[0] = 0;
        up[1] = 1;
        up[2] = 0;
        dirty = true;
    }
}

} // namespace scenegraph
} // namespace qorm
