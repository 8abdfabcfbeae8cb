// aerovant-autopilot LEVEL SCRIPT: flies LEVEL with a simple autopilot through the game's own steps
// and writes the flight keys it pressed to SCRIPT, so that aerovant-fly replays exactly this flight.
// The autopilot holds full throttle, steers with the rudder towards a point before the next gate on
// the gate's own line, keeps the wings level with the ailerons and holds a height in the middle of
// the gate with the elevator. Each control is a key pressed or released once per step at most, so it
// only sets how the deflections move, exactly as a player's keys do.
//
// Prints the result line of aerovant-fly; exit status as aerovant-fly's.
#include "FlightScript.h"
#include "RaceHarness.h"

#include "app/Game.h"
#include "app/LevelXMLHandler.h"
#include "flight/Airplane.h"
#include "platform/DataPath.h"
#include "scene/Group.h"
#include "scene/Scene.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace
{

constexpr double stepsPerSecond = 60.0;
constexpr double gateAimHeight = 5.0;  // above the gate's foot: the pylons reach 12 above it
constexpr double lookaheadShare = 0.5; // of the distance to the gate's line: how far ahead the aim lies
constexpr double minLookahead = 8.0;   // world units
constexpr double maxLookahead = 60.0;  // world units
constexpr double headingGain = 2.0;    // turn rate (radians per second) per radian off the heading
constexpr double maxTurnRate = 2.0;    // radians per second
constexpr double slack = 0.0008;       // radians of deflection left alone: half of one step's change

double wrapAngle(double angle)
{
    while (angle > M_PI)
        angle -= 2.0 * M_PI;
    while (angle < -M_PI)
        angle += 2.0 * M_PI;
    return angle;
}

// One control driven by a pair of keys: the key for the positive direction, the one for the
// negative, or neither. Switching keys releases the old one first.
class KeyPair
{
  public:
    KeyPair(std::string positive, std::string negative) : keys{std::move(positive), std::move(negative)} {}

    // Moves `deflection` towards `wanted` (radians): press towards it when it is more than `slack`
    // away, otherwise let go (a released control drifts back to 0 on its own).
    void track(double deflection, double wanted, double slack, int64_t ms, std::vector<fly::ScriptEvent>& out)
    {
        int choice = 0;
        if (deflection < wanted - slack)
            choice = 1;
        else if (deflection > wanted + slack)
            choice = 2;
        set(choice, ms, out);
    }

    void set(int choice, int64_t ms, std::vector<fly::ScriptEvent>& out)
    {
        if (choice == held)
            return;
        if (held != 0)
            out.push_back({ms, keys[held - 1], false});
        if (choice != 0)
            out.push_back({ms, keys[choice - 1], true});
        held = choice;
    }

  private:
    std::string keys[2];
    int held = 0; // 0 none, 1 positive key, 2 negative key
};

class Autopilot
{
  public:
    void operator()(Game& game, double raceMilliseconds, std::vector<fly::ScriptEvent>& events)
    {
        qorm::scenegraph::Airplane* airplane = game.airplane;
        if (!airplane || !game.scene || !game.scene->gates)
            return;
        // The keys act from the next whole millisecond on, which lies within the coming step.
        const int64_t ms = int64_t(std::ceil(raceMilliseconds));
        if (!throttleHeld) {
            events.push_back({ms, "w", true});
            throttleHeld = true;
        }
        auto* gate = dynamic_cast<Group*>(game.scene->gates->getChild(game.currentGate));
        if (!gate)
            return;
        float g[16];
        gate->getWorldTransform(g);
        const double* m = airplane->transform;
        const double x = m[12], y = m[13], z = m[14];

        // Follow the gate's own line: aim at a point on it some way ahead of the airplane's foot
        // point, nearer as the gate comes closer, so the airplane arrives straight on.
        double nx = g[8], nz = g[10];
        const double nLength = std::hypot(nx, nz);
        nx /= nLength;
        nz /= nLength;
        const double dx = x - g[12], dz = z - g[14];
        const double along = dx * nx + dz * nz; // negative before the gate
        const double lookahead = std::clamp(-along * lookaheadShare, minLookahead, maxLookahead);
        const double aimX = g[12] + nx * (along + lookahead), aimZ = g[14] + nz * (along + lookahead);

        // Heading: yawing with A turns the nose from +Z towards +X.
        const double heading = std::atan2(m[8], m[10]);
        const double wantedHeading = std::atan2(aimX - x, aimZ - z);
        const double headingError = wrapAngle(wantedHeading - heading);
        const double speed = std::max(airplane->airspeed, 0.05); // world units per step
        const double turnRate = std::clamp(headingGain * headingError, -maxTurnRate, maxTurnRate);
        const double yaw = std::clamp(turnRate / stepsPerSecond / speed, -double(airplane->yawLimit),
                                      double(airplane->yawLimit));
        rudder.track(airplane->yawDeflection, yaw, slack, ms, events);

        // Wings level: the left wing (local +X) rises with the right arrow.
        const double wingRise = m[1];
        const double rollRate = std::clamp(-3.0 * wingRise, -1.0, 1.0);
        const double roll = std::clamp(rollRate / stepsPerSecond / speed, -double(airplane->rollLimit),
                                       double(airplane->rollLimit));
        ailerons.track(airplane->rollDeflection, roll, slack, ms, events);

        // Height: the nose's elevation follows the height error; the up arrow puts the nose down.
        const double wantedY = g[13] + gateAimHeight;
        const double climb = (y - lastY) * stepsPerSecond;
        lastY = y;
        const double wantedElevation = std::clamp(0.03 * (wantedY - y) - 0.02 * climb, -0.15, 0.35);
        const double elevation = std::asin(std::clamp(m[9], -1.0, 1.0));
        const double pitchRate = std::clamp(2.0 * (wantedElevation - elevation), -0.8, 0.8); // nose up
        const double pitch = std::clamp(-pitchRate / stepsPerSecond / speed, -double(airplane->pitchLimit),
                                        double(airplane->pitchLimit));
        elevator.track(airplane->pitchDeflection, pitch, slack, ms, events);

        if (trace && (++traceCount % 15 == 0))
            std::cerr << "t " << ms << " gate " << game.currentGate << " pos " << x << " " << y << " " << z
                      << " aim " << aimX << " " << wantedY << " " << aimZ << " gateAt " << g[12] << " "
                      << g[13] << " " << g[14] << " herr " << headingError << " elev " << elevation
                      << " speed " << airplane->airspeed << " wing " << wingRise << "\n";
    }

    bool trace = false;
    int traceCount = 0;

  private:
    bool throttleHeld = false;
    double lastY = 0.0;
    KeyPair rudder{"a", "d"};
    KeyPair ailerons{"right", "left"};
    KeyPair elevator{"up", "down"};
};

} // namespace

