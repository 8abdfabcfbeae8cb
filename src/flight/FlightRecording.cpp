#include "flight/FlightRecording.h"

#include "flight/PoseBlend.h"
#include "render/MatrixMath.h"

#include <cmath>

namespace qorm
{
namespace scenegraph
{

FlightRecording::FlightRecording(int64_t start) : startTicks(start), raceTime(0.0)
{
    loadIdentity(current);
}

void FlightRecording::record(int64_t step, const double matrix[16])
{
    if (step < sampleCount() || step < 0)
        return;
    Pose pose;
    copyMatrix(matrix, pose.data());
    // A step the caller skipped holds the pose before it, so indices stay step numbers.
    while (sampleCount() < step && sampleCount() < maxSamples)
        samples.push_back(samples.empty() ? pose : samples.back());
    if (sampleCount() < maxSamples)
        samples.push_back(pose);
}

void FlightRecording::seek(double stepPosition)
{
    if (samples.empty())
        return;
    const int64_t last = sampleCount() - 1;
    if (!(stepPosition > 0)) { // also NaN
        copyMatrix(samples.front().data(), current);
        return;
    }
    if (stepPosition >= double(last)) {
        copyMatrix(samples.back().data(), current);
        return;
    }
    const double whole = std::floor(stepPosition);
    const int64_t index = int64_t(whole);
    blendPose(samples[size_t(index)].data(), samples[size_t(index + 1)].data(), stepPosition - whole,
              current);
}

} // namespace scenegraph
} // namespace qorm
