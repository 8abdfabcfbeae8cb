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

void expectVec(const double* v, double x, double y, double z, const char* what)
{
    EXPECT_NEAR(v[0], x, 1e-9) << what;
    EXPECT_NEAR(v[1], y, 1e-9) << what;
    EXPECT_NEAR(v[2], z, 1e-9) << what;
}

// Where the world point p lands in the camera's eye space.
void expectInEyeSpace(const Camera& camera, double px, double py, double pz, double x, double y, double z)
{
    const double p[3] = {px, py, pz};
    double e[3];
    transformPoint(camera.view, p, e);
    expectVec(e, x, y, z, "eye space");
}

const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

} // namespace

TEST(Camera, ViewLooksFromEyeToCentreAndChangesOnlyWhenDirty)
{
    Camera camera;
    camera.up[1] = 5;
    camera.update(identity);
    EXPECT_FALSE(camera.dirty);
    expectVec(camera.up, 0, 1, 0, "up normalised in place");
    expectInEyeSpace(camera, 3, 3, 10, 0, 0, 0);
    expectInEyeSpace(camera, 0, 0, 0, 0, 0, -std::sqrt(118.0));

    double view[16];
    copyMatrix(camera.view, view);
    const double nearPlane = camera.frustumPlanes[PlaneNear][3];
    camera.eye[0] = 50;
    double projection[16];
    testsupport::perspectiveMatrix(20, 2, 5, 50, projection);
    camera.update(projection);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(camera.view[i], view[i]);
    EXPECT_EQ(camera.frustumPlanes[PlaneNear][3], nearPlane);
}

TEST(PursuitCam, PursuitViewStaysBehindAtTheAirplanesHeightWithWorldUp)
{
    PursuitCam camera;
    ASSERT_EQ(camera.mode, PursuitCam::Pursuit);
    double position[3] = {5, 7, 9};
    double up[3] = {0, 1, 0};
    double climbing[3] = {3, 4, 0}; // nose 53 degrees up, heading +x
    camera.follow(position, up, climbing, 2.0);
    expectVec(camera.eye, 3, 7, 9, "eye 2 behind, same height");
    expectVec(camera.center, 5, 7, 9, "looks at the airplane");
    camera.update(identity);
    double view[16];
    copyMatrix(camera.view, view);

    // Rolling and diving along the same heading change nothing.
    double rolled[3] = {0, 0, 1};
    double diving[3] = {0.1, -0.9, 0};
    camera.place(position, rolled, diving, 2.0);
    camera.update(identity);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(camera.view[i], view[i], 1e-12) << "element " << i;
}

TEST(PursuitCam, CockpitViewRollsAndPitchesWithTheAirplane)
{
    PursuitCam camera;
    double position[3] = {5, 7, 9};
    double up[3] = {2, 0, 0};    // rolled 90 degrees
    double nose[3] = {0, 0, -4}; // along -z
    camera.mode = PursuitCam::Cockpit;
    expectVec(camera.eye, 3, 3, 10, "nothing moves before the next placement");
    camera.place(position, up, nose, 2.0);
    expectVec(camera.eye, 5, 7, 9, "eye in the airplane");
    expectVec(camera.center, 5, 7, 8, "one unit ahead along the nose");
    camera.update(identity);
    expectInEyeSpace(camera, 6, 7, 8, 0, 1, -1); // world +x is the camera's up now

    camera.mode = 7; // no such mode: nothing moves
    double elsewhere[3] = {100, 100, 100};
    camera.place(elsewhere, up, nose, 2.0);
    EXPECT_FALSE(camera.dirty);
    expectVec(camera.eye, 5, 7, 9, "unknown mode");
}

TEST(PursuitCam, VerticalNoseKeepsTheLastHeading)
{
    double projection[16];
    testsupport::perspectiveMatrix(60, 1, 1, 100, projection);
    double position[3] = {0, 50, 0};
    double worldUp[3] = {0, 1, 0};
    double level[3] = {0, 0, 1};
    double straightUp[3] = {0, 1, 0};
    double down[3] = {0, -3, 0};
    PursuitCam camera;
    camera.place(position, worldUp, level, 2.0);
    for (double* vertical : {straightUp, down}) {
        double up[3] = {0, 0, -1};
        camera.place(position, up, vertical, 2.0);
        camera.update(projection);
        expectVec(camera.eye, 0, 50, -2, "still 2 behind along the last heading");
        for (double v : camera.view)
            ASSERT_TRUE(std::isfinite(v));
        for (int k = 0; k < 4; ++k)
            ASSERT_TRUE(std::isfinite(camera.frustumPlanes[PlaneLeft][k]));
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

    double projection[16], clip[16];
    testsupport::perspectiveMatrix(45, 4.0 / 3.0, 0.5, 500, projection);
    multMatrix(projection, reference, clip);
    FrustumPlanes planes;
    extractPlanes(clip, planes);
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 4; ++k) // GL keeps the projection in single precision
            EXPECT_NEAR(camera.frustumPlanes[i][k], planes[i][k],
                        1e-5 * std::fmax(1.0, std::fabs(planes[i][k])))
                << "plane " << i;
}
