// Group slots, cached bounds and collision over groups and entities; no GL needed.
#include "scene/Group.h"
#include "scene/Scene.h"

#include "support/ProbeNode.h"

#include <gtest/gtest.h>

using testsupport::boxModel;
using testsupport::sphereAt;

namespace
{

Entity* cubeAt(float x, float y, float z)
{
    auto* entity = new Entity(boxModel(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f));
    entity->translate(x, y, z);
    return entity;
}

std::vector<float> worldBox(Node& node)
{
    float world[16];
    node.getWorldTransform(world);
    return testsupport::corners(*static_cast<const AxisAlignedBB*>(node.worldBounds));
}

} // namespace

TEST(Group, ChildrenFillEmptySlotsBeforeTheListGrows)
{
    Group group(3);
    Node *a = cubeAt(0, 0, 0), *b = cubeAt(0, 0, 0);
    EXPECT_EQ((std::vector<int>{group.addChild(a), group.addChild(b)}), (std::vector<int>{0, 1}));
    EXPECT_EQ(group.removeChild(0), a);
    // The emptied slot is reused, then the free one; with every slot used the list grows.
    EXPECT_EQ((std::vector<int>{group.addChild(cubeAt(0, 0, 0)), group.addChild(cubeAt(0, 0, 0)),
                                group.addChild(cubeAt(0, 0, 0))}),
              (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(group.replaceChild(1, a), b);
    EXPECT_TRUE(b->parent == nullptr && a->parent == &group && group.childCount == 4);
    delete b;
    EXPECT_TRUE(group.getChild(4) == nullptr && group.getChild(-1) == nullptr);
}

TEST(Group, BoundsCoverTheChildrenAndFollowChangesBelow)
{
    Scene root;
    auto* inner = new Group(4); // more slots than children: the empty ones are skipped
    root.addChild(inner);
    inner->translate(10, 0, 0);
    Entity* left = cubeAt(-2, 0, 0);
    Entity* right = cubeAt(3, 1, 0);
    inner->addChild(left);
    inner->addChild(right);
    EXPECT_EQ(worldBox(root), (std::vector<float>{7.5f, -0.5f, -0.5f, 13.5f, 1.5f, 0.5f}));
    right->translate(0, 10, 0); // a leaf's move reaches the root's cache
    EXPECT_EQ(worldBox(root), (std::vector<float>{7.5f, -0.5f, -0.5f, 13.5f, 11.5f, 0.5f}));
    inner->translate(0, 0, 5); // the leaves move with their group
    EXPECT_EQ(worldBox(*left), (std::vector<float>{7.5f, -0.5f, 4.5f, 8.5f, 0.5f, 5.5f}));
    worldBox(root);
    delete inner->removeChild(1); // so does a change to the tree deep down
    EXPECT_EQ(worldBox(root), worldBox(*left));

    root.noBounds = true; // as while the scene loader fills it
    float world[16];
    root.getWorldTransform(world);
    EXPECT_TRUE(root.worldBox->empty && world[12] == 0);
}

TEST(Group, ShallowCollisionUsesTheGroupBoxDeepAsksTheEntities)
{
    // A gate as the scene loader builds it: two pylons sharing a model, an arrow without bounds.
    Scene scene;
    auto* gate = new Group(3);
    scene.addChild(gate);
    Model* pylon = boxModel(-1, 0, -1, 1, 10, 1);
    auto* left = new Entity(pylon);
    auto* right = new Entity(pylon);
    gate->addChild(left);
    gate->addChild(right);
    left->translate(-5, 0, 0);
    right->translate(5, 0, 0);
    right->scale(2, 1, 1);
    auto* arrow = new Entity(boxModel(-2, -2, -2, 2, 2, 2));
    arrow->noBounds = true;
    gate->addChild(arrow);
    arrow->translate(0, 15, 0);
    gate->translate(100, 0, 0);
    EXPECT_EQ(worldBox(scene), (std::vector<float>{94, 0, -1, 107, 10, 1})) << "the arrow stays out";

    const BoundingSphere inTheGap = sphereAt(100, 5, 0, 1), atArrow = sphereAt(100, 15, 0, 1),
                         touching = sphereAt(107.5f, 5, 0, 0.5f);
    EXPECT_TRUE(gate->collides(&inTheGap, false));
    EXPECT_FALSE(gate->collides(&inTheGap, true));
    EXPECT_TRUE(scene.collides(&touching, true));
    EXPECT_FALSE(arrow->collides(&atArrow, false));
    gate->translate(0, 0, 50);
    EXPECT_FALSE(scene.collides(&touching, false)) << "nothing is left at the old place";

    EXPECT_EQ(pylon->refCount, 2u);
    delete gate->removeChild(0);
    EXPECT_EQ(pylon->refCount, 1u); // the last pylon takes the model along (checked by the sanitizer)
}
