// The player's airplane: drawn every frame (with the cockpit panel in cockpit view) and flown by a
// small kinematic flight model on fixed steps of 1/60 s, replaying the time-stamped flight keys.
//
// Frame of the airplane: the nose is local +Z, up local +Y, local +X on the pilot's left.
#pragma once

#include <GL/glew.h>

#include "flight/GameObject.h"
#include "flight/PhysicsObject.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

class Model;

namespace qorm
{
namespace scenegraph
{

class Airplane;
class FlightRecording;
class PursuitCam;

// What one flight control is set to.
enum ControlInput : int32_t {
    Released = 0,
    Positive = 1, // rudder: yaw left; elevator: nose down; aileron: roll right; throttle: faster
    Negative = 2, // the opposite direction
};

// The four flight controls, each a ControlInput.
struct ControlState {
    int32_t rudder;   // A positive, D negative
    int32_t elevator; // Up arrow positive, Down arrow negative
    int32_t aileron;  // Right arrow positive, Left arrow negative
    int32_t throttle; // W positive, S negative
};

// What the airplane needs to draw itself.
struct Cockpit {
    PursuitCam* camera;  // not owned: the game camera; the panel shows only in its cockpit mode
    Model* model;        // not owned: the airplane model; null draws no airplane
    GLuint panelTexture; // the panel image, loaded once per run and shared by every airplane
                         // (never deleted by one); 0 until the first drawing, and when the image
                         // could not be loaded (the panel is then left out)

    // Draws the airplane model at `pose` and, in cockpit view, the panel over the lower half of the
    // screen. Leaves lighting as found and the shader profiles off. Needs the GL context.
    void draw(const Airplane& airplane, const double pose[16], double time);
};

// out = the right-handed rotation by `angle` radians about the unit vector `axis`, column-major.
void Rot(const double axis[3], double angle, double out[16]);

// Draws `model` under the current modelview moved to `pose` (column-major) with animation time
// `time`; nothing when `model` is null. The airplane, and the game for its ghosts, draw with it.
void drawAirplaneModel(Model* model, const double pose[16], double time);

class Airplane : public GameObject, public PhysicsObject
{
  public:
    static constexpr int stepsPerSecond = 60;  // fixed simulation rate
    static constexpr int maxStepsPerCall = 15; // a quarter second; time beyond is dropped

    // `dataDirectory`: the data directory with its trailing separator (the panel image is read
    // from it). Starts at rest at the origin, nose along world +Z; reads the counter. Needs no GL.
    explicit Airplane(const std::string& dataDirectory);
    // Deletes the recording if there is one; not the camera, the model or the shared panel.
    ~Airplane() override;
    Airplane(const Airplane&) = delete;
    Airplane& operator=(const Airplane&) = delete;

    // Draws the cockpit with the pose interpolated at the last advanceTo's `now` (before the first
    // step: at `transform`).
    void render(double time) override;

    // Runs every whole step due up to `now` (counter ticks), at most maxStepsPerCall; when more are
    // due the rest of the time is dropped, so a long stall pauses the flight. No step runs once
    // `crashed` is set or after `afterStep` returned false. Afterwards the follow camera is placed
    // at the pose interpolated at `now`.
    void advanceTo(int64_t& now) override;

    // Makes `now` (counter ticks) the instant the next step starts from: time before it is never
    // flown. The race calls it at its first update, so the time taken to load and show the level
    // does not count; controls changed earlier stay in effect.
    void restartClock(int64_t now);

    // Flight keys, pressed (`down`) or released; letters in either case, GLUT arrow-key codes.
    // Each change is stamped with the counter and replayed by advanceTo. Other keys are ignored.
    void handleKey(unsigned char key, bool down);
    void handleSpecialKey(int key, bool down);

    // Starts recording this flight: a new recording begun at `raceStart` (counter ticks) holding
    // the current pose as its step 0; each later step adds its pose.
    void startRecording(int64_t raceStart);