int main(int argc, char** argv)
{
    const bool trace = argc == 4 && std::string(argv[1]) == "--trace";
    if (argc != 3 && !trace) {
        std::cerr << "usage: aerovant-autopilot [--trace] LEVEL SCRIPT\n"
                     "  --trace  where the airplane is, four times a second, on standard error\n"
                     "  LEVEL    a level path as the level catalogue writes it, for example levels\\alpine\n"
                     "  SCRIPT   where the flight keys are written, for aerovant-fly\n";
        return 2;
    }
    const std::string level = argv[trace ? 2 : 1];
    const std::string scriptPath = argv[trace ? 3 : 2];
    if (!isInsideDataDirectory(level)) {
        std::cerr << "aerovant-autopilot: the level path must stay inside the data directory\n";
        return 2;
    }
    if (!fly::openWindow(argc, argv, "aerovant-autopilot"))
        return 1;

    std::vector<fly::ScriptEvent> events;
    fly::RaceResult result;
    bool problems = false;
    {
        fly::RaceHarness harness(platform::dataDirectory(argv[0]), level, -1);
        if (!harness.ready)
            return 1;
        problems = harness.loadProblems;
        Autopilot pilot;
        pilot.trace = trace;
        result = harness.fly(events, 60, false, std::ref(pilot));
    }

    std::ofstream out(scriptPath);
    out << "# " << level << ": written by aerovant-autopilot; " << fly::describe(result) << "\n";
    for (const fly::ScriptEvent& event : events)
        out << fly::formatEvent(event) << "\n";
    if (!out) {
        std::cerr << "aerovant-autopilot: couldn't write \"" << scriptPath << "\"\n";
        return 2;
    }
    std::cout << fly::describe(result) << "\n";
    return problems ? 1 : fly::exitStatus(result);
}
