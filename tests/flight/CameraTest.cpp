#include "flight/PursuitCam.h"
#include "render/MatrixMath.h"

#include "support/GLContext.h"
#include "support/MeshBuilders.h"

#include <cmath>
#include <vector>

using namespace qorm::scenegraph;

namespace
{

const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Where the world point (x, y, z) lands in the camera's eye space, rounded to 1e-9.
std::vector<double> inEyeSpace(const Camera& camera, double x, double y, double z)
{
    const double p[3] = {x, y, z};
    double e[3];
    transformPoint(camera.view, p, e);
    return {std::round(e[0] * 1e9) / 1e9, std::round(e[1] * 1e9) / 1e9, std::round(e[2] * 1e9) / 1e9};
}

using CameraGL = GLTest;

} // namespace

TEST(PursuitCam, PursuitViewStaysBehindAtTheAirplanesHeightEvenWithTheNoseStraightUp)
{
    PursuitCam camera;
    double position[3] = {5, 7, 9}, up[3] = {0, 1, 0}, climbing[3] = {3, 4, 0}; // heading +x
    double rolled[3] = {0, 0, 1}, diving[3] = {0.1, -0.9, 0}, straightUp[3] = {0, 1, 0}, down[3] = {0, -3, 0};
    // Then rolled, diving, or straight up or down along that heading: the view stays.
    for (double* nose : {climbing, diving, straightUp, down}) {
        camera.place(position, nose == climbing ? up : rolled, nose, 2.0);
        camera.update(identity);
        EXPECT_EQ(inEyeSpace(camera, 5, 7, 9), (std::vector<double>{0, 0, -2})) << "2 behind, same height";
        EXPECT_EQ(inEyeSpace(camera, 5, 8, 9), (std::vector<double>{0, 1, -2})) << "world up is up";
    }
}

TEST(PursuitCam, CockpitViewRollsAndPitchesWithTheAirplane)
{
    PursuitCam camera(PursuitCam::Cockpit);
    double position[3] = {5, 7, 9}, up[3] = {2, 0, 0}, nose[3] = {0, 0, -4}; // rolled 90 degrees
    camera.place(position, up, nose, 2.0);
    camera.update(identity);
    EXPECT_EQ(inEyeSpace(camera, 5, 7, 8), (std::vector<double>{0, 0, -1})) << "looking along the nose";
    EXPECT_EQ(inEyeSpace(camera, 6, 7, 8), (std::vector<double>{0, 1, -1})) << "world +x is up now";
}

TEST_F(CameraGL, ViewMatchesGluLookAtForAPerpendicularUpVector)
{
    testsupport::LitView view;
    Camera camera;
    const double eye[3] = {1, 2, 3}, center[3] = {4, 2, -1}; // up (0, 1, 0) is perpendicular
    std::copy(eye, eye + 3, camera.eye);
    std::copy(center, center + 3, camera.center);
    camera.up[1] = 5;
    double reference[16];
    gluLookAt(eye[0], eye[1], eye[2], center[0], center[1], center[2], 0, 1, 0);
    glGetDoublev(GL_MODELVIEW_MATRIX, reference);
    camera.update(); // reads the GL projection for its planes
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(camera.view[i], reference[i], 1e-6) << "element " << i;
}
