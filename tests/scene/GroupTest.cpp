#include "scene/Group.h"
#include "scene/BoundingSphere.h"
#include "scene/MatrixMath.h"
#include "scene/Scene.h"

#include "support/ProbeNode.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::probeAt;
using testsupport::ProbeNode;

namespace
{

void expectBox(const AxisAlignedBB& b, float x0, float y0, float z0, float x1, float y1, float z1)
{
    EXPECT_FALSE(b.empty);
    EXPECT_NEAR(b.min[0], x0, 1e-5);
    EXPECT_NEAR(b.min[1], y0, 1e-5);
    EXPECT_NEAR(b.min[2], z0, 1e-5);
    EXPECT_NEAR(b.max[0], x1, 1e-5);
    EXPECT_NEAR(b.max[1], y1, 1e-5);
    EXPECT_NEAR(b.max[2], z1, 1e-5);
}

BoundingSphere sphereAt(float x, float y, float z, float r)
{
    const float c[3] = {x, y, z};
    return BoundingSphere(c, r);
}

} // namespace

TEST(Group, ChildrenFillEmptySlotsBeforeTheListGrows)
{
    Group group(3);
    EXPECT_EQ(group.children.size(), 3u);
    EXPECT_EQ(group.childCount, 0u);

    Node* a = probeAt("a", nullptr, 0, 0, 0);
    Node* b = probeAt("b", nullptr, 0, 0, 0);
    EXPECT_EQ(group.addChild(a), 0);
    EXPECT_EQ(group.addChild(b), 1);
    EXPECT_EQ(a->parent, &group);

    EXPECT_EQ(group.removeChild(0), a);
    EXPECT_EQ(a->parent, nullptr);
    EXPECT_EQ(group.childCount, 1u);
    EXPECT_EQ(group.getChild(0), nullptr);

    Node* c = probeAt("c", nullptr, 0, 0, 0);
    EXPECT_EQ(group.addChild(c), 0) << "the emptied slot is reused";
    Node* d = probeAt("d", nullptr, 0, 0, 0);
    EXPECT_EQ(group.addChild(d), 2);
    Node* e = probeAt("e", nullptr, 0, 0, 0);
    EXPECT_EQ(group.addChild(e), 3) << "every slot used: appended";
    EXPECT_EQ(group.childCount, 4u);

    EXPECT_EQ(group.replaceChild(1, a), b);
    EXPECT_EQ(b->parent, nullptr);
    EXPECT_EQ(a->parent, &group);
    EXPECT_EQ(group.getChild(1), a);
    EXPECT_EQ(group.childCount, 4u);

    EXPECT_EQ(group.getChild(4), nullptr);
    EXPECT_EQ(group.getChild(-1), nullptr);
    EXPECT_EQ(group.getChild(1 << 30), nullptr);
    delete b;

    Group none;
    Node* f = probeAt("f", nullptr, 0, 0, 0);
    EXPECT_EQ(none.addChild(f), 0) << "a group without slots appends";
}

TEST(Group, TransformsComposeOnTheRightLikeGL)
{
    Group node;
    node.rotate(float(M_PI / 2), 0, 0, 1); // x -> y
    node.translate(1, 0, 0);               // in the rotated frame: along world y
    node.scale(2, 3, 4);
    const float p[3] = {1, 1, 1};
    float q[3];
    transformPoint(node.local, p, q);
    // (1, 1, 1) scaled to (2, 3, 4), moved to (3, 3, 4), turned to (-3, 3, 4).
    EXPECT_NEAR(q[0], -3, 1e-5);
    EXPECT_NEAR(q[1], 3, 1e-5);
    EXPECT_NEAR(q[2], 4, 1e-5);
}

