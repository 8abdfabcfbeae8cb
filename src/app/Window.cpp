#include "app/Window.h"

#include "platform/DebugChannel.h"
#include "platform/KeyRepeat.h"
#include "platform/Screen.h"
#include "render/CameraLens.h"
#include "render/Globals.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdio>

std::string gameModeString(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height) + ":32@60";
}

void createWindow()
{
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    const platform::ScreenSize screen = platform::primaryScreenSize();
    glutGameModeString(gameModeString(screen.width, screen.height).c_str());
    if (glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) {
        glutEnterGameMode();
    } else {
        glutInitWindowSize(800, 600);
        glutCreateWindow("Aerovant");
    }
    filterKeyRepeats();
}

void filterKeyRepeats()
{
    // With detectable repeat every event reaches the game and HeldKeys drops the presses of keys
    // that are down. GLUT's own filter is for servers without it: it takes a release for a repeat
    // when the key is down at the moment the event is handled, so a frame that takes a while turns
    // the release of a letter typed twice ("Tester") into a repeat and swallows the press after it.
    // Either way only this program's events are filtered; the server's repeat setting stays.
    glutIgnoreKeyRepeat(platform::useDetectableKeyRepeat() ? 0 : 1);
}

namespace
{

void reportMissing(const char* extension)
{
    std::printf("extension %s not supported\n", extension);
    std::fflush(stdout);
    platform::debugOutput(std::string("GLEW Error: extension ") + extension + " not supported.\n");
}

} // namespace

bool initExtensions()
{
    const GLenum result = glewInit();
    if (result != GLEW_OK) {
        const std::string text =
            std::string("GLEW Error: ") + reinterpret_cast<const char*>(glewGetErrorString(result)) + "\n";
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
        platform::debugOutput(text);
        return false;
    }

    struct Required {
        GLboolean present;
        const char* name;
    };
    // Vertex buffer objects and multitexture are core since OpenGL 1.5 and 1.3; a driver may stop
    // naming their ARB extensions (Mesa drops every always-on extension from its list as soon as
    // MESA_EXTENSION_OVERRIDE touches one of them), so the core version counts as present too.
    const Required required[] = {
        {GLboolean(GLEW_ARB_vertex_buffer_object || GLEW_VERSION_1_5), "ARB_vertex_buffer_object"},
        {GLboolean(GLEW_ARB_multitexture || GLEW_VERSION_1_3), "ARB_multitexture"},
        {GLEW_EXT_framebuffer_object, "EXT_framebuffer_object"},
        {GLEW_ARB_texture_rectangle, "ARB_texture_rectangle"},
    };
    for (const Required& extension : required) {
        if (!extension.present) {
            reportMissing(extension.name);
            return false;
        }
    }
    return true;
}

void reshapeWindow(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = double(width) / double(height > 0 ? height : 1);
    gluPerspective(cameraLens::fieldOfView, aspect, cameraLens::nearPlane, cameraLens::farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    windowWidth = float(width);
    windowHeight = float(height);
}
