#include "flight/Airplane.h"
#include "flight/FlightRecording.h"

#include "support/ManualCounter.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace qorm::scenegraph;

namespace
{

const int64_t second = 1000000000; // counter ticks
const int64_t stepLength = second / 60;
const int Up = 1000 + GLUT_KEY_UP, Down = 1000 + GLUT_KEY_DOWN; // arrows: special keys
const int Left = 1000 + GLUT_KEY_LEFT, Right = 1000 + GLUT_KEY_RIGHT;
const ControlState released{Released, Released, Released, Released};

struct KeyEvent {
    int64_t ticks; // counter instant of the change
    int key;       // a letter, or an arrow above
    bool down;
};

// Flies `script` (in time order) to `end` with `callsPerSecond` calls of advanceTo a second; each
// key change reaches the airplane between the two calls around its instant, as GLUT would hand it.
// A change stamped at a call's own instant comes before that call when `changesFirst`, otherwise
// after it.
void fly(Airplane& airplane, ManualCounter& counter, const std::vector<KeyEvent>& script, int64_t end,
         int callsPerSecond = 60, bool changesFirst = true)
{
    size_t next = 0;
    auto hand = [&](int64_t upTo, bool inclusive) {
        for (;
             next < script.size() && (script[next].ticks < upTo || (inclusive && script[next].ticks == upTo));
             ++next) {
            const KeyEvent& event = script[next];
            counter.set(event.ticks);
            if (event.key >= 1000)
                airplane.handleSpecialKey(event.key - 1000, event.down);
            else
                airplane.handleKey((unsigned char)event.key, event.down);
        }
    };
    for (int64_t call = airplane.lastTicks * callsPerSecond / second + 1;; ++call) {
        int64_t now = std::min(call * second / callsPerSecond, end);
        hand(now, changesFirst);
        counter.set(now);
        airplane.advanceTo(now);
        hand(now, true);
        if (now == end)
            return;
    }
}

// High above the ground, nose level, at full throttle and about its steady airspeed.
void cruise(Airplane& airplane)
{
    airplane.throttleSpeed = 20;
    airplane.airspeed = 0.82;
    airplane.transform[13] = 500;
}

} // namespace

TEST(Airplane, ThrottleRampsAtTwoPerSecondToTheTopAndTheAirspeedSettles)
{
    ManualCounter counter;
    counter.set(0);
    Airplane airplane("");
    fly(airplane, counter, {{0, 'w', true}}, second);
    EXPECT_NEAR(airplane.throttleSpeed, 2.0 * 59 / 60, 1e-12) << "held from the second step on";
    while (airplane.throttleSpeed < 20) {
        int64_t now = airplane.stepTime(airplane.stepCount + 1);
        airplane.advanceTo(now);
    }
    const double topSeconds = double(airplane.stepCount - 1) / 60;
    EXPECT_NEAR(topSeconds, 10.0, 1.0 / 60 + 1e-9);

    // The steady speed along the ground, nose level: the step law's fixed point at dt = 1/60.
    fly(airplane, counter, {}, 40 * second);
    const double z0 = airplane.transform[14];
    fly(airplane, counter, {}, 41 * second);
    const double unitsPerSecond = airplane.transform[14] - z0, gain = 20.0 / 60;
    EXPECT_NEAR(airplane.airspeed, 2 * std::sqrt(gain - 0.001 / 60) - gain, 1e-9);
    EXPECT_NEAR(unitsPerSecond, 60 * 0.821, 0.1);
    EXPECT_EQ(airplane.transform[13], 0.0) << "rests on the ground";
    std::printf("top throttle after %.3f s; steady airspeed %.6f units per step, %.3f units per second\n",
                topSeconds, airplane.airspeed, unitsPerSecond);

    // S brings it down at the same rate, from the step that starts at the press; released, it stays.
    fly(airplane, counter, {{41 * second, 'S', true}, {44 * second, 's', false}}, 50 * second);
    EXPECT_NEAR(airplane.throttleSpeed, 20 - 2.0 * 3, 1e-9);
}