TEST(Group, BoundsCoverTheChildrenAndFollowChangesBelow)
{
    Scene root; // one slot, then appends
    auto* inner = new Group(4);
    root.addChild(inner);
    inner->translate(10, 0, 0);
    ProbeNode* left = probeAt("left", nullptr, -2, 0, 0);
    ProbeNode* right = probeAt("right", nullptr, 3, 1, 0);
    inner->addChild(left);
    inner->addChild(right);

    float world[16];
    root.getWorldTransform(world);
    EXPECT_TRUE(root.boundsValid);
    expectBox(*root.worldBox, 7.5f, -0.5f, -0.5f, 13.5f, 1.5f, 0.5f);

    // Moving a leaf marks every ancestor stale; the next query sees the move.
    right->translate(0, 10, 0);
    EXPECT_FALSE(inner->boundsValid);
    EXPECT_FALSE(root.boundsValid);
    root.getWorldTransform(world);
    expectBox(*root.worldBox, 7.5f, -0.5f, -0.5f, 13.5f, 11.5f, 0.5f);

    // Moving the middle group moves the leaves' world boxes too.
    inner->translate(0, 0, 5);
    float leafWorld[16];
    left->getWorldTransform(leafWorld);
    expectBox(*left->box, 7.5f, -0.5f, 4.5f, 8.5f, 0.5f, 5.5f);
    root.getWorldTransform(world);
    expectBox(*root.worldBox, 7.5f, -0.5f, 4.5f, 13.5f, 11.5f, 5.5f);

    // Removing a child changes the union, however deep it happens.
    root.getWorldTransform(world);
    ASSERT_TRUE(root.boundsValid);
    delete inner->removeChild(1);
    EXPECT_FALSE(root.boundsValid);
    root.getWorldTransform(world);
    expectBox(*root.worldBox, 7.5f, -0.5f, 4.5f, 8.5f, 0.5f, 5.5f);
}

TEST(Group, GroupWithoutBoundsHasAnEmptyBox)
{
    Group group;
    group.addChild(probeAt("a", nullptr, 5, 5, 5));
    group.translate(1, 2, 3);
    group.noBounds = true;
    float world[16];
    group.getWorldTransform(world);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(world[i], i % 5 == 0 ? 1.0f : 0.0f);
    EXPECT_TRUE(group.worldBox->empty);
    EXPECT_TRUE(static_cast<AxisAlignedBB*>(group.getLocalBounds())->empty);

    group.noBounds = false;
    group.invalidateBounds(true, true);
    group.getWorldTransform(world);
    expectBox(*group.worldBox, 5.5f, 6.5f, 7.5f, 6.5f, 7.5f, 8.5f);
}

TEST(Group, ShallowCollisionUsesTheGroupBoxAndDeepAsksTheLeaves)
{
    // A gate: two pylons 10 apart, with the group box spanning the gap between them.
    Group gate(3);
    gate.addChild(probeAt("pylon0", nullptr, -5, 0, 0));
    gate.addChild(probeAt("pylon1", nullptr, 5, 0, 0));
    gate.translate(100, 0, 0);

    const BoundingSphere inTheGap = sphereAt(100, 0, 0, 1);
    EXPECT_TRUE(gate.collides(&inTheGap, false));
    EXPECT_FALSE(gate.collides(&inTheGap, true));

    const BoundingSphere onAPylon = sphereAt(105.8f, 0, 0, 0.5f);
    EXPECT_TRUE(gate.collides(&onAPylon, false));
    EXPECT_TRUE(gate.collides(&onAPylon, true));

    const BoundingSphere outside = sphereAt(0, 0, 0, 1);
    EXPECT_FALSE(gate.collides(&outside, false));
    EXPECT_FALSE(gate.collides(&outside, true));

    // Within a tree the deep test reaches leaves of nested groups.
    Scene scene;
    auto* gates = new Group(1);
    scene.addChild(gates);
    auto* moved = new Group(3);
    moved->addChild(probeAt("pylon", nullptr, 0, 0, 0));
    gates->addChild(moved);
    moved->translate(0, 0, 50);
    const BoundingSphere atPylon = sphereAt(0, 0, 50, 0.1f);
    const BoundingSphere atOldPlace = sphereAt(0, 0, 0, 0.1f);
    EXPECT_TRUE(scene.collides(&atPylon, true));
    EXPECT_FALSE(scene.collides(&atOldPlace, true));
}
