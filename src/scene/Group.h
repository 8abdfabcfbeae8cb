// A node with an ordered list of child slots. Null slots are allowed and skipped everywhere. The
// group's box is the union of its children's bounds, cached until something below changes.
#pragma once

#include "scene/AxisAlignedBB.h"
#include "scene/Node.h"

#include <cstdint>
#include <vector>

class Group : public Node
{
  public:
    // A group with `slots` empty child slots.
    explicit Group(int slots = 0);
    // Deletes every child.
    ~Group() override;

    bool collides(const BoundingObject* other, bool deep) override;
    BoundingObject* getLocalBounds() override;
    float* getWorldTransform(float out[16]) override;
    void invalidateBounds(bool recursive, bool upward) override;
    void compileGeometry() override;
    void releaseGeometry() override;
    void drawBounds() override;
    void render(double time, const FrustumPlanes* planes) override;

    // Takes ownership of `child` and puts it into the first empty slot, or appends it when every
    // slot is used. Returns the slot index.
    int addChild(Node* child);
    // The child in slot `index`; null for an empty slot or an index outside the list.
    Node* getChild(int index) const;
    // Empties slot `index` (which must exist) and hands the child back to the caller.
    Node* removeChild(int index);
    // Puts `child` into slot `index` (which must exist) and hands the previous occupant (maybe
    // null) back to the caller.
    Node* replaceChild(int index, Node* child);

    std::vector<Node*> children; // owned; null entries are empty slots
    uint32_t childCount;         // number of non-null slots
    AxisAlignedBB localBox;      // union of the children's bounds in this group's frame
    AxisAlignedBB* worldBox;     // the box worldBounds points to (owned through it)

  private:
    void markStructureChanged();
};
