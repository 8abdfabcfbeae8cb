#include "scene/AxisAlignedBB.h"

#include "scene/BoundingSphere.h"
#include "render/MatrixMath.h"

#include <GL/glew.h>

#include <GL/freeglut.h>

#include <algorithm>

AxisAlignedBB::AxisAlignedBB() : min{0, 0, 0}, max{0, 0, 0}, empty(true) {}

AxisAlignedBB::AxisAlignedBB(const float minCorner[3], const float maxCorner[3])
    : min{minCorner[0], minCorner[1], minCorner[2]}, max{maxCorner[0], maxCorner[1], maxCorner[2]},
      empty(false)
{
}

void AxisAlignedBB::reset()
{
    for (int k = 0; k < 3; ++k)
        min[k] = max[k] = 0;
    empty = true;
}

bool AxisAlignedBB::intersects(const BoundingObject* other) const
{
    if (const auto* box = dynamic_cast<const AxisAlignedBB*>(other)) {
        for (int k = 0; k < 3; ++k) {
            if (!(box->min[k] <= max[k] && box->max[k] >= min[k]))
                return false;
        }
        return true;
    }
    if (const auto* sphere = dynamic_cast<const BoundingSphere*>(other))
        return sphereIntersectsBox(*sphere, *this);
    return false;
}

void AxisAlignedBB::draw() const
{
    if (empty)
        return;
    glColor3f(1, 0, 0);
    glPushMatrix();
    glTranslatef(min[0] + (max[0] - min[0]) * 0.5f, min[1] + (max[1] - min[1]) * 0.5f,
                 min[2] + (max[2] - min[2]) * 0.5f);
    glScalef(max[0] - min[0], max[1] - min[1], max[2] - min[2]);
    glutWireCube(1.0);
    glPopMatrix();
}

AxisAlignedBB* AxisAlignedBB::transformedCopy(const float m[16]) const
{
    auto* copy = new AxisAlignedBB(*this);
    copy->transform(m);
    return copy;
}

void AxisAlignedBB::transform(const float m[16])
{
    float lo[3], hi[3];
    for (int corner = 0; corner < 8; ++corner) {
        const float p[3] = {(corner & 1) ? max[0] : min[0], (corner & 2) ? max[1] : min[1],
                            (corner & 4) ? max[2] : min[2]};
        float q[3];
        transformPoint(m, p, q);
        for (int k = 0; k < 3; ++k) {
            lo[k] = corner == 0 ? q[k] : std::min(lo[k], q[k]);
            hi[k] = corner == 0 ? q[k] : std::max(hi[k], q[k]);
        }
    }
    for (int k = 0; k < 3; ++k) {
        min[k] = lo[k];
        max[k] = hi[k];
    }
    empty = false;
}

void AxisAlignedBB::merge(const BoundingObject* other)
{
    if (const auto* box = dynamic_cast<const AxisAlignedBB*>(other)) {
        if (box->empty)
            return;
        for (int k = 0; k < 3; ++k) {
            min[k] = empty ? box->min[k] : std::min(min[k], box->min[k]);
            max[k] = empty ? box->max[k] : std::max(max[k], box->max[k]);
        }
    } else if (const auto* sphere = dynamic_cast<const BoundingSphere*>(other)) {
        const float r = sphere->radius;
        const float lo[3] = {sphere->centre[0] - r, sphere->centre[1] - r, sphere->centre[2] - r};
        const float hi[3] = {sphere->centre[0] + r, sphere->centre[1] + r, sphere->centre[2] + r};
        const AxisAlignedBB around(lo, hi);
        merge(&around);
    }
    empty = false;
}
