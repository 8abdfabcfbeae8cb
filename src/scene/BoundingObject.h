// The polymorphic bounding volume that nodes, meshes and models keep their extent in. Two kinds
// exist: AxisAlignedBB and BoundingSphere. Volumes are plain values owned by whoever created them.
#pragma once

class BoundingObject
{
  public:
    virtual ~BoundingObject();

    // True when the two volumes overlap. A kind this volume does not know never intersects.
    virtual bool intersects(const BoundingObject* other) const = 0;

    // Debug drawing in the current modelview; nothing by default.
    virtual void draw() const;

    // A new volume of the same kind, equal to this one transformed by m (column-major). The caller
    // owns the result.
    virtual BoundingObject* transformedCopy(const float m[16]) const = 0;

    // Transforms this volume in place by m (column-major).
    virtual void transform(const float m[16]) = 0;

  protected:
    BoundingObject() = default;
    // Copying goes through the concrete kinds only, so a volume is never sliced into its base.
    BoundingObject(const BoundingObject&) = default;
    BoundingObject& operator=(const BoundingObject&) = default;
};
