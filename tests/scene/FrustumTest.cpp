#include "scene/Frustum.h"
#include "flight/Camera.h"
#include "scene/AxisAlignedBB.h"
#include "scene/BoundingSphere.h"
#include "scene/MatrixMath.h"

#include "support/PerspectiveMatrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

AxisAlignedBB box(float x0, float y0, float z0, float x1, float y1, float z1)
{
    const float lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
    return AxisAlignedBB(lo, hi);
}

void expectPlane(const FrustumPlanes& planes, int i, double a, double b, double c, double d)
{
    EXPECT_NEAR(planes[i][0], a, 1e-9) << "plane " << i;
    EXPECT_NEAR(planes[i][1], b, 1e-9) << "plane " << i;
    EXPECT_NEAR(planes[i][2], c, 1e-9) << "plane " << i;
    EXPECT_NEAR(planes[i][3], d, 1e-9) << "plane " << i;
}

// A camera at (0, 0, 10) looking at the origin with a 60 degree, 4:3 projection from 1 to 100.
FrustumPlanes cameraPlanes()
{
    qorm::scenegraph::Camera camera;
    camera.eye[0] = 0;
    camera.eye[1] = 0;
    camera.eye[2] = 10;
    double projection[16];
    testsupport::perspectiveMatrix(60, 4.0 / 3.0, 1, 100, projection);
    camera.update(projection);
    return camera.frustumPlanes;
}

} // namespace

TEST(Frustum, PlanesOfAKnownProjectionAreNormalisedAndInOrder)
{
    double clip[16];
    testsupport::perspectiveMatrix(90, 1, 1, 100, clip);
    FrustumPlanes planes;
    extractPlanes(clip, planes);

    const double h = std::sqrt(0.5);
    expectPlane(planes, PlaneLeft, h, 0, -h, 0);
    expectPlane(planes, PlaneRight, -h, 0, -h, 0);
    expectPlane(planes, PlaneBottom, 0, h, -h, 0);
    expectPlane(planes, PlaneTop, 0, -h, -h, 0);
    expectPlane(planes, PlaneNear, 0, 0, -1, -1); // z <= -1
    expectPlane(planes, PlaneFar, 0, 0, 1, 100);  // z >= -100
}

TEST(Frustum, DegenerateMatrixCullsNothing)
{
    double zero[16] = {};
    FrustumPlanes planes;
    extractPlanes(zero, planes);
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(std::isfinite(planes[i][3]));
    }
    EXPECT_EQ(classifyBox(box(1e6f, 1e6f, 1e6f, 2e6f, 2e6f, 2e6f), planes), FrustumInside);
}

TEST(Frustum, BoxesClassifyAgainstARealCamera)
{
    const FrustumPlanes planes = cameraPlanes();

    EXPECT_EQ(classifyBox(box(-1, -1, -1, 1, 1, 1), planes), FrustumInside);
    EXPECT_EQ(classifyBox(box(-1000, -1, -1, -900, 1, 1), planes), FrustumOutside);
    EXPECT_EQ(classifyBox(box(-1, 200, -1, 1, 210, 1), planes), FrustumOutside);
    // The near plane lies at z = 9.
    EXPECT_EQ(classifyBox(box(-0.1f, -0.1f, 8.5f, 0.1f, 0.1f, 9.5f), planes), FrustumIntersecting);
    // Behind the camera.
    EXPECT_EQ(classifyBox(box(-0.1f, -0.1f, 11, 0.1f, 0.1f, 12), planes), FrustumOutside);
    // Across the far plane at z = -90, and across the left side.
    EXPECT_EQ(classifyBox(box(-1, -1, -95, 1, 1, -85), planes), FrustumIntersecting);
    EXPECT_EQ(classifyBox(box(-50, -1, -1, 0, 1, 1), planes), FrustumIntersecting);
    // An empty box is the point at the origin, which this camera sees.
    EXPECT_EQ(classifyBox(AxisAlignedBB(), planes), FrustumInside);
}

TEST(Frustum, OnlyBoxesAreCulled)
{
    const FrustumPlanes planes = cameraPlanes();
    const AxisAlignedBB behind = box(-1, -1, 20, 1, 1, 21);
    const float c[3] = {0, 0, 20};
    const BoundingSphere sphereBehind(c, 1);

    EXPECT_EQ(classifyVolume(&behind, planes), FrustumOutside);
    EXPECT_EQ(classifyVolume(&sphereBehind, planes), FrustumInside);
}
