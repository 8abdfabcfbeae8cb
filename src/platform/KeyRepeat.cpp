#include "platform/KeyRepeat.h"

#include <GL/glx.h>
#include <X11/XKBlib.h>

namespace platform
{

bool useDetectableKeyRepeat()
{
    Display* display = glXGetCurrentDisplay();
    if (!display)
        return false;
    Bool supported = False;
    XkbSetDetectableAutoRepeat(display, True, &supported);
    return supported == True;
}

} // namespace platform
