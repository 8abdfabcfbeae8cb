#include "scene/Node.h"

#include "scene/AxisAlignedBB.h"
#include "scene/BoundingObject.h"
#include "render/MatrixMath.h"

#include <cmath>

Node::Node()
    : visible(true), noBounds(false), local{}, worldBounds(nullptr), boundsValid(false), parent(nullptr)
{
    loadIdentity(local);
}

Node::~Node()
{
    delete worldBounds;
}

void Node::update(double) {}

void Node::invalidateBounds(bool, bool upward)
{
    if (noBounds)
        return;
    boundsValid = false;
    if (upward)
        invalidateAncestors();
}

void Node::invalidateAncestors()
{
    for (Node* n = parent; n; n = n->parent)
        n->boundsValid = false;
}

float* Node::chainTransform(float out[16])
{
    if (parent) {
        float parentWorld[16];
        parent->getWorldTransform(parentWorld);
        multMatrix(parentWorld, local, out);
    } else {
        copyMatrix(local, out);
    }
    return out;
}

void Node::drawBounds()
{
    if (!noBounds && !boundsValid) {
        float scratch[16];
        getWorldTransform(scratch);
    }
    if (worldBounds)
        worldBounds->draw();
}

void Node::translate(float x, float y, float z)
{
    for (int row = 0; row < 3; ++row)
        local[12 + row] += local[row] * x + local[4 + row] * y + local[8 + row] * z;
    local[15] += local[3] * x + local[7] * y + local[11] * z;
    invalidateBounds(true, true);
}

void Node::rotate(float angle, float ax, float ay, float az)
{
    const float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    const float r[16] = {t * ax * ax + c,
                         t * ax * ay + s * az,
                         t * ax * az - s * ay,
                         0,
                         t * ax * ay - s * az,
                         t * ay * ay + c,
                         t * ay * az + s * ax,
                         0,
                         t * ax * az + s * ay,
                         t * ay * az - s * ax,
                         t * az * az + c,
                         0,
                         0,
                         0,
                         0,
                         1};
    multMatrix(local, r, local);
    invalidateBounds(true, true);
}

void Node::scale(float sx, float sy, float sz)
{
    for (int row = 0; row < 4; ++row) {
        local[row] *= sx;
        local[4 + row] *= sy;
        local[8 + row] *= sz;
    }
    invalidateBounds(true, true);
}

void renderNode(double time, Node* node, const FrustumPlanes* planes)
{
    if (!node->visible)
        return;
    const FrustumPlanes* below = nullptr;
    if (!node->noBounds && planes) {
        if (!node->boundsValid) {
            float scratch[16];
            node->getWorldTransform(scratch);
        }
        if (const auto* box = dynamic_cast<const AxisAlignedBB*>(node->worldBounds)) {
            const int side = classifyBox(*box, *planes);
            if (side == FrustumOutside)
                return;
            if (side == FrustumIntersecting)
                below = planes;
        }
    }
    node->render(time, below);
}
