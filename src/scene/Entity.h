// A leaf that shows a shared Model. Entities whose model has see-through parts are queued and
// drawn after the opaque pass, farthest first, while the transparency setting is on.
#pragma once

#include "scene/AxisAlignedBB.h"
#include "scene/Node.h"

class Model;

class Entity : public Node
{
  public:
    // Takes a reference on `model` (never null).
    explicit Entity(Model* model);
    // Drops the reference, deleting the model with its last entity, and withdraws anything this
    // entity still has in the transparent queue.
    ~Entity() override;

    // Against the entity's world box; false for a node without bounds.
    bool collides(const BoundingObject* other, bool deep) override;
    // The model's box, owned by the model; an empty box when the node has no bounds.
    BoundingObject* getLocalBounds() override;
    // Parent chain x local; rebuilds `box` from the model's box on every call.
    float* getWorldTransform(float out[16]) override;
    void compileGeometry() override;
    void releaseGeometry() override;
    void render(double time, const FrustumPlanes* planes) override;

    Model* model;       // shared by reference count with the other entities that show it
    AxisAlignedBB* box; // the box worldBounds points to (owned through it)
};
