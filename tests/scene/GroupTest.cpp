#include "scene/Group.h"
#include "scene/BoundingSphere.h"
#include "scene/Scene.h"

#include "support/ProbeNode.h"

#include <gtest/gtest.h>

using testsupport::probeAt;
using testsupport::ProbeNode;

namespace
{

void expectBox(const AxisAlignedBB& b, float x0, float y0, float z0, float x1, float y1, float z1)
{
    const float expected[6] = {x0, y0, z0, x1, y1, z1};
    EXPECT_FALSE(b.empty);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(b.min[k], expected[k], 1e-5) << "min " << k;
        EXPECT_NEAR(b.max[k], expected[3 + k], 1e-5) << "max " << k;
    }
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
    Node* a = probeAt("a", nullptr, 0, 0, 0);
    Node* b = probeAt("b", nullptr, 0, 0, 0);
    EXPECT_EQ(group.addChild(a), 0);
    EXPECT_EQ(group.addChild(b), 1);
    EXPECT_EQ(group.removeChild(0), a);
    EXPECT_EQ(a->parent, nullptr);
    EXPECT_EQ(group.addChild(probeAt("c", nullptr, 0, 0, 0)), 0) << "the emptied slot is reused";
    EXPECT_EQ(group.addChild(probeAt("d", nullptr, 0, 0, 0)), 2);
    EXPECT_EQ(group.addChild(probeAt("e", nullptr, 0, 0, 0)), 3) << "every slot used: appended";

    EXPECT_EQ(group.replaceChild(1, a), b);
    EXPECT_EQ(b->parent, nullptr);
    EXPECT_EQ(a->parent, &group);
    EXPECT_EQ(group.childCount, 4u);
    delete b;

    EXPECT_EQ(group.getChild(4), nullptr);
    EXPECT_EQ(group.getChild(-1), nullptr);
}

TEST(Group, BoundsCoverTheChildrenAndFollowChangesBelow)
{
    Scene root;
    auto* inner = new Group(4); // more slots than children: the empty ones are skipped
    root.addChild(inner);
    inner->translate(10, 0, 0);
    ProbeNode* left = probeAt("left", nullptr, -2, 0, 0);
    ProbeNode* right = probeAt("right", nullptr, 3, 1, 0);
    inner->addChild(left);
    inner->addChild(right);

    float world[16];
    root.getWorldTransform(world);
    expectBox(*root.worldBox, 7.5f, -0.5f, -0.5f, 13.5f, 1.5f, 0.5f);

    right->translate(0, 10, 0); // marks every ancestor stale
    EXPECT_FALSE(root.boundsValid);
    root.getWorldTransform(world);
    expectBox(*root.worldBox, 7.5f, -0.5f, -0.5f, 13.5f, 11.5f, 0.5f);

    inner->translate(0, 0, 5); // the leaves move with their group
    left->getWorldTransform(world);
    expectBox(*left->box, 7.5f, -0.5f, 4.5f, 8.5f, 0.5f, 5.5f);

    root.getWorldTransform(world);
    delete inner->removeChild(1); // a change deep in the tree reaches the root's cache
    EXPECT_FALSE(root.boundsValid);
    root.getWorldTransform(world);
    expectBox(*root.worldBox, 7.5f, -0.5f, 4.5f, 8.5f, 0.5f, 5.5f);

    root.noBounds = true;
    root.getWorldTransform(world);
    EXPECT_TRUE(root.worldBox->empty);
    EXPECT_EQ(world[12], 0.0f);
}

TEST(Group, ShallowCollisionUsesTheGroupBoxAndDeepAsksTheLeaves)
{
    // A gate: two pylons 10 apart; the group box spans the gap between them.
    Scene scene;
    auto* gate = new Group(3);
    gate->addChild(probeAt("pylon0", nullptr, -5, 0, 0));
    gate->addChild(probeAt("pylon1", nullptr, 5, 0, 0));
    scene.addChild(gate);
    gate->translate(100, 0, 0);

    const BoundingSphere inTheGap = sphereAt(100, 0, 0, 1);
    EXPECT_TRUE(gate->collides(&inTheGap, false));
    EXPECT_FALSE(gate->collides(&inTheGap, true));
    const BoundingSphere onAPylon = sphereAt(105.8f, 0, 0, 0.5f);
    EXPECT_TRUE(scene.collides(&onAPylon, true));
    const BoundingSphere atTheOldPlace = sphereAt(-5, 0, 0, 0.5f);
    EXPECT_FALSE(scene.collides(&atTheOldPlace, false));
}
