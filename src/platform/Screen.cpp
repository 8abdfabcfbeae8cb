#include "platform/Screen.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace platform
{

namespace
{

// XRandR requests can fail while monitors are being plugged; Xlib's own handler would end the
// program for that.
int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

std::vector<MonitorOutput> litOutputs(Display* display)
{
    std::vector<MonitorOutput> outputs;
    const Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (!resources)
        return outputs;
    const RROutput primary = XRRGetOutputPrimary(display, root);
    for (int k = 0; k < resources->noutput; ++k) {
        XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[k]);
        if (!output)
            continue;
        if (output->connection == RR_Connected && output->crtc != None) {
            XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, output->crtc);
            if (crtc && crtc->width > 0 && crtc->height > 0)
                outputs.push_back({resources->outputs[k] == primary, {int(crtc->width), int(crtc->height)}});
            if (crtc)
                XRRFreeCrtcInfo(crtc);
        }
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    return outputs;
}

} // namespace

bool choosePrimaryOutput(const std::vector<MonitorOutput>& outputs, ScreenSize& size)
{
    if (outputs.empty())
        return false;
    size = outputs.front().size;
    for (const MonitorOutput& output : outputs) {
        if (output.primary) {
            size = output.size;
            break;
        }
    }
    return true;
}

bool primaryOutputSize(ScreenSize& size)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    bool found = false;
    if (XRRQueryExtension(display, &eventBase, &errorBase) && XRRQueryVersion(display, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 3))) {
        const auto previous = XSetErrorHandler(ignoreError);
        found = choosePrimaryOutput(litOutputs(display), size);
        XSync(display, False); // errors of our requests arrive while the quiet handler is in place
        XSetErrorHandler(previous);
    }
    XCloseDisplay(display);
    return found;
}

ScreenSize primaryScreenSize()
{
    ScreenSize size;
    if (primaryOutputSize(size))
        return size;
    return {glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT)};
}

} // namespace platform
