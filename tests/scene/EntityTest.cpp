#include "scene/Entity.h"
#include "scene/BoundingSphere.h"
#include "scene/Group.h"
#include "scene/Model.h"

#include <gtest/gtest.h>

namespace
{

// A model with only a box (no parts), which is all bounds and collision look at.
Model* boxModel(float x0, float y0, float z0, float x1, float y1, float z1)
{
    auto* model = new Model;
    const float lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
    model->bounds = AxisAlignedBB(lo, hi);
    return model;
}

BoundingSphere sphereAt(float x, float y, float z, float r)
{
    const float c[3] = {x, y, z};
    return BoundingSphere(c, r);
}

} // namespace

TEST(Entity, EntitiesShareTheirModelByReferenceCount)
{
    Model* model = boxModel(0, 0, 0, 1, 1, 1);
    auto* first = new Entity(model);
    auto* second = new Entity(model);
    EXPECT_EQ(model->refCount, 2u);
    delete first;
    EXPECT_EQ(model->refCount, 1u);
    delete second; // takes the model with it (the sanitizer build checks for leaks)
}

TEST(Entity, CollidesWithItsPlacedModelBox)
{
    Group group;
    group.translate(100, 0, 0);
    auto* pylon = new Entity(boxModel(-1, 0, -1, 1, 20, 1));
    group.addChild(pylon);
    pylon->translate(0, 0, 5);
    pylon->scale(2, 1, 1); // world box: x 98..102, y 0..20, z 4..6

    const BoundingSphere touching = sphereAt(103, 10, 5, 1);
    const BoundingSphere beside = sphereAt(103.5f, 10, 5, 1);
    EXPECT_TRUE(pylon->collides(&touching, false));
    EXPECT_FALSE(pylon->collides(&beside, true));

    group.translate(10, 0, 0); // seen by the next test
    const BoundingSphere atNewPlace = sphereAt(110, 10, 5, 0.5f);
    EXPECT_TRUE(pylon->collides(&atNewPlace, false));
}

TEST(Entity, EntitiesWithoutBoundsNeitherCollideNorWidenTheirGroup)
{
    // A gate: two pylons and an arrow high above them, set up as the scene loader does.
    Group gate(3);
    auto* left = new Entity(boxModel(-1, 0, -1, 1, 10, 1));
    auto* right = new Entity(boxModel(-1, 0, -1, 1, 10, 1));
    gate.addChild(left);
    gate.addChild(right);
    left->translate(-5, 0, 0);
    right->translate(5, 0, 0);
    auto* arrow = new Entity(boxModel(-2, -2, -2, 2, 2, 2));
    arrow->noBounds = true;
    float scratch[16];
    arrow->getWorldTransform(scratch);
    gate.addChild(arrow);
    arrow->translate(0, 15, 0);
    arrow->scale(1.5f, 1.5f, 1.5f);

    gate.getWorldTransform(scratch);
    EXPECT_FLOAT_EQ(gate.worldBox->max[1], 10) << "the arrow stays out of the gate's box";
    EXPECT_FLOAT_EQ(gate.worldBox->min[0], -6);

    const BoundingSphere atArrow = sphereAt(0, 15, 0, 1);
    EXPECT_FALSE(arrow->collides(&atArrow, false));
    EXPECT_FALSE(gate.collides(&atArrow, true));
}
