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
    const float expected[6] = {x0, y0, z0, x1, y1, z1};
    for (int k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(b.min[k], expected[k]) << "min " << k;
        EXPECT_FLOAT_EQ(b.max[k], expected[3 + k]) << "max " << k;
    }
}

// Both directions must agree.
void expectIntersection(const BoundingObject& a, const BoundingObject& b, bool expected, const char* what)
{
    EXPECT_EQ(a.intersects(&b), expected) << what;
    EXPECT_EQ(b.intersects(&a), expected) << what << " (reversed)";
}

} // namespace

TEST(BoundingVolume, IntersectionRules)
{
    const AxisAlignedBB unit = box(0, 0, 0, 1, 1, 1);
    expectIntersection(unit, box(1, 0.2f, 0.2f, 2, 0.8f, 0.8f), true, "boxes touching on a face");
    expectIntersection(unit, box(0.4f, 0.4f, 0.4f, 0.6f, 0.6f, 0.6f), true, "box inside box");
    expectIntersection(unit, box(0.5f, 0.5f, 1.01f, 2, 2, 2), false, "boxes apart along z only");

    const BoundingSphere s = sphere(0, 0, 0, 1);
    expectIntersection(s, sphere(3, 0, 0, 2), false, "spheres exactly touching");
    expectIntersection(s, sphere(0, 2.9f, 0, 2), true, "spheres overlapping");

    expectIntersection(unit, sphere(0.5f, 0.5f, 0.5f, 0), true, "centre inside the box, radius 0");
    expectIntersection(unit, sphere(2, 0.5f, 0.5f, 1), true, "sphere touching a face");
    expectIntersection(unit, sphere(2, 0.5f, 0.5f, 0.99f), false, "sphere short of a face");
    expectIntersection(unit, sphere(2, 2, 2, 1.7f), false, "sphere short of a corner (sqrt 3 away)");
    expectIntersection(unit, sphere(2, 2, 2, 1.75f), true, "sphere over a corner");

    const Capsule other;
    EXPECT_FALSE(box(-100, -100, -100, 100, 100, 100).intersects(&other));
    EXPECT_FALSE(sphere(0, 0, 0, 100).intersects(&other));
}

TEST(BoundingVolume, TransformRules)
{
    // 90 degrees about z, then moved by (10, 0, 0): x' = -y + 10, y' = x.
    const float m[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1};
    const AxisAlignedBB original = box(1, 2, 3, 4, 6, 5);
    std::unique_ptr<AxisAlignedBB> turned(original.transformedCopy(m));
    expectBox(*turned, 4, 1, 3, 8, 4, 5);
    expectBox(original, 1, 2, 3, 4, 6, 5);

    // A transformed empty box is the point at the new origin, no longer empty.
    AxisAlignedBB nothing;
    nothing.transform(m);
    EXPECT_FALSE(nothing.empty);
    expectBox(nothing, 10, 0, 0, 10, 0, 0);

    // Sphere: the largest component of the moved point (r, r, r), translation included.
    float move[16];
    loadIdentity(move);
    move[12] = 10;
    std::unique_ptr<BoundingSphere> moved(sphere(1, 2, 3, 1).transformedCopy(move));
    EXPECT_FLOAT_EQ(moved->centre[0], 11);
    EXPECT_FLOAT_EQ(moved->radius, 11); // the largest of 11, 1, 1

    // Moved towards the negative axes the rule would give a negative radius; it stops at 0.
    move[12] = move[13] = move[14] = -20;
    BoundingSphere light = sphere(0, 0, 0, 0);
    light.transform(move);
    EXPECT_FLOAT_EQ(light.centre[1], -20);
    EXPECT_FLOAT_EQ(light.radius, 0);
}

TEST(BoundingVolume, MergeGrowsTheBoxAndIgnoresEmptyBoxes)
{
    AxisAlignedBB target;
    const AxisAlignedBB nothing;
    target.merge(&nothing);
    EXPECT_TRUE(target.empty);

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
}
