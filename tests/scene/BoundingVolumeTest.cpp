#include "scene/AxisAlignedBB.h"
#include "scene/BoundingSphere.h"
#include "scene/MatrixMath.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

AxisAlignedBB box(float x0, float y0, float z0, float x1, float y1, float z1)
{
    const float lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
    return AxisAlignedBB(lo, hi);
}

BoundingSphere sphere(float x, float y, float z, float r)
{
    const float c[3] = {x, y, z};
    return BoundingSphere(c, r);
}

// A volume of a kind the two concrete classes do not know.
class Capsule : public BoundingObject
{
  public:
    bool intersects(const BoundingObject*) const override { return true; }
    BoundingObject* transformedCopy(const float*) const override { return new Capsule; }
    void transform(const float*) override {}
};

void expectBox(const AxisAlignedBB& b, float x0, float y0, float z0, float x1, float y1, float z1)
{
    EXPECT_FLOAT_EQ(b.min[0], x0);
    EXPECT_FLOAT_EQ(b.min[1], y0);
    EXPECT_FLOAT_EQ(b.min[2], z0);
    EXPECT_FLOAT_EQ(b.max[0], x1);
    EXPECT_FLOAT_EQ(b.max[1], y1);
    EXPECT_FLOAT_EQ(b.max[2], z1);
}

} // namespace

TEST(BoundingVolume, BoxesIntersectWhenTheyOverlapOrTouchOnEveryAxis)
{
    const AxisAlignedBB a = box(0, 0, 0, 1, 1, 1);
    const AxisAlignedBB touching = box(1, 0.2f, 0.2f, 2, 0.8f, 0.8f);
    const AxisAlignedBB inside = box(0.4f, 0.4f, 0.4f, 0.6f, 0.6f, 0.6f);
    const AxisAlignedBB apartInZ = box(0.5f, 0.5f, 1.01f, 2, 2, 2);
    const AxisAlignedBB apartBelow = box(0, -3, 0, 1, -0.001f, 1);

    EXPECT_TRUE(a.intersects(&touching));
    EXPECT_TRUE(touching.intersects(&a));
    EXPECT_TRUE(a.intersects(&inside));
    EXPECT_TRUE(inside.intersects(&a));
    EXPECT_FALSE(a.intersects(&apartInZ));
    EXPECT_FALSE(apartInZ.intersects(&a));
    EXPECT_FALSE(a.intersects(&apartBelow));
}

TEST(BoundingVolume, SpheresMustOverlapStrictly)
{
    const BoundingSphere a = sphere(0, 0, 0, 1);
    const BoundingSphere touching = sphere(3, 0, 0, 2);
    const BoundingSphere overlapping = sphere(0, 2.9f, 0, 2);
    const BoundingSphere far = sphere(5, 5, 5, 1);

    EXPECT_FALSE(a.intersects(&touching));
    EXPECT_FALSE(touching.intersects(&a));
    EXPECT_TRUE(a.intersects(&overlapping));
    EXPECT_TRUE(overlapping.intersects(&a));
    EXPECT_FALSE(a.intersects(&far));
}

TEST(BoundingVolume, SphereAndBoxGiveTheSameAnswerFromEitherSide)
{
    const AxisAlignedBB b = box(0, 0, 0, 1, 1, 1);
    struct Case {
        BoundingSphere s;
        bool expected;
    };
    const Case cases[] = {
        {sphere(0.5f, 0.5f, 0.5f, 0), true}, // centre inside: always
        {sphere(2, 0.5f, 0.5f, 1), true},    // touching a face
        {sphere(2, 0.5f, 0.5f, 0.99f), false},
        {sphere(2, 2, 2, 1.7f), false}, // near a corner: distance sqrt(3)
        {sphere(2, 2, 2, 1.75f), true},
        {sphere(-0.5f, 0.5f, 1.5f, 0.75f), true}, // off an edge: distance sqrt(0.5)
    };
    for (const Case& c : cases) {
        EXPECT_EQ(b.intersects(&c.s), c.expected) << "sphere at " << c.s.centre[0] << " r " << c.s.radius;
        EXPECT_EQ(c.s.intersects(&b), c.expected) << "sphere at " << c.s.centre[0] << " r " << c.s.radius;
    }
}

