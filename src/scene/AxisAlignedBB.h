// An axis-aligned box in whatever space its owner keeps it (model space for meshes and models,
// world space for nodes).
#pragma once

#include "scene/BoundingObject.h"

class AxisAlignedBB : public BoundingObject
{
  public:
    // The empty box: all six values 0 and `empty` set.
    AxisAlignedBB();
    // A box with the given corners; not empty.
    AxisAlignedBB(const float minCorner[3], const float maxCorner[3]);
    AxisAlignedBB(const AxisAlignedBB&) = default;
    AxisAlignedBB& operator=(const AxisAlignedBB&) = default;

    // Box against box or sphere; touching faces count as intersecting. `empty` is not consulted.
    bool intersects(const BoundingObject* other) const override;
    // A red wire box; nothing for an empty box.
    void draw() const override;
    AxisAlignedBB* transformedCopy(const float m[16]) const override;
    // The box around the eight transformed corners. Clears `empty`: a transformed empty box is the
    // point at the transformed origin.
    void transform(const float m[16]) override;

    // Grows this box to hold `other` (a box, or the box around a sphere). Merging an empty box
    // changes nothing; merging into an empty box copies the other. Clears `empty` in every case
    // except the first.
    void merge(const BoundingObject* other);

    // Back to the empty box.
    void reset();

    float min[3]; // smallest corner
    float max[3]; // largest corner
    bool empty;   // holds nothing yet; an empty box has all six values 0
};