TEST(Airplane, TheSameStampedInputFliesBitIdenticallyAtEveryCallRate)
{
    // Take-off, a climb, a banked turn with rudder, taps shorter than a step, changes in one tick.
    const std::vector<KeyEvent> script = {
        {1, 'w', true},
        {12 * second + 3, Down, true},
        {12 * second + 200000000, Down, false},
        {16 * second + 1234567, Right, true},
        {16 * second + 1234567, 'a', true},
        {16 * second + 300000000, Right, false},
        {18 * second, 'a', false},
        {19 * second + 4000000, Left, true},
        {19 * second + 6000000, Left, false},
        {20 * second + 10, Up, true},
        {20 * second + 10, Up, false},
        {21 * second, 'd', true},
        {22 * second + 333333333, 'd', false},
    };
    ManualCounter counter;
    std::vector<FlightRecording::Pose> reference;
    for (int rate : {60, 20, 144, 500}) {
        SCOPED_TRACE(rate);
        counter.set(0);
        Airplane airplane("");
        airplane.startRecording(0);
        fly(airplane, counter, script, 26 * second, rate);
        ASSERT_EQ(airplane.recording->sampleCount(), 26 * 60 + 1);
        if (reference.empty()) {
            reference = airplane.recording->samples;
            EXPECT_GT(airplane.transform[13], 5.0) << "the script flies";
            EXPECT_GT(std::fabs(airplane.transform[12]), 5.0) << "and turns";
        }
        EXPECT_TRUE(airplane.recording->samples == reference) << "every step's pose, bit for bit";
    }
}

// A change stamped exactly where a step ends flies the same whether it reaches the airplane before
// or after the update that runs that step (the same counter value, so both happen): scripted races
// replay at any frame rate only because of this.
TEST(Airplane, AChangeStampedWhereAStepEndsFliesTheSameWhetherItCameBeforeOrAfterThatStep)
{
    const int64_t end12 = 12 * second / 60; // 200 ms, the end of step 12 and a call instant
    // A press inside step 12 released exactly at its end; a press exactly at the end of step 30,
    // released inside step 33; a rudder press at the end of step 36.
    const std::vector<KeyEvent> changes = {{end12 - 10000000, 'w', true},
                                           {end12, 'w', false},
                                           {30 * second / 60, 'w', true},
                                           {30 * second / 60 + 45000000, 'w', false},
                                           {36 * second / 60, 'a', true}};
    ManualCounter counter;
    counter.set(0);
    Airplane before(""), after("");
    fly(before, counter, changes, second, 60, true);
    counter.set(0);
    fly(after, counter, changes, second, 60, false);
    EXPECT_EQ(std::memcmp(before.transform, after.transform, sizeof before.transform), 0);
    EXPECT_EQ(before.throttleSpeed, after.throttleSpeed);
    EXPECT_EQ(before.yawDeflection, after.yawDeflection);
    // A change at a step's start acts from the next step: the short press for step 13 alone, the
    // other for steps 32 and 33, the rudder from step 38 to 60.
    EXPECT_NEAR(before.throttleSpeed, 3 * 2.0 / 60, 1e-12);
    EXPECT_NEAR(before.yawDeflection, 23 * double(before.yawRate) / 60, 1e-6);
}

TEST(Airplane, TapsSameTickChangesAndStallsKeepToWholeSteps)
{
    ManualCounter counter;
    counter.set(0);
    Airplane airplane("");
    const double perStep = 2.0 / 60;
    // A 1 ms tap inside step 3, one across the boundary of steps 5 and 6, and a press and release
    // in one tick beside two other keys changing in that tick.
    const int64_t tick = 2 * second + 77;
    fly(airplane, counter,
        {{2 * stepLength + 1000, 'w', true},
         {2 * stepLength + 1001000, 'w', false},
         {4 * stepLength + stepLength / 2, 'w', true},
         {5 * stepLength + stepLength / 2, 'w', false},
         {tick, 'w', true},
         {tick, 'w', false},
         {tick, 'a', true},
         {tick, Up, true}},
        3 * second);
    EXPECT_NEAR(airplane.throttleSpeed, 3 * perStep, 1e-12) << "each tap acted for one step";
    const ControlState held = airplane.controlTimeline.rbegin()->second;
    EXPECT_EQ(held.rudder, Positive);
    EXPECT_EQ(held.elevator, Positive);
    EXPECT_EQ(held.throttle, Released) << "the release of the one-tick press was not lost";
    fly(airplane, counter, {{3 * second, 'a', false}, {3 * second, Up, false}}, 4 * second);
    const ControlState after = airplane.controlTimeline.rbegin()->second;
    EXPECT_TRUE(after.rudder == Released && after.elevator == Released);
    EXPECT_EQ(airplane.controlTimeline.size(), 1u) << "consumed entries are pruned";

    // A two-second stall runs a quarter second of steps, then the flight goes on without a burst.
    EXPECT_EQ(airplane.stepCount, 240);
    int64_t now = 6 * second;
    airplane.advanceTo(now);
    EXPECT_EQ(airplane.stepCount, 240 + Airplane::maxStepsPerCall);
    now += stepLength - 1;
    airplane.advanceTo(now);
    EXPECT_EQ(airplane.stepCount, 255);
    now += 1;
    airplane.advanceTo(now);
    airplane.advanceTo(now);
    EXPECT_EQ(airplane.stepCount, 256) << "one step when one is due";
}

