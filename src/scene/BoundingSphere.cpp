#include "scene/BoundingSphere.h"

#include "scene/AxisAlignedBB.h"
#include "render/MatrixMath.h"

#include <GL/glew.h>

#include <GL/freeglut.h>

#include <algorithm>

BoundingSphere::BoundingSphere() : centre{0, 0, 0}, radius(0) {}

BoundingSphere::BoundingSphere(const float c[3], float r) : centre{c[0], c[1], c[2]}, radius(r) {}

bool sphereIntersectsBox(const BoundingSphere& sphere, const AxisAlignedBB& box)
{
    float d = 0;
    for (int k = 0; k < 3; ++k) {
        float e = 0;
        if (sphere.centre[k] < box.min[k])
            e = sphere.centre[k] - box.min[k];
        else if (sphere.centre[k] > box.max[k])
            e = sphere.centre[k] - box.max[k];
        d += e * e;
    }
    return d <= sphere.radius * sphere.radius;
}

bool BoundingSphere::intersects(const BoundingObject* other) const
{
    if (const auto* sphere = dynamic_cast<const BoundingSphere*>(other)) {
        float d = 0;
        for (int k = 0; k < 3; ++k) {
            const float e = centre[k] - sphere->centre[k];
            d += e * e;
        }
        const float reach = radius + sphere->radius;
        return d < reach * reach;
    }
    if (const auto* box = dynamic_cast<const AxisAlignedBB*>(other))
        return sphereIntersectsBox(*this, *box);
    return false;
}

void BoundingSphere::draw() const
{
    if (!(radius > 0.1f))
        return;
    glPushMatrix();
    glTranslatef(centre[0], centre[1], centre[2]);
    glutWireSphere(radius, 16, 16);
    glPopMatrix();
}

BoundingSphere* BoundingSphere::transformedCopy(const float m[16]) const
{
    auto* copy = new BoundingSphere(*this);
    copy->transform(m);
    return copy;
}

void BoundingSphere::transform(const float m[16])
{
    transformPoint(m, centre, centre);
    const float r[3] = {radius, radius, radius};
    float q[3];
    transformPoint(m, r, q);
    // The rule follows the point (r, r, r) with the translation included; a translation towards
    // the negative axes could drive that below zero, and a negative radius turns every later
    // merge and intersection test inside out.
    radius = std::max({q[0], q[1], q[2], 0.0f});
}
