#include "app/RaceRules.h"

#include "scene/BoundingSphere.h"
#include "scene/Node.h"
#include "scene/Scene.h"

#include <cmath>

namespace
{

// The shallow gate test: the centre (within the probe radius) lies inside the gate's world box.
bool insideGateBox(Node* gate, const float centre[3])
{
    const BoundingSphere probe(centre, gateProbeRadius);
    return gate->collides(&probe, false);
}

} // namespace

GateResult testGate(Node* gate, const float centre[3], float radius)
{
    if (!gate || !insideGateBox(gate, centre))
        return GateResult::notReached;
    const BoundingSphere sphere(centre, radius);
    return gate->collides(&sphere, true) ? GateResult::pylonTouched : GateResult::passed;
}

bool hitsScenery(Scene& scene, const float centre[3], float radius)
{
    const BoundingSphere sphere(centre, radius);
    return scene.collides(&sphere, true);
}

bool outsideCourse(const double position[3], float sizeX, float sizeZ)
{
    const double hx = double(sizeX) * 0.5;
    const double hz = double(sizeZ) * 0.5;
    const double x = position[0], y = position[1], z = position[2];
    // Written so that a position that is not a number counts as outside, never as inside.
    return !(x >= -hx && x <= hx && z >= -hz && z <= hz && y <= altitudeLimit);
}

double gateEntryFraction(Node* gate, const double from[3], const double to[3])
{
    auto inside = [&](double f) {
        const float point[3] = {float(from[0] + (to[0] - from[0]) * f),
                                float(from[1] + (to[1] - from[1]) * f),
                                float(from[2] + (to[2] - from[2]) * f)};
        return insideGateBox(gate, point);
    };
    if (inside(0.0))
        return 0.0;
    // Halving the segment with the very test that decided the pass; 30 rounds resolve a step far
    // below a millisecond.
    double outside = 0.0, in = 1.0;
    for (int round = 0; round < 30; ++round) {
        const double middle = 0.5 * (outside + in);
        if (inside(middle))
            in = middle;
        else
            outside = middle;
    }
    return in;
}

double raceMilliseconds(int64_t steps, double fraction)
{
    if (!(fraction > 0.0))
        fraction = 0.0;
    if (fraction > 1.0)
        fraction = 1.0;
    return std::floor((double(steps) + fraction) * 1000.0 / double(raceStepsPerSecond));
}