TEST(BoundingVolume, UnknownKindsNeverIntersect)
{
    const Capsule other;
    const AxisAlignedBB b = box(-100, -100, -100, 100, 100, 100);
    const BoundingSphere s = sphere(0, 0, 0, 100);
    EXPECT_FALSE(b.intersects(&other));
    EXPECT_FALSE(s.intersects(&other));
    EXPECT_FALSE(b.intersects(nullptr));
}

TEST(BoundingVolume, BoxTransformBoundsTheRotatedCorners)
{
    // 90 degrees about z, then moved by (10, 0, 0): x' = -y + 10, y' = x.
    const float m[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1};
    const AxisAlignedBB original = box(1, 2, 3, 4, 6, 5);

    std::unique_ptr<AxisAlignedBB> copy(original.transformedCopy(m));
    expectBox(*copy, 4, 1, 3, 8, 4, 5);
    EXPECT_FALSE(copy->empty);
    expectBox(original, 1, 2, 3, 4, 6, 5); // the copy leaves the original alone

    // 45 degrees: the box around the rotated box grows.
    const float c = 0.70710678f;
    const float r45[16] = {c, c, 0, 0, -c, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    AxisAlignedBB unit = box(-1, -1, 0, 1, 1, 0);
    unit.transform(r45);
    expectBox(unit, -2 * c, -2 * c, 0, 2 * c, 2 * c, 0);
}

TEST(BoundingVolume, TransformedEmptyBoxIsAPointAtTheNewOrigin)
{
    float m[16];
    loadIdentity(m);
    m[12] = 3;
    m[13] = -2;
    m[14] = 7;
    AxisAlignedBB b;
    ASSERT_TRUE(b.empty);
    b.transform(m);
    EXPECT_FALSE(b.empty);
    expectBox(b, 3, -2, 7, 3, -2, 7);
}

TEST(BoundingVolume, SphereTransformTakesTheLargestComponentOfTheMovedRadiusPoint)
{
    float move[16];
    loadIdentity(move);
    move[12] = 10;
    BoundingSphere s = sphere(1, 2, 3, 1);
    std::unique_ptr<BoundingSphere> moved(s.transformedCopy(move));
    EXPECT_FLOAT_EQ(moved->centre[0], 11);
    EXPECT_FLOAT_EQ(moved->centre[1], 2);
    EXPECT_FLOAT_EQ(moved->centre[2], 3);
    EXPECT_FLOAT_EQ(moved->radius, 11); // the largest of 11, 1, 1
    EXPECT_FLOAT_EQ(s.radius, 1);

    float scale[16];
    loadIdentity(scale);
    scale[0] = 2;
    scale[5] = 3;
    scale[10] = 0.5f;
    s.transform(scale);
    EXPECT_FLOAT_EQ(s.radius, 3);
    EXPECT_FLOAT_EQ(s.centre[1], 6);

    // A move towards the negative axes would give a negative radius; it stops at zero.
    float back[16];
    loadIdentity(back);
    back[12] = back[13] = back[14] = -20;
    BoundingSphere light = sphere(0, 0, 0, 0);
    light.transform(back);
    EXPECT_FLOAT_EQ(light.centre[0], -20);
    EXPECT_FLOAT_EQ(light.radius, 0);
}

TEST(BoundingVolume, MergeGrowsTheBoxAndIgnoresEmptyBoxes)
{
    AxisAlignedBB target;
    AxisAlignedBB nothing;

    target.merge(&nothing);
    EXPECT_TRUE(target.empty) << "merging an empty box into an empty box leaves it empty";

    const AxisAlignedBB first = box(1, 1, 1, 2, 2, 2);
    target.merge(&first);
    EXPECT_FALSE(target.empty);
    expectBox(target, 1, 1, 1, 2, 2, 2); // copied, not grown from the origin

    target.merge(&nothing);
    expectBox(target, 1, 1, 1, 2, 2, 2);

    const AxisAlignedBB second = box(-1, 1.5f, 0, 1.5f, 5, 1.5f);
    target.merge(&second);
    expectBox(target, -1, 1, 0, 2, 5, 2);

    const BoundingSphere s = sphere(0, 0, 10, 2);
    target.merge(&s);
    expectBox(target, -2, -2, 0, 2, 5, 12);

    AxisAlignedBB fresh;
    const Capsule other;
    fresh.merge(&other);
    EXPECT_FALSE(fresh.empty) << "any other kind only clears the flag";
    expectBox(fresh, 0, 0, 0, 0, 0, 0);

    fresh.reset();
    EXPECT_TRUE(fresh.empty);
}
