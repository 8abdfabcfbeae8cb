#include "flight/FlightRecording.h"
#include "flight/Airplane.h"
#include "render/MatrixMath.h"

#include "support/ManualCounter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace qorm::scenegraph;

namespace
{

const double up[3] = {0, 1, 0};

// A pose turned `angle` radians about world up and placed at (x, y, z).
FlightRecording::Pose pose(double angle, double x, double y, double z)
{
    FlightRecording::Pose m;
    Rot(up, angle, m.data());
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

void expectPose(const double* actual, const FlightRecording::Pose& expected, const char* what)
{
    for (int k = 0; k < 16; ++k)
        EXPECT_NEAR(actual[k], expected[k], 1e-12) << what << ", element " << k;
}

} // namespace

TEST(FlightRecording, SeekBlendsNeighbouringStepsAndHoldsBothEnds)
{
    FlightRecording recording(1234);
    EXPECT_EQ(recording.current[0], 1.0);
    recording.seek(0.5); // nothing recorded yet: stays as it is
    expectPose(recording.current, pose(0, 0, 0, 0), "identity before any sample");

    recording.record(0, pose(0, 0, 10, 0).data());
    recording.record(1, pose(M_PI / 2, 6, 10, 2).data());
    recording.record(1, pose(1, 99, 99, 99).data());  // a step recorded twice keeps its first pose
    recording.record(3, pose(M_PI, 6, 10, 8).data()); // step 2 was skipped: it repeats step 1
    ASSERT_EQ(recording.sampleCount(), 4);

    recording.seek(0.5);
    expectPose(recording.current, pose(M_PI / 4, 3, 10, 1), "halfway: 45 degrees, halfway along");
    recording.seek(1.75);
    expectPose(recording.current, pose(M_PI / 2, 6, 10, 2), "the repeated step");
    recording.seek(2.5);
    expectPose(recording.current, pose(3 * M_PI / 4, 6, 10, 5), "turning on");
    recording.seek(-3);
    expectPose(recording.current, pose(0, 0, 10, 0), "before the start: the first pose");
    recording.seek(1e9);
    expectPose(recording.current, pose(M_PI, 6, 10, 8), "after the end: the last pose");
}

TEST(FlightRecording, ATwoHourFlightKeepsItsFirstThirtyMinutes)
{
    ManualCounter counter;
    counter.set(0);
    Airplane airplane("");
    airplane.startRecording(0);
    counter.set(1);
    airplane.handleKey('w', true);
    double at30Minutes[16] = {};
    for (int64_t now = 0; now <= 2 * 3600 * int64_t(1000000000); now += 250000000) {
        airplane.advanceTo(now);
        if (airplane.stepCount == 30 * 60 * 60)
            copyMatrix(airplane.transform, at30Minutes);
    }
    EXPECT_EQ(airplane.stepCount, 2 * 3600 * 60);
    FlightRecording& recording = *airplane.recording;
    EXPECT_EQ(recording.sampleCount(), FlightRecording::maxSamples);
    EXPECT_NE(recording.samples.back()[14], airplane.transform[14]) << "the flight went on";
    recording.seek(2 * 3600 * 60);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(recording.current[k], at30Minutes[k]) << "the last kept pose stays, element " << k;
}
