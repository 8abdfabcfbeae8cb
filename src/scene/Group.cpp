#include "scene/Group.h"

#include "render/MatrixMath.h"

#include <GL/glew.h>

#include <cassert>

Group::Group(int slots) : children(slots > 0 ? size_t(slots) : 0, nullptr), childCount(0)
{
    worldBox = new AxisAlignedBB;
    worldBounds = worldBox;
}

Group::~Group()
{
    for (Node* child : children)
        delete child;
}

int Group::addChild(Node* child)
{
    assert(child);
    markStructureChanged();
    int index = -1;
    if (childCount >= children.size()) {
        index = int(children.size());
        children.push_back(child);
    } else {
        for (size_t i = 0; i < children.size(); ++i) {
            if (!children[i]) {
                index = int(i);
                children[i] = child;
                break;
            }
        }
        if (index < 0)
            return -1; // childCount out of step with the slots; refuse rather than lose a child
    }
    child->parent = this;
    ++childCount;
    return index;
}

void Group::markStructureChanged()
{
    // The ancestors cache unions that include this group's box, so they go stale with it.
    boundsValid = false;
    invalidateAncestors();
}

Node* Group::getChild(int index) const
{
    if (size_t(unsigned(index)) >= children.size())
        return nullptr;
    return children[size_t(index)];
}

Node* Group::removeChild(int index)
{
    assert(index >= 0 && size_t(index) < children.size());
    Node* child = children[size_t(index)];
    children[size_t(index)] = nullptr;
    if (child) {
        child->parent = nullptr;
        --childCount;
    }
    markStructureChanged();
    return child;
}

Node* Group::replaceChild(int index, Node* child)
{
    assert(index >= 0 && size_t(index) < children.size());
    Node* old = children[size_t(index)];
    children[size_t(index)] = child;
    if (old) {
        old->parent = nullptr;
        --childCount;
    }
    if (child) {
        child->parent = this;
        ++childCount;
    }
    markStructureChanged();
    return old;
}

BoundingObject* Group::getLocalBounds()
{
    if (noBounds) {
        localBox.reset();
        return &localBox;
    }
    if (boundsValid)
        return &localBox;
    localBox.reset();
    for (Node* child : children) {
        if (!child)
            continue;
        const BoundingObject* bounds = child->getLocalBounds();
        // An empty box holds nothing, but transformed it would become a point at the child's
        // origin; children without bounds (the gate arrows) must stay out of the union.
        const auto* box = dynamic_cast<const AxisAlignedBB*>(bounds);
        if (!bounds || (box && box->empty))
            continue;
        if (box) {
            // The common case, without a heap copy per child and frame.
            AxisAlignedBB inParent = *box;
            inParent.transform(child->local);
            localBox.merge(&inParent);
        } else {
            BoundingObject* inParent = bounds->transformedCopy(child->local);
            localBox.merge(inParent);
            delete inParent;
        }
    }
    return &localBox;
}

float* Group::getWorldTransform(float out[16])
{
    chainTransform(out);
    if (noBounds) {
        loadIdentity(out);
        worldBox->reset();
        return out;
    }
    if (!boundsValid) {
        getLocalBounds();
        *worldBox = localBox;
        worldBox->transform(out);
        boundsValid = true;
    }
    return out;
}

void Group::invalidateBounds(bool recursive, bool)
{
    if (noBounds)
        return;
    boundsValid = false;
    invalidateAncestors();
    if (recursive) {
        for (Node* child : children) {
            if (child)
                child->invalidateBounds(true, false);
        }
    }
}

bool Group::collides(const BoundingObject* other, bool deep)
{
    if (!noBounds && !boundsValid) {
        float scratch[16];
        getWorldTransform(scratch);
    }
    const bool hit = worldBounds->intersects(other);
    if (!deep || !hit)
        return hit;
    for (Node* child : children) {
        if (child && child->collides(other, true))
            return true;
    }
    return false;
}

void Group::compileGeometry()
{
    for (Node* child : children) {
        if (child)
            child->compileGeometry();
    }
}

void Group::releaseGeometry()
{
    for (Node* child : children) {
        if (child)
            child->releaseGeometry();
    }
}

void Group::drawBounds()
{
    Node::drawBounds();
    for (Node* child : children) {
        if (child)
            child->drawBounds();
    }
}

void Group::render(double time, const FrustumPlanes* planes)
{
    glPushMatrix();
    glMultMatrixf(local);
    for (Node* child : children) {
        if (child)
            renderNode(time, child, planes);
    }
    glPopMatrix();
}
