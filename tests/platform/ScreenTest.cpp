#include "platform/Screen.h"

#include "support/GLContext.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>
#include <ostream>
#include <string>

namespace platform
{

// Found by argument-dependent lookup from GoogleTest's comparisons.
bool operator==(const ScreenSize& a, const ScreenSize& b)
{
    return a.width == b.width && a.height == b.height;
}

std::ostream& operator<<(std::ostream& out, const ScreenSize& size)
{
    return out << size.width << " x " << size.height;
}

} // namespace platform

using ScreenGL = GLTest;

TEST(Screen, GameModeFillsThePrimaryMonitorOrTheFirst)
{
    using platform::MonitorOutput;
    platform::ScreenSize size{0, 0};
    EXPECT_FALSE(platform::choosePrimaryOutput({}, size));
    // Two monitors side by side make an X screen of 3200 x 1200; the game takes one of them.
    EXPECT_TRUE(platform::choosePrimaryOutput({{false, {1280, 1024}}, {true, {1920, 1200}}}, size));
    EXPECT_EQ(size, (platform::ScreenSize{1920, 1200}));
    EXPECT_TRUE(platform::choosePrimaryOutput({{false, {1280, 1024}}, {false, {1920, 1200}}}, size));
    EXPECT_EQ(size, (platform::ScreenSize{1280, 1024}));
}

TEST_F(ScreenGL, XRandRGivesAnOutputOfTheScreenAndGlutStandsInWithoutIt)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    const platform::ScreenSize screen{DisplayWidth(display, DefaultScreen(display)),
                                      DisplayHeight(display, DefaultScreen(display))};
    int eventBase = 0, errorBase = 0;
    const bool xrandr = XRRQueryExtension(display, &eventBase, &errorBase);
    XRRScreenResources* resources =
        xrandr ? XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display)) : nullptr;
    const int outputs = resources ? resources->noutput : 0;
    if (resources)
        XRRFreeScreenResources(resources);
    XCloseDisplay(display);

    platform::ScreenSize size{0, 0};
    if (!xrandr) { // an X server started without the extension
        EXPECT_FALSE(platform::primaryOutputSize(size));
        EXPECT_EQ(platform::primaryScreenSize(), screen);
        return;
    }
    ASSERT_TRUE(platform::primaryOutputSize(size));
    EXPECT_TRUE(size.width > 0 && size.width <= screen.width && size.height > 0 &&
                size.height <= screen.height)
        << size << " on a screen of " << screen;
    if (outputs == 1) {
        EXPECT_EQ(size, screen) << "one output shows the whole screen";
    }
    EXPECT_EQ(platform::primaryScreenSize(), size);

    // With no display to ask XRandR on, GLUT's size of the whole screen (its window is open) is used.
    const std::string name = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    const bool found = platform::primaryOutputSize(size);
    const platform::ScreenSize fallback = platform::primaryScreenSize();
    setenv("DISPLAY", name.c_str(), 1);
    EXPECT_FALSE(found);
    EXPECT_EQ(fallback, screen);
}