    // The pose between previousTransform and transform, by the fraction of the next step elapsed
    // at `now` (0 to 1). What drawing and the follow camera use; the race uses step poses only.
    void drawTransform(int64_t now, double out[16]) const;
    // Fraction of the next step elapsed at `now`, 0 to 1.
    double stepFraction(int64_t now) const;
    // Steps flown since startRecording plus stepFraction(now): the position to seek a ghost to so
    // that it keeps pace with this flight. 0 before startRecording.
    double recordingPosition(int64_t now) const;
    // Counter ticks at which step number `step` (counted like stepCount) ends.
    int64_t stepTime(int64_t step) const;

    // Appends a control change at the current counter value: the newest state with `field`
    // (0 rudder, 1 elevator, 2 aileron, 3 throttle) set to `value`. A change stamped with a tick
    // already taken moves to one tick after the newest entry, so no change is ever lost.
    void setControl(int field, int32_t value);
    // The controls one step from `from` to `to` (counter ticks) flies with: those in effect just
    // before `from`, except that a control pressed and released again within [from, to) counts as
    // pressed. Changes stamped at `to` or later play no part.
    ControlState stepControls(int64_t from, int64_t to) const;
    // One step of the flight law with `state` over `dt` seconds.
    void step(const ControlState& state, double dt);
    // A control deflection moved for `dt` seconds by `input`, in single precision: towards
    // +-`limit` at `rate` per second, or back to 0 when released (negative values at half rate).
    static float respond(double value, int32_t input, float rate, float limit, double dt);

    int64_t stepTicks;         // nominal step length, counter ticks (frequency / 60, rounded down;
                               // step instants come from stepTime and never accumulate rounding)
    double stepSeconds;        // length of one step, seconds: 1/60
    double upAxis[3];          // local up axis (0, 1, 0)
    double rightAxis[3];       // local pitch axis (1, 0, 0)
    double noseAxis[3];        // local nose (roll) axis (0, 0, 1)
    double gravity[3];         // (0, -10, 0); has no component along the nose, so no effect
    uint32_t maxThrottleSpeed; // ceiling of throttleSpeed: 20
    float yawLimit;            // largest rudder deflection, radians
    float pitchLimit;          // largest elevator deflection, radians
    float rollLimit;           // largest aileron deflection, radians
    float yawRate;             // rudder deflection rate, radians per second
    float pitchRate;           // elevator deflection rate, radians per second
    float rollRate;            // aileron deflection rate, radians per second
    double transform[16];      // model matrix after the last step, column-major; columns 0-2 are
                               // the local axes in world space, 12-14 the position (world units)
    Cockpit cockpit;           // what render needs
    std::map<int64_t, ControlState> controlTimeline; // counter ticks -> controls from then on;
                                                     // entries before the one in effect just
                                                     // before lastTicks are pruned
    int64_t lastTicks;          // counter ticks at which the last step ended (construction: the counter)
    double throttleSpeed;       // engine speed, 0 to maxThrottleSpeed
    double airspeed;            // world units flown per step
    double sink;                // vertical sink term, at least 1.0
    double pitchDeflection;     // elevator deflection, radians
    double rollDeflection;      // aileron deflection, radians
    double yawDeflection;       // rudder deflection, radians
    double pitchAngle;          // elevation of the nose measured in the last step, radians
    double groundHeight;        // height at which the airplane rests on the ground; set by the game
    bool crashed;               // set by the race rules; once set, no more steps run
    bool stalled;               // the nose was outside the lift band in the last step
    FlightRecording* recording; // owned: this flight's recording; null until startRecording
    PursuitCam* followCamera;   // not owned: placed after every advanceTo; null for none

    // Called after each step with that step's pose in `transform`; returning false stops stepping
    // for the current advanceTo call (the race tests gates and collisions here).
    std::function<bool()> afterStep;
    int64_t stepCount;            // steps run since construction
    double previousTransform[16]; // transform before the last step
    double drawnTransform[16];    // drawTransform at the last advanceTo's `now`: what render draws
    int64_t recordingStartStep;   // stepCount when startRecording ran
    std::string panelPath;        // full path of the cockpit panel image

  private:
    int64_t originTicks; // stepTime(originStep); moves forward when stalled time is dropped
    int64_t originStep;
};

} // namespace scenegraph
} // namespace qorm
