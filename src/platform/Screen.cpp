#include "platform/Screen.h"

#include <GL/freeglut.h>

namespace platform
{

ScreenSize primaryScreenSize()
{
    return {glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT)};
}

} // namespace platform
