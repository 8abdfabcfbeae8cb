#include "flight/Camera.h"

#include "render/MatrixMath.h"

#include <GL/glew.h>

#include <cmath>

namespace qorm
{
namespace scenegraph
{

Camera::Camera() : eye{3, 3, 10}, center{0, 0, 0}, up{0, 1, 0}, dirty(true), view{}, frustumPlanes{}
{
    loadIdentity(view);
}

Camera::~Camera() = default;

void Camera::update()
{
    if (!dirty)
        return;
    double projection[16];
    loadIdentity(projection);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    update(projection);
}

void Camera::update(const double projection[16])
{
    if (!dirty)
        return;
    double f[3] = {center[0] - eye[0], center[1] - eye[1], center[2] - eye[2]};
    normalise(f);
    normalise(up);
    double s[3], u[3];
    // gluLookAt normalises s; this view keeps it as the cross product gives it, which is the
    // same whenever up is perpendicular to the viewing direction.
    cross(f, up, s);
    cross(s, f, u);

    for (int c = 0; c < 3; ++c) {
        view[4 * c + 0] = s[c];
        view[4 * c + 1] = u[c];
        view[4 * c + 2] = -f[c];
        view[4 * c + 3] = 0;
    }
    for (int row = 0; row < 3; ++row)
        view[12 + row] = -(view[row] * eye[0] + view[4 + row] * eye[1] + view[8 + row] * eye[2]);
    view[15] = 1;

    double clip[16];
    multMatrix(projection, view, clip);
    extractPlanes(clip, frustumPlanes);
    dirty = false;
}

} // namespace scenegraph
} // namespace qorm
