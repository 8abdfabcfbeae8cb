#include "support/BenchContext.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdlib>

bool ensureBenchContext()
{
    static const bool ready = [] {
        if (!std::getenv("DISPLAY"))
            return false;
        int argc = 1;
        char name[] = "aerovant_bench";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGBA | GLUT_DEPTH);
        glutInitWindowSize(64, 64);
        glutCreateWindow("aerovant bench");
        glutHideWindow();
        if (glewInit() != GLEW_OK)
            return false;
        return true;
    }();
    return ready;
}
