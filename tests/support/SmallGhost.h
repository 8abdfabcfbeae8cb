// A small valid ghost for tests of ghost files: 61 poses one unit apart along +z (one second of
// flight), finished at 990 ms with splits at 500 and 990 ms.
#pragma once

#include "flight/FlightRecording.h"

#include <memory>

namespace testsupport
{

inline std::unique_ptr<qorm::scenegraph::FlightRecording> smallGhost()
{
    auto ghost = std::make_unique<qorm::scenegraph::FlightRecording>(0);
    double pose[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 5, 0, 1};
    for (int step = 0; step <= 60; ++step) {
        pose[14] = step;
        ghost->record(step, pose);
    }
    ghost->raceTime = 990;
    ghost->splits = {500, 990};
    return ghost;
}

} // namespace testsupport