TEST(Airplane, ControlsTurnTheWayThePilotExpectsAndTheLiftBandAndGroundHold)
{
    ManualCounter counter;
    // {key, rotation column (0 left wing, 2 nose), world component, sign}
    const int cases[][4] = {{Up, 2, 1, -1},   {Down, 2, 1, +1}, {Right, 0, 1, +1},
                            {Left, 0, 1, -1}, {'a', 2, 0, +1},  {'d', 2, 0, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        counter.set(0);
        Airplane airplane("");
        cruise(airplane);
        fly(airplane, counter, {{0, c[0], true}}, second / 2);
        EXPECT_GT(c[3] * airplane.transform[4 * c[1] + c[2]], 0.01);
    }

    // Released, a deflection returns to 0 at its rate, a negative one at half the rate.
    Airplane airplane("");
    for (double start : {0.2, -0.2}) {
        airplane.pitchDeflection = start;
        int steps = 0;
        for (; airplane.pitchDeflection != 0 && steps < 1000; ++steps)
            airplane.step(released, 1.0 / 60);
        EXPECT_NEAR(steps, 0.2 / 0.09 * 60 * (start > 0 ? 1 : 2), 1.0) << start;
    }

    // An exactly level nose has no lift; a little nose-up below the ground rests on it; a steep
    // dive passes below (the race judges the crash); a vertical nose gets a real angle, no thrust.
    const double right[3] = {1, 0, 0};
    const double pitches[] = {0, -0.1, 0.5, -M_PI / 2};
    for (double pitch : pitches) {
        Rot(right, pitch, airplane.transform);
        airplane.transform[13] = pitch == 0 ? 100 : -3;
        airplane.airspeed = pitch == -M_PI / 2 ? 0 : 0.5;
        airplane.throttleSpeed = 20;
        airplane.step(released, 1.0 / 60);
        EXPECT_NEAR(airplane.pitchAngle, -pitch, 1e-6);
        EXPECT_EQ(airplane.stalled, pitch != -0.1) << pitch;
        if (pitch == 0) {
            EXPECT_LT(airplane.transform[13], 100.0);
        } else if (pitch == -0.1) {
            EXPECT_TRUE(airplane.transform[13] == 0 && airplane.sink == 1.0);
        } else if (pitch == 0.5) {
            EXPECT_LT(airplane.transform[13], -3.0);
        } else {
            EXPECT_EQ(airplane.airspeed, 0.0);
        }
    }
}

TEST(Airplane, ThrustIsTheSameOnEveryCompassHeading)
{
    // The same take-off and climb-out, once along +Z and once after a quarter turn to +X.
    ManualCounter counter;
    std::vector<double> results[2];
    for (int turned : {0, 1}) {
        counter.set(0);
        Airplane airplane("");
        const double up[3] = {0, 1, 0};
        Rot(up, turned * M_PI / 2, airplane.transform);
        fly(airplane, counter,
            {{1, 'w', true}, {12 * second, Down, true}, {12 * second + 200000000, Down, false}}, 20 * second);
        results[turned] = {airplane.airspeed, airplane.transform[13],
                           std::hypot(airplane.transform[12], airplane.transform[14])};
    }
    EXPECT_GT(results[0][0], 0.5) << "flying";
    EXPECT_GT(results[0][1], 5.0) << "climbing";
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(results[1][k], results[0][k], 1e-6) << k;
}

TEST(Airplane, TheRaceSeesEveryStepPoseAndDrawingBlendsBetweenTheLastTwo)
{
    ManualCounter counter;
    counter.set(0);
    Airplane airplane("");
    cruise(airplane);
    std::vector<double> seen;
    airplane.afterStep = [&] {
        seen.push_back(airplane.transform[14]);
        return seen.size() != 3; // the race stops the call in the third step
    };
    int64_t now = 5 * stepLength + stepLength / 2;
    airplane.advanceTo(now);
    EXPECT_EQ(airplane.stepCount, 3);
    airplane.advanceTo(now);
    ASSERT_EQ(seen.size(), 5u) << "the steps still due run in the next call";

    double drawn[16];
    airplane.drawTransform(now, drawn);
    EXPECT_NEAR(drawn[14], (seen[3] + seen[4]) / 2, 1e-3) << "halfway into the next step";
    EXPECT_EQ(airplane.drawnTransform[14], drawn[14]) << "what render draws";
    airplane.drawTransform(now + stepLength, drawn);
    EXPECT_EQ(drawn[14], seen[4]) << "never beyond the last step";

    airplane.crashed = true;
    now = second;
    airplane.advanceTo(now);
    EXPECT_EQ(airplane.stepCount, 5) << "a crashed airplane stays where it is";
}
