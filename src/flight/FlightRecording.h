// The sampled flight path of one race: the airplane's pose after every simulation step. The level
// keeps the fastest recording of the run as its ghost and replays it in later races.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace qorm
{
namespace scenegraph
{

class FlightRecording
{
  public:
    using Pose = std::array<double, 16>;

    // Steps of 30 minutes of flight at 60 steps per second, plus the starting pose. Poses beyond
    // are not kept: a ghost that flew longer stays at its last kept pose.
    static constexpr int64_t maxSamples = 30 * 60 * 60 + 1;

    // `start`: counter ticks of the race start. `current` is the identity; no samples.
    explicit FlightRecording(int64_t start);

    // Stores `matrix` (column-major model matrix) as the pose after `step` simulation steps since
    // the recording started (step 0: the starting pose). Steps come in increasing order: a step
    // already recorded keeps its first pose, a skipped step repeats the pose before it, and
    // nothing beyond maxSamples is stored.
    void record(int64_t step, const double matrix[16]);

    // Sets `current` to the pose at `stepPosition` (whole steps since the start plus the fraction
    // of the next step), blending the neighbouring samples: position linearly, rotation by slerp.
    // Before the start it is the first pose, after the last sample the last one. Nothing when
    // there are no samples yet.
    void seek(double stepPosition);

    // Number of poses kept (the last step recorded plus one).
    int64_t sampleCount() const { return int64_t(samples.size()); }

    int64_t startTicks;         // counter ticks of the race start; the race sets it for each replay
    double current[16];         // the replayed pose, column-major; identity until the first seek
    double raceTime;            // race time of the recorded run, ms; set when a level keeps it
    std::vector<double> splits; // race time (ms) at which the run passed each gate, in gate order
    std::vector<Pose> samples;  // samples[k]: pose after k steps; at most maxSamples
};

} // namespace scenegraph
} // namespace qorm
