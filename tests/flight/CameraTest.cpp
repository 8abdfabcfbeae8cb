#include "flight/PursuitCam.h"
#include "scene/MatrixMath.h"

#include "support/GLContext.h"
#include "support/PerspectiveMatrix.h"

#include <GL/glew.h>

#include <GL/glu.h>

#include <gtest/gtest.h>

#include <cmath>

using qorm::scenegraph::Camera;
using qorm::scenegraph::PursuitCam;

namespace
{

struct Vec {
    double x, y, z;
};

// p in the camera's eye space.
Vec toEye(const Camera& camera, Vec p)
{
    const double in[3] = {p.x, p.y, p.z};
    double out[3];
    transformPoint(camera.view, in, out);
    return {out[0], out[1], out[2]};
}

void expectVec(const double* v, double x, double y, double z, const char* what)
{
    EXPECT_NEAR(v[0], x, 1e-9) << what;
    EXPECT_NEAR(v[1], y, 1e-9) << what;
    EXPECT_NEAR(v[2], z, 1e-9) << what;
}

void expectAllFinite(const Camera& camera)
{
    for (double v : camera.view)
        ASSERT_TRUE(std::isfinite(v));
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(std::isfinite(camera.frustumPlanes[i][k]));
    for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(std::isfinite(camera.eye[k]) && std::isfinite(camera.center[k]) &&
                    std::isfinite(camera.up[k]));
}

void identityProjection(double p[16])
{
    loadIdentity(p);
}

} // namespace

TEST(Camera, ViewPutsTheEyeAtTheOriginLookingDownMinusZ)
{
    Camera camera;
    camera.up[1] = 5; // not unit: update stores it normalised
    double projection[16];
    identityProjection(projection);
    camera.update(projection);
    EXPECT_FALSE(camera.dirty);
    expectVec(camera.up, 0, 1, 0, "up normalised in place");

    const Vec eye = toEye(camera, {3, 3, 10});
    EXPECT_NEAR(eye.x, 0, 1e-9);
    EXPECT_NEAR(eye.y, 0, 1e-9);
    EXPECT_NEAR(eye.z, 0, 1e-9);
    const Vec centre = toEye(camera, {0, 0, 0});
    EXPECT_NEAR(centre.x, 0, 1e-9);
    EXPECT_NEAR(centre.y, 0, 1e-9);
    EXPECT_NEAR(centre.z, -std::sqrt(9.0 + 9.0 + 100.0), 1e-9);
}

TEST(Camera, UpdateDoesNothingUnlessDirty)
{
    Camera camera;
    double projection[16];
    testsupport::perspectiveMatrix(60, 1, 1, 100, projection);
    camera.update(projection);
    double view[16];
    copyMatrix(camera.view, view);
    const FrustumPlanes planes = camera.frustumPlanes;

    camera.eye[0] = 50;
    testsupport::perspectiveMatrix(20, 2, 5, 50, projection);
    camera.update(projection);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(camera.view[i], view[i]);
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(camera.frustumPlanes[i][k], planes[i][k]);
}

TEST(Camera, FrustumPlanesFollowTheView)
{
    Camera camera;
    camera.eye[0] = 0;
    camera.eye[1] = 0;
    camera.eye[2] = 10;
    double projection[16];
    testsupport::perspectiveMatrix(90, 1, 1, 100, projection);
    camera.update(projection);
    const double h = std::sqrt(0.5);
    // Near at z = 9, far at z = -90; the left plane passes through the eye.
    expectVec(camera.frustumPlanes[PlaneNear], 0, 0, -1, "near normal");
    EXPECT_NEAR(camera.frustumPlanes[PlaneNear][3], 9, 1e-9);
    expectVec(camera.frustumPlanes[PlaneFar], 0, 0, 1, "far normal");
    EXPECT_NEAR(camera.frustumPlanes[PlaneFar][3], 90, 1e-9);
    expectVec(camera.frustumPlanes[PlaneLeft], h, 0, -h, "left normal");
    EXPECT_NEAR(camera.frustumPlanes[PlaneLeft][3], 10 * h, 1e-9);
}

TEST(PursuitCam, PursuitViewStaysBehindAtTheAirplanesHeight)
{
    PursuitCam camera;
    ASSERT_EQ(camera.mode, PursuitCam::Pursuit);
    double position[3] = {5, 7, 9};
    double up[3] = {0, 1, 0};
    double climbing[3] = {3, 4, 0}; // nose 53 degrees up, heading +x
    camera.place(position, up, climbing, 2.0);
    EXPECT_TRUE(camera.dirty);
    expectVec(camera.eye, 3, 7, 9, "eye 2 behind, same height");
    expectVec(camera.center, 5, 7, 9, "looks at the airplane");
    expectVec(camera.up, 0, 1, 0, "world up");

    double projection[16];
    identityProjection(projection);
    camera.update(projection);
    double view[16];
    copyMatrix(camera.view, view);

    // Rolling and diving change nothing but the distance behind along the heading.
    double rolled[3] = {0, 0, 1};
    double diving[3] = {0.1, -0.9, 0};
    camera.place(position, rolled, diving, 2.0);
    camera.update(projection);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(camera.view[i], view[i], 1e-12) << "element " << i;
}

