// A sphere volume: the airplane in the collision tests, a light's extent, a mesh's rough extent.
#pragma once

#include "scene/BoundingObject.h"

class AxisAlignedBB;

class BoundingSphere : public BoundingObject
{
  public:
    // Centre at the origin, radius 0.
    BoundingSphere();
    BoundingSphere(const float centre[3], float radius);
    BoundingSphere(const BoundingSphere&) = default;
    BoundingSphere& operator=(const BoundingSphere&) = default;

    // Against a box: the closest point of the box lies within the radius (a centre inside the box
    // always intersects). Against a sphere: strictly closer than the sum of the radii, so spheres
    // that just touch do not intersect.
    bool intersects(const BoundingObject* other) const override;
    // A wire sphere in the current colour, only for a radius above 0.1.
    void draw() const override;
    BoundingSphere* transformedCopy(const float m[16]) const override;
    // The centre is transformed as a point. The radius becomes the largest component of the point
    // (r, r, r) transformed by m, translation included, so a unit sphere moved by (10, 0, 0) gets
    // radius 11; it never becomes negative. Kept on purpose although a tight bound would ignore the
    // translation: model spheres (the airplane's collision sphere among them) are defined by it.
    void transform(const float m[16]) override;

    float centre[3]; // world units, in the owner's space
    float radius;    // world units, >= 0
};

// The box-sphere test that both kinds use: the box point nearest to the centre lies within the
// radius (touching counts).
bool sphereIntersectsBox(const BoundingSphere& sphere, const AxisAlignedBB& box);
