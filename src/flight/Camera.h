// The look-at camera: turns eye, centre and up into the view matrix and the view-frustum planes
// that the renderer reads.
#pragma once

#include "scene/Frustum.h"

namespace qorm
{
namespace scenegraph
{

class Camera
{
  public:
    Camera();
    virtual ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // Recomputes `view` and `frustumPlanes` when `dirty`, against the current GL projection
    // matrix; does nothing otherwise. Needs the GL context.
    void update();
    // The same against a given projection matrix (column-major); for callers without GL.
    void update(const double projection[16]);

    double eye[3];               // eye position, world units
    double center[3];            // point looked at, world units
    double up[3];                // up direction; update stores it normalised
    bool dirty;                  // view and planes must be recomputed
    double view[16];             // view matrix, column-major as glLoadMatrixd takes it
    FrustumPlanes frustumPlanes; // planes of projection x view; valid after the first update
};

} // namespace scenegraph
} // namespace qorm
