// Program entry: opens the window, checks the extensions, creates the Game and hands every GLUT
// callback to it: key presses (a held key counts once), releases to the airplane during a race,
// left clicks to the menu outside one.
#include "app/Game.h"
#include "app/HeldKeys.h"
#include "app/Menu.h"
#include "app/Window.h"
#include "flight/Airplane.h"
#include "platform/DataPath.h"
#include "render/Globals.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdlib>

namespace
{

// Repeats of a held key are dropped here, before the game sees them: a held ESC is one ESC.
HeldKeys heldKeys;

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    game->displayFrame();
    glutSwapBuffers();
}

void reshape(int width, int height)
{
    reshapeWindow(width, height);
}

void keyboard(unsigned char key, int, int)
{
    if (heldKeys.pressKey(key))
        game->handleKeyboard(key);
}

// Releases go straight to the airplane, and only during a race.
void keyboardUp(unsigned char key, int, int)
{
    heldKeys.releaseKey(key);
    if (game->racing && game->airplane)
        game->airplane->handleKey(key, false);
}

void special(int key, int, int)
{
    if (heldKeys.pressSpecial(key))
        game->handleSpecial(key);
}

void specialUp(int key, int, int)
{
    heldKeys.releaseSpecial(key);
    if (game->racing && game->airplane)
        game->airplane->handleSpecialKey(key, false);
}

// Left-button releases outside a race go to the menu; during a race the mouse is ignored.
void mouse(int button, int state, int x, int y)
{
    if (button == GLUT_LEFT_BUTTON && state == GLUT_UP && !game->racing)
        game->menu->handleClick(x, y);
}

void idle()
{
    game->updateFrame();
}

void exitHandler()
{
    if (game) {
        game->cleanUp();
        delete game;
        game = nullptr;
    }
}

} // namespace

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    createWindow();
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutKeyboardUpFunc(keyboardUp);
    glutSpecialFunc(special);
    glutSpecialUpFunc(specialUp);
    glutMouseFunc(mouse);
    glutIdleFunc(idle);
    std::atexit(exitHandler);

    if (!initExtensions())
        return 0;

    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);

    game = new Game(platform::dataDirectory(argc > 0 ? argv[0] : nullptr));
    glutMainLoop();
    return 0;
}
