// Size of the primary screen in pixels. Valid only after glutInit.
#pragma once

namespace platform
{

struct ScreenSize {
    int width;  // pixels
    int height; // pixels
};

ScreenSize primaryScreenSize();

} // namespace platform
