// The rules a race is judged by, applied to one simulation step's pose at a time: flying through
// the next gate, touching a pylon, hitting the scenery, leaving the course area, climbing too high.
// They look only at the scene and a position, so they need neither the airplane nor a GL context.
#pragma once

#include <cstdint>

class Node;
class Scene;

constexpr float gateProbeRadius = 0.1f; // world units: "the centre is inside the gate's box"
constexpr double altitudeLimit = 150.0; // world units: a higher y is a crash; 150.0 itself is allowed
constexpr int64_t raceStepsPerSecond = 60;

enum class GateResult {
    notReached,   // the centre is not inside the gate's box
    passed,       // centre inside the box and the full sphere clear of both pylons
    pylonTouched, // centre inside the box but the full sphere touches a pylon: a crash
};

// The gate test for `gate` (one child of the scene's `gates` group; null gives notReached) and the
// airplane's sphere at `centre` with `radius` (world units).
GateResult testGate(Node* gate, const float centre[3], float radius);

// Whether the sphere at `centre` with `radius` touches anything of `scene` by its own bounds (the
// terrain, every placed object, every pylon).
bool hitsScenery(Scene& scene, const float centre[3], float radius);

// Whether `position` (x, y, z, world units) lies outside the course: beyond half the terrain's size
// in x or z (the edges themselves are inside) or above the altitude limit. `sizeX` and `sizeZ` are
// the terrain's extents.
bool outsideCourse(const double position[3], float sizeX, float sizeZ);

// Where on the segment from `from` to `to` (world positions, `to` inside the gate's box) the centre
// entered the box of `gate`, as a fraction 0..1 of the segment; 0 when `from` is already inside.
double gateEntryFraction(Node* gate, const double from[3], const double to[3]);

// Race time in whole milliseconds of `steps` simulation steps plus `fraction` of one more:
// (steps + fraction) x 1000 / 60, rounded down.
double raceMilliseconds(int64_t steps, double fraction = 0.0);
