// The airplane's life and timing: construction, the flight keys and their timeline, the fixed
// steps of advanceTo and the poses drawn between steps. The flight law itself is in
// AirplaneFlight.cpp, the drawing in Cockpit.cpp.
#include "flight/Airplane.h"

#include "flight/FlightRecording.h"
#include "flight/PoseBlend.h"
#include "flight/PursuitCam.h"
#include "platform/Clock.h"
#include "render/MatrixMath.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cctype>

namespace qorm
{
namespace scenegraph
{

namespace
{

enum ControlField { RudderField = 0, ElevatorField = 1, AileronField = 2, ThrottleField = 3 };

int32_t& field(ControlState& state, int index)
{
    switch (index) {
    case RudderField:
        return state.rudder;
    case ElevatorField:
        return state.elevator;
    case AileronField:
        return state.aileron;
    default:
        return state.throttle;
    }
}

const ControlState released{Released, Released, Released, Released};

void setVector(double v[3], double x, double y, double z)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

// R x v: a local direction of `m` in world space.
void rotate(const double m[16], const double v[3], double out[3])
{
    for (int k = 0; k < 3; ++k)
        out[k] = m[k] * v[0] + m[4 + k] * v[1] + m[8 + k] * v[2];
}

} // namespace

Airplane::Airplane(const std::string& dataDirectory)
    : stepTicks(platform::queryPerformanceFrequency() / stepsPerSecond), stepSeconds(1.0 / stepsPerSecond),
      maxThrottleSpeed(20), yawLimit(0.15f), pitchLimit(0.2f), rollLimit(0.25f), yawRate(0.08f),
      pitchRate(0.09f), rollRate(0.1f), cockpit{nullptr, nullptr, 0}, controlTimeline{{0, released}},
      lastTicks(platform::queryPerformanceCounter()), throttleSpeed(0.0), airspeed(0.0), sink(1.0),
      pitchDeflection(0.0), rollDeflection(0.0), yawDeflection(0.0), pitchAngle(0.0), groundHeight(0.0),
      crashed(false), stalled(false), recording(nullptr), followCamera(nullptr), stepCount(0),
      recordingStartStep(0), panelPath(dataDirectory + "cockpit/e300.tga"), originTicks(lastTicks),
      originStep(0)
{
    setVector(upAxis, 0, 1, 0);
    setVector(rightAxis, 1, 0, 0);
    setVector(noseAxis, 0, 0, 1);
    setVector(gravity, 0, -10, 0);
    loadIdentity(transform);
    loadIdentity(previousTransform);
    loadIdentity(drawnTransform);
}

Airplane::~Airplane()
{
    delete recording;
}

void Airplane::render(double time)
{
    // Before the first step the game may have placed the airplane since the last advanceTo.
    cockpit.draw(*this, stepCount == 0 ? transform : drawnTransform, time);
}

void Airplane::handleKey(unsigned char key, bool down)
{
    switch (std::tolower(key)) {
    case 'w':
        setControl(ThrottleField, down ? Positive : Released);
        break;
    case 's':
        setControl(ThrottleField, down ? Negative : Released);
        break;
    case 'a':
        setControl(RudderField, down ? Positive : Released);
        break;
    case 'd':
        setControl(RudderField, down ? Negative : Released);
        break;
    default:
        break;
    }
}

void Airplane::handleSpecialKey(int key, bool down)
{
    switch (key) {
    case GLUT_KEY_UP:
        setControl(ElevatorField, down ? Positive : Released);
        break;
    case GLUT_KEY_DOWN:
        setControl(ElevatorField, down ? Negative : Released);
        break;
    case GLUT_KEY_RIGHT:
        setControl(AileronField, down ? Positive : Released);
        break;
    case GLUT_KEY_LEFT:
        setControl(AileronField, down ? Negative : Released);
        break;
    default:
        break;
    }
}

void Airplane::setControl(int index, int32_t value)
{
    ControlState state = controlTimeline.rbegin()->second;
    field(state, index) = value;
    int64_t stamp = platform::queryPerformanceCounter();
    // Two changes in one tick (a press and its release, or two keys) both count, in order.
    stamp = std::max(stamp, controlTimeline.rbegin()->first + 1);
    controlTimeline.emplace(stamp, state);
}

ControlState Airplane::stepControls(int64_t from, int64_t to) const
{
    auto inEffect = [&](int64_t when) {
        auto it = controlTimeline.upper_bound(when);
        return it == controlTimeline.begin() ? released : std::prev(it)->second;
    };
    // The step owns the changes stamped in [from, to) and flies with the controls held just before
    // it, so a change stamped exactly at its end belongs to the next step. Nothing stamped at `to`
    // or later is looked at: the step then comes out the same whether such a change arrived before
    // or after the update that runs it, and so at every frame rate.
    ControlState state = inEffect(from - 1);
    ControlState atEnd = inEffect(to - 1);
    // A control pressed and released again within the step still acts for this one step.
    for (auto it = controlTimeline.lower_bound(from); it != controlTimeline.end() && it->first < to; ++it) {
        ControlState change = it->second;
        for (int index = 0; index < 4; ++index) {
            if (field(state, index) == Released && field(atEnd, index) == Released)
                field(state, index) = field(change, index);
        }
    }
    return state;
}

int64_t Airplane::stepTime(int64_t stepNumber) const
{
    return originTicks + (stepNumber - originStep) * platform::queryPerformanceFrequency() / stepsPerSecond;
}

void Airplane::advanceTo(int64_t& now)
{
    int ran = 0;
    while (!crashed) {
        const int64_t due = stepTime(stepCount + 1);
        if (due > now)
            break;
        if (ran == maxStepsPerCall) {
            // A stall: the rest of the time is dropped and the flight goes on from now.
            originTicks = now;
            originStep = stepCount;
            lastTicks = now;
            break;
        }
        const ControlState controls = stepControls(lastTicks, due);
        copyMatrix(transform, previousTransform);
        step(controls, stepSeconds);
        ++stepCount;
        ++ran;
        lastTicks = due;
        if (recording)
            recording->record(stepCount - recordingStartStep, transform);
        if (afterStep && !afterStep())
            break;
    }

    // Only the state in effect just before lastTicks and the changes after it are still needed.
    auto inEffect = controlTimeline.upper_bound(lastTicks - 1);
    if (inEffect != controlTimeline.begin())
        controlTimeline.erase(controlTimeline.begin(), std::prev(inEffect));

    drawTransform(now, drawnTransform);
    if (followCamera) {
        double position[3] = {drawnTransform[12], drawnTransform[13], drawnTransform[14]};
        double upDir[3], noseDir[3];
        rotate(drawnTransform, upAxis, upDir);
        rotate(drawnTransform, noseAxis, noseDir);
        followCamera->follow(position, upDir, noseDir, 2.0);
    }
}

void Airplane::restartClock(int64_t now)
{
    originTicks = now;
    originStep = stepCount;
    lastTicks = now;
}

void Airplane::startRecording(int64_t raceStart)
{
    delete recording;
    recording = new FlightRecording(raceStart);
    recordingStartStep = stepCount;
    recording->record(0, transform);
}

double Airplane::stepFraction(int64_t now) const
{
    const int64_t span = stepTime(stepCount + 1) - lastTicks;
    if (span <= 0 || now >= lastTicks + span)
        return 1.0;
    if (now <= lastTicks)
        return 0.0;
    return double(now - lastTicks) / double(span);
}

void Airplane::drawTransform(int64_t now, double out[16]) const
{
    // Before the first step there is no earlier pose; the game may have placed the airplane.
    if (stepCount == 0)
        copyMatrix(transform, out);
    else
        blendPose(previousTransform, transform, stepFraction(now), out);
}

double Airplane::recordingPosition(int64_t now) const
{
    if (!recording)
        return 0.0;
    return double(stepCount - recordingStartStep) + stepFraction(now);
}

} // namespace scenegraph
} // namespace qorm
