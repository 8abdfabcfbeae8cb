#include "support/GLContext.h"

#include "render/CameraLens.h"
#include "render/RenderSettings.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glu.h>

#include <dlfcn.h>

#include <cstdlib>

namespace testsupport
{

namespace
{

// Mesa unloads its driver when the process ends, before LeakSanitizer looks at the heap, and then the
// driver's own allocations cannot be attributed to it (the suppressions name libraries). Keeping the
// driver mapped lets the suppression file recognise them.
void pinGLDriver()
{
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
}

} // namespace

bool ensureGLContext()
{
    static int state = 0; // 0 untried, 1 ready, -1 failed
    if (state != 0)
        return state > 0;
    state = -1;
    if (!std::getenv("DISPLAY"))
        return false;
    pinGLDriver();
    int argc = 1;
    char name[] = "aerovant_tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow("aerovant tests");
    glutHideWindow();
    if (glewInit() != GLEW_OK)
        return false;
    state = 1;
    return true;
}

std::string glDriver()
{
    if (!ensureGLContext())
        return "";
    const auto text = [](GLenum name) {
        const auto* value = reinterpret_cast<const char*>(glGetString(name));
        return std::string(value ? value : "");
    };
    return text(GL_RENDERER) + ", " + text(GL_VERSION);
}

bool onMesa()
{
    return glDriver().find("Mesa") != std::string::npos;
}

void loadRaceProjection(double projection[16])
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(cameraLens::fieldOfView, 800.0 / 600.0, cameraLens::nearPlane, cameraLens::farPlane);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void expectProjectionRestored(const double projection[16])
{
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLdouble after[16];
    glGetDoublev(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_DOUBLE_EQ(after[i], projection[i]) << "projection element " << i;
}

} // namespace testsupport

void GLTest::SetUp()
{
    ASSERT_TRUE(testsupport::ensureGLContext()) << "GL tests need a display (run them under xvfb-run)";
    RenderSettings::restoreDefaults();
}

void GLTest::TearDown()
{
    RenderSettings::restoreDefaults();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
