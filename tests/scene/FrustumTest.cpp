#include "scene/Frustum.h"
#include "flight/Camera.h"
#include "scene/AxisAlignedBB.h"
#include "scene/BoundingSphere.h"

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

} // namespace

TEST(Frustum, PlanesOfAKnownProjectionAreNormalisedAndInOrder)
{
    double clip[16];
    testsupport::perspectiveMatrix(90, 1, 1, 100, clip);
    FrustumPlanes planes;
    extractPlanes(clip, planes);
    const double h = std::sqrt(0.5);
    const double expected[6][4] = {{h, 0, -h, 0},  {-h, 0, -h, 0}, {0, h, -h, 0},
                                   {0, -h, -h, 0}, {0, 0, -1, -1}, {0, 0, 1, 100}};
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(planes[i][k], expected[i][k], 1e-9) << "plane " << i;

    // A degenerate matrix gives planes that cull nothing rather than NaN.
    const double zero[16] = {};
    extractPlanes(zero, planes);
    EXPECT_EQ(classifyBox(box(1e6f, 1e6f, 1e6f, 2e6f, 2e6f, 2e6f), planes), FrustumInside);
}

TEST(Frustum, VolumesClassifyAgainstARealCamera)
{
    // At (0, 0, 10) looking at the origin, 60 degrees, 4:3, near 1 (z = 9), far 100 (z = -90).
    qorm::scenegraph::Camera camera;
    camera.eye[0] = camera.eye[1] = 0;
    camera.eye[2] = 10;
    double projection[16];
    testsupport::perspectiveMatrix(60, 4.0 / 3.0, 1, 100, projection);
    camera.update(projection);
    const FrustumPlanes& planes = camera.frustumPlanes;

    EXPECT_EQ(classifyBox(box(-1, -1, -1, 1, 1, 1), planes), FrustumInside);
    EXPECT_EQ(classifyBox(box(-1000, -1, -1, -900, 1, 1), planes), FrustumOutside);
    EXPECT_EQ(classifyBox(box(-0.1f, -0.1f, 8.5f, 0.1f, 0.1f, 9.5f), planes), FrustumIntersecting);
    EXPECT_EQ(classifyBox(box(-0.1f, -0.1f, 11, 0.1f, 0.1f, 12), planes), FrustumOutside) << "behind";
    EXPECT_EQ(classifyBox(box(-1, -1, -95, 1, 1, -85), planes), FrustumIntersecting) << "across far";
    EXPECT_EQ(classifyBox(AxisAlignedBB(), planes), FrustumInside) << "empty box: the origin";

    const float behind[3] = {0, 0, 20};
    const BoundingSphere sphereBehind(behind, 1);
    EXPECT_EQ(classifyVolume(&sphereBehind, planes), FrustumInside) << "only boxes are culled";
}
