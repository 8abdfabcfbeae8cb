// Size of the primary screen in pixels. Valid only after glutInit.
#pragma once

#include <vector>

namespace platform
{

struct ScreenSize {
    int width;  // pixels
    int height; // pixels
};

// One lit monitor output of the X screen, as XRandR reports it.
struct MonitorOutput {
    bool primary;    // XRandR's primary output
    ScreenSize size; // as the output shows the screen (a turned monitor swaps width and height)
};

// The monitor a full-screen game fills, from `outputs` in XRandR's order: the primary one, else the
// first. False when there is none.
bool choosePrimaryOutput(const std::vector<MonitorOutput>& outputs, ScreenSize& size);

// The primary monitor's size through XRandR (1.3 or later) on the default display; false when the
// display or the extension is not there or no output is lit.
bool primaryOutputSize(ScreenSize& size);

// The primary monitor's size; where XRandR cannot tell, the whole X screen as GLUT reports it, which
// spans every monitor.
ScreenSize primaryScreenSize();

} // namespace platform
