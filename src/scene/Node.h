// The scene graph's base node: a local transform, a cached world-space bounding volume and a
// visibility flag. Groups hold children; entities, lights, the terrain and the sky box are leaves.
#pragma once

#include "scene/Frustum.h"

class BoundingObject;

class Node
{
  public:
    Node();
    // Deletes `worldBounds`.
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Per-frame hook with the animation time in seconds; nothing by default.
    virtual void update(double time);

    // Whether `other` (a world-space volume) touches this node. A deep test on a group asks its
    // leaves; a shallow one answers from the group's own box.
    virtual bool collides(const BoundingObject* other, bool deep) = 0;

    // The node's extent in its own frame, owned by the node (or by what the node shows).
    virtual BoundingObject* getLocalBounds() = 0;

    // Writes the node-to-world matrix into `out` and returns it; brings `worldBounds` up to date
    // on the way.
    virtual float* getWorldTransform(float out[16]) = 0;

    // Marks the cached bounds stale: `recursive` reaches the subtree, `upward` the ancestors.
    // Nothing for a node with `noBounds`.
    virtual void invalidateBounds(bool recursive, bool upward);

    // Builds (or deletes) display lists for the current geometry mode.
    virtual void compileGeometry() = 0;
    virtual void releaseGeometry() = 0;

    // Debug drawing of the world bounds.
    virtual void drawBounds();

    // Draws the node under the current modelview at `time` (seconds). `planes` null means the
    // node is not culled; otherwise it may cull parts of itself against them.
    virtual void render(double time, const FrustumPlanes* planes) = 0;

    // Each composes onto the local matrix on the right, as glTranslatef, glRotatef and glScalef
    // do, then marks the bounds of the node, its subtree and its ancestors stale.
    void translate(float x, float y, float z);
    // `angle` in radians; the axis is used as given, not normalised.
    void rotate(float angle, float ax, float ay, float az);
    void scale(float sx, float sy, float sz);

    bool visible;                // drawn by its parent and renderNode; true after construction
    bool noBounds;               // never culled, no extent (lights, sky box); false after construction
    float local[16];             // this node's frame to the parent's frame; identity at first
    BoundingObject* worldBounds; // owned; world-space bounds, created by the concrete class
    bool boundsValid;            // worldBounds reflects the current transforms
    Node* parent;                // not owned; null for the root and detached nodes

  protected:
    // The world matrix of this node's frame: parent's world x local, or local for a root.
    float* chainTransform(float out[16]);
    // Clears boundsValid on every ancestor up to the root.
    void invalidateAncestors();
};

// Draws `node` if it is visible, culling it against `planes` when it has bounds and planes are
// given: an outside box is skipped, a fully inside one is drawn without further plane tests.
void renderNode(double time, Node* node, const FrustumPlanes* planes);
