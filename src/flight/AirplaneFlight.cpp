// The airplane's flight law: one fixed step turns controls, throttle and attitude into a new model
// matrix. The model is kinematic: "airspeed" is distance per step, turn rates grow with it, and a
// separate sink term moves the airplane along its own up axis.
#include "flight/Airplane.h"

#include "render/MatrixMath.h"

#include <algorithm>
#include <cmath>

namespace qorm
{
namespace scenegraph
{

namespace
{

const double pi = 3.14159265358979323846;

// Composes `rotation` on the right of `m`: a turn about the airplane's own axes.
void turn(double m[16], const double axis[3], double angle)
{
    double rotation[16];
    Rot(axis, angle, rotation);
    multMatrix(m, rotation, m);
}

// Moves `m` by `amount` along its local direction `axis`.
void translateLocal(double m[16], const double axis[3], double amount)
{
    for (int k = 0; k < 3; ++k)
        m[12 + k] += amount * (m[k] * axis[0] + m[4 + k] * axis[1] + m[8 + k] * axis[2]);
}

} // namespace

void Rot(const double axis[3], double angle, double out[16])
{
    const double x = axis[0], y = axis[1], z = axis[2];
    const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    out[0] = x * x * t + c;
    out[1] = x * y * t + z * s;
    out[2] = x * z * t - y * s;
    out[4] = x * y * t - z * s;
    out[5] = y * y * t + c;
    out[6] = y * z * t + x * s;
    out[8] = x * z * t + y * s;
    out[9] = y * z * t - x * s;
    out[10] = z * z * t + c;
    out[3] = out[7] = out[11] = out[12] = out[13] = out[14] = 0;
    out[15] = 1;
}

float Airplane::respond(double value, int32_t input, float rate, float limit, double dt)
{
    float v = float(value);
    const float change = rate * float(dt);
    if (input == Positive)
        return std::min(v + change, limit);
    if (input == Negative)
        return std::max(v - change, -limit);
    if (v > 0)
        v = std::max(v - change, 0.0f);
    else if (v < 0)
        v = std::min(v + 0.5f * change, 0.0f); // negative deflections return at half the rate
    return v;
}

void Airplane::step(const ControlState& state, double dt)
{
    double* m = transform;

    // Engine speed follows the throttle keys at 2 per second.
    if (state.throttle == Positive && throttleSpeed < maxThrottleSpeed)
        throttleSpeed = std::min(throttleSpeed + 2.0 * dt, double(maxThrottleSpeed));
    else if (state.throttle == Negative && throttleSpeed > 0)
        throttleSpeed = std::max(throttleSpeed - 2.0 * dt, 0.0);

    // Thrust grows with the horizontal length of the nose direction, the same on every heading
    // and nothing with the nose vertical.
    double nose[3];
    for (int k = 0; k < 3; ++k)
        nose[k] = m[k] * noseAxis[0] + m[4 + k] * noseAxis[1] + m[8 + k] * noseAxis[2];
    const double gain = std::sqrt(nose[0] * nose[0] + nose[2] * nose[2]) * throttleSpeed * dt;

    pitchDeflection = respond(pitchDeflection, state.elevator, pitchRate, pitchLimit, dt);

    airspeed += gain;
    airspeed -= 0.25 * airspeed * airspeed;
    airspeed -= 0.001 * dt;
    if (airspeed < 0)
        airspeed = 0;

    // Elevation of the nose as the elevator is about to put it.
    double pitched[16];
    Rot(rightAxis, -pitchDeflection, pitched);
    multMatrix(m, pitched, pitched);
    double u[3];
    for (int k = 0; k < 3; ++k)
        u[k] = pitched[4 * k] * upAxis[0] + pitched[4 * k + 1] * upAxis[1] + pitched[4 * k + 2] * upAxis[2];
    normalise(u);
    const double cosine = u[0] * noseAxis[0] + u[1] * noseAxis[1] + u[2] * noseAxis[2];
    pitchAngle = -(std::acos(std::clamp(cosine, -1.0, 1.0)) - pi / 2);

    stalled = false;
    double lift = 0;
    if (pitchAngle > 0 && pitchAngle < 0.6)
        lift = 3.0 * pitchAngle * airspeed;
    else if (pitchAngle > -0.2 && pitchAngle < 0)
        lift = 2.0 * std::fabs(pitchAngle) * airspeed;
    else
        stalled = true;

    rollDeflection = respond(rollDeflection, state.aileron, rollRate, rollLimit, dt);
    yawDeflection = respond(yawDeflection, state.rudder, yawRate, yawLimit, dt);

    // No airspeed, no turning.
    turn(m, rightAxis, airspeed * pitchDeflection);
    turn(m, noseAxis, airspeed * rollDeflection);
    turn(m, upAxis, yawDeflection * airspeed);

    const double y0 = m[13];
    translateLocal(m, noseAxis, airspeed);

    const double d = (stalled ? 0 : lift) - ((y0 - m[13]) + sink * dt);
    const double s = sink - d;
    sink = std::max(s - 0.25 * s * s, 1.0);
    translateLocal(m, upAxis, 0.8 * d);

    // On the ground with a shallow nose the airplane rests there; a steeper nose goes below and
    // the race rules judge the crash.
    if (groundHeight > m[13] && std::fabs(pitchAngle) < 0.2) {
        m[13] = groundHeight;
        sink = 1.0;
    }
}

} // namespace scenegraph
} // namespace qorm
