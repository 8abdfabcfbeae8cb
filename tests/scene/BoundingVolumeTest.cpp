// Bounding volumes and their classification against view-frustum planes; no GL needed.
#include "flight/Camera.h"
#include "scene/Frustum.h"

#include "support/MeshBuilders.h"
#include "support/PerspectiveMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace testsupport;

TEST(BoundingVolume, IntersectionRulesHoldBothWays)
{
    auto check = [](const BoundingObject& a, const BoundingObject& b, bool expected, const char* what) {
        EXPECT_EQ(a.intersects(&b), expected) << what;
        EXPECT_EQ(b.intersects(&a), expected) << what << " (reversed)";
    };
    const AxisAlignedBB unit = box(0, 0, 0, 1, 1, 1);
    check(unit, box(1, 0.2f, 0.2f, 2, 0.8f, 0.8f), true, "boxes touching on a face");
    check(unit, box(0.5f, 0.5f, 1.01f, 2, 2, 2), false, "boxes apart along z only");
    check(sphereAt(0, 0, 0, 1), sphereAt(3, 0, 0, 2), false, "spheres exactly touching");
    check(sphereAt(0, 0, 0, 1), sphereAt(0, 2.9f, 0, 2), true, "spheres overlapping");
    check(unit, sphereAt(0.5f, 0.5f, 0.5f, 0), true, "centre inside the box, radius 0");
    check(unit, sphereAt(2, 0.5f, 0.5f, 1), true, "sphere touching a face");
    check(unit, sphereAt(2, 2, 2, 1.7f), false, "sphere short of a corner (sqrt 3 away)");
    check(unit, sphereAt(2, 2, 2, 1.75f), true, "sphere over a corner");
}

TEST(BoundingVolume, TransformAndMergeRules)
{
    const float turn[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1}; // 90 degrees about z, x + 10
    std::unique_ptr<AxisAlignedBB> turned(box(1, 2, 3, 4, 6, 5).transformedCopy(turn));
    EXPECT_EQ(corners(*turned), (std::vector<float>{4, 1, 3, 8, 4, 5}));
    AxisAlignedBB point;
    point.transform(turn);
    EXPECT_FALSE(point.empty) << "a transformed empty box is the point at the new origin";
    EXPECT_EQ(corners(point), (std::vector<float>{10, 0, 0, 10, 0, 0}));

    // Sphere: the largest component of the moved point (r, r, r), translation included.
    const float move[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1};
    const float back[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -20, -20, -20, 1};
    std::unique_ptr<BoundingSphere> moved(sphereAt(1, 2, 3, 1).transformedCopy(move));
    EXPECT_TRUE(moved->centre[0] == 11 && moved->radius == 11);
    moved->transform(back);
    EXPECT_EQ(moved->radius, 0) << "the rule gives -9 here; a radius never becomes negative";

    AxisAlignedBB target;
    const AxisAlignedBB nothing, first = box(1, 1, 1, 2, 2, 2);
    const BoundingSphere s = sphereAt(0, 0, 10, 2);
    target.merge(&nothing);
    EXPECT_TRUE(target.empty);
    target.merge(&first);
    target.merge(&nothing); // empty boxes add nothing; the first box is copied, not grown from 0
    target.merge(&s);
    EXPECT_EQ(corners(target), (std::vector<float>{-2, -2, 1, 2, 2, 12}));
}

TEST(Frustum, PlanesOfAKnownProjectionClassifyBoxesSeenByARealCamera)
{
    double clip[16];
    perspectiveMatrix(90, 1, 1, 100, clip);
    FrustumPlanes planes;
    extractPlanes(clip, planes);
    const double h = std::sqrt(0.5);
    const double expected[6][4] = {{h, 0, -h, 0},  {-h, 0, -h, 0}, {0, h, -h, 0},
                                   {0, -h, -h, 0}, {0, 0, -1, -1}, {0, 0, 1, 100}};
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(planes[i][k], expected[i][k], 1e-9) << "plane " << i;

    const double zero[16] = {};
    extractPlanes(zero, planes);
    EXPECT_EQ(classifyBox(box(1e6f, 1e6f, 1e6f, 2e6f, 2e6f, 2e6f), planes), FrustumInside)
        << "no plane of a degenerate matrix culls anything";

    // At (0, 0, 10) looking at the origin, 60 degrees, 4:3, near 1 (z = 9), far 100 (z = -90).
    qorm::scenegraph::Camera camera;
    camera.eye[0] = camera.eye[1] = 0;
    camera.eye[2] = 10;
    perspectiveMatrix(60, 4.0 / 3.0, 1, 100, clip);
    camera.update(clip);
    const FrustumPlanes& seen = camera.frustumPlanes;
    EXPECT_EQ(classifyBox(box(-1, -1, -1, 1, 1, 1), seen), FrustumInside);
    EXPECT_EQ(classifyBox(box(-1000, -1, -1, -900, 1, 1), seen), FrustumOutside);
    EXPECT_EQ(classifyBox(box(-0.1f, -0.1f, 8.5f, 0.1f, 0.1f, 9.5f), seen), FrustumIntersecting);
    const BoundingSphere behind = sphereAt(0, 0, 20, 1);
    EXPECT_EQ(classifyVolume(&behind, seen), FrustumInside) << "only boxes are culled";
}