TEST(PursuitCam, CockpitViewRollsAndPitchesWithTheAirplane)
{
    PursuitCam camera(PursuitCam::Cockpit);
    double position[3] = {5, 7, 9};
    double up[3] = {2, 0, 0};    // rolled 90 degrees
    double nose[3] = {0, 0, -4}; // along -z
    camera.place(position, up, nose, 2.0);
    expectVec(camera.eye, 5, 7, 9, "eye in the airplane");
    expectVec(camera.center, 5, 7, 8, "one unit ahead along the nose");
    expectVec(camera.up, 1, 0, 0, "airplane's up");
    expectVec(nose, 0, 0, -1, "directions normalised in place");

    double projection[16];
    identityProjection(projection);
    camera.update(projection);
    // World +x is the camera's up now, so a point above the airplane's wing appears above.
    const Vec p = toEye(camera, {6, 7, 8});
    EXPECT_NEAR(p.x, 0, 1e-9);
    EXPECT_NEAR(p.y, 1, 1e-9);
    EXPECT_NEAR(p.z, -1, 1e-9);
}

TEST(PursuitCam, ModeChangesTakeEffectAtTheNextPlacement)
{
    PursuitCam camera;
    double position[3] = {0, 0, 0};
    double up[3] = {0, 1, 0};
    double nose[3] = {1, 0, 0};
    camera.place(position, up, nose, 2.0);
    camera.mode = PursuitCam::Cockpit;
    expectVec(camera.eye, -2, 0, 0, "still pursuit until the next placement");
    camera.place(position, up, nose, 2.0);
    expectVec(camera.eye, 0, 0, 0, "cockpit now");

    double projection[16];
    identityProjection(projection);
    camera.update(projection);
    camera.mode = 7; // no such mode: nothing moves and the view stays current
    double elsewhere[3] = {100, 100, 100};
    camera.place(elsewhere, up, nose, 2.0);
    EXPECT_FALSE(camera.dirty);
    expectVec(camera.eye, 0, 0, 0, "unknown mode");
}

TEST(PursuitCam, VerticalNoseKeepsTheLastHeading)
{
    double projection[16];
    testsupport::perspectiveMatrix(60, 1, 1, 100, projection);

    PursuitCam fresh; // straight up before any heading was seen
    double position[3] = {0, 50, 0};
    double up[3] = {0, 0, -1};
    double straightUp[3] = {0, 1, 0};
    fresh.place(position, up, straightUp, 2.0);
    fresh.update(projection);
    expectAllFinite(fresh);
    EXPECT_NEAR(fresh.eye[1], 50, 1e-9);

    PursuitCam camera;
    double level[3] = {0, 0, 1};
    double worldUp[3] = {0, 1, 0};
    camera.place(position, worldUp, level, 2.0);
    camera.update(projection);
    double down[3] = {0, -3, 0};
    for (double* vertical : {straightUp, down}) {
        camera.place(position, up, vertical, 2.0);
        camera.update(projection);
        expectAllFinite(camera);
        expectVec(camera.eye, 0, 50, -2, "still 2 behind along the last heading");
        expectVec(camera.center, 0, 50, 0, "looking at the airplane");
    }
}

class CameraGL : public GLTest
{
};

TEST_F(CameraGL, ViewMatchesGluLookAtWhenTheSideVectorIsUnit)
{
    Camera camera;
    // Up perpendicular to the viewing direction, so the side vector comes out unit length.
    const double eye[3] = {1, 2, 3}, center[3] = {4, 2, -1}, up[3] = {0, 1, 0};
    for (int k = 0; k < 3; ++k) {
        camera.eye[k] = eye[k];
        camera.center[k] = center[k];
        camera.up[k] = up[k];
    }
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45, 4.0 / 3.0, 0.5, 500);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], center[0], center[1], center[2], up[0], up[1], up[2]);
    double reference[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, reference);
    glPopMatrix();

    camera.update(); // reads the projection set above
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(camera.view[i], reference[i], 1e-6) << "element " << i;

    double projection[16], expected[16];
    testsupport::perspectiveMatrix(45, 4.0 / 3.0, 0.5, 500, projection);
    multMatrix(projection, reference, expected);
    FrustumPlanes planes;
    extractPlanes(expected, planes);
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k)
            // GL keeps the projection in single precision.
            EXPECT_NEAR(camera.frustumPlanes[i][k], planes[i][k],
                        1e-5 * std::fmax(1.0, std::fabs(planes[i][k])))
                << "plane " << i;
}
