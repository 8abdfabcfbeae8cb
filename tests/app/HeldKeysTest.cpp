#include "app/HeldKeys.h"
#include "app/Window.h"

#include "support/GLContext.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

TEST(HeldKeys, RepeatsOfAHeldKeyAreNotNewPresses)
{
    HeldKeys held;
    EXPECT_TRUE(held.pressKey(27));
    EXPECT_FALSE(held.pressKey(27)) << "X repeats a held ESC as more presses";
    EXPECT_TRUE(held.pressKey('w')) << "another key while ESC is held";
    held.releaseKey(27);
    EXPECT_TRUE(held.pressKey(27));

    // Shift pressed while W is held: the repeats read 'W', the release may read either.
    EXPECT_FALSE(held.pressKey('W'));
    held.releaseKey('W');
    EXPECT_TRUE(held.pressKey('w'));

    // Special keys have their own codes: F1 (1) is not the key with character code 1.
    EXPECT_TRUE(held.pressSpecial(1));
    EXPECT_TRUE(held.pressKey(1));
    EXPECT_FALSE(held.pressSpecial(1));
    held.releaseSpecial(1);
    EXPECT_TRUE(held.pressSpecial(1));
    EXPECT_TRUE(held.pressSpecial(1000)) << "codes outside the table are never held";
    EXPECT_TRUE(held.pressSpecial(1000));
    held.releaseSpecial(-5);
}

namespace
{

// What the game's key callbacks would pass on: new presses only.
HeldKeys typedKeys;
std::string typed;

void keyDown(unsigned char key, int, int)
{
    if (typedKeys.pressKey(key))
        typed += char(key);
}

void keyUp(unsigned char key, int, int)
{
    typedKeys.releaseKey(key);
}

class TypingTest : public GLTest
{
};

} // namespace

// A player types faster than frames are drawn: every key event is in the queue before the program
// handles the first, and the last letter is still down by then. Each letter must arrive once.
TEST_F(TypingTest, LettersTypedFasterThanTheGameHandlesThemAllArrive)
{
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    int event, error, major, minor;
    ASSERT_TRUE(XTestQueryExtension(display, &event, &error, &major, &minor)) << "no XTEST on the screen";

    filterKeyRepeats();
    glutDisplayFunc([] {});
    glutKeyboardFunc(keyDown);
    glutKeyboardUpFunc(keyUp);
    glutShowWindow();
    XWindowAttributes attributes{};
    for (int i = 0; i < 200 && attributes.map_state != IsViewable; ++i) {
        glutMainLoopEvent();
        XGetWindowAttributes(display, window, &attributes);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(attributes.map_state, IsViewable);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);

    const auto key = [&](KeySym symbol, bool down) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), down, CurrentTime);
    };
    // "ese", the second e held: GLUT's own filter would take the first e's release for a repeat
    // and swallow the s.
    key(XK_e, true), key(XK_e, false), key(XK_s, true), key(XK_s, false), key(XK_e, true);
    XSync(display, False);
    for (int i = 0; i < 200 && typed.size() < 3; ++i) {
        glutMainLoopEvent();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    key(XK_e, false);
    XSync(display, False);
    glutMainLoopEvent();
    EXPECT_EQ(typed, "ese");

    glutKeyboardFunc(nullptr);
    glutKeyboardUpFunc(nullptr);
    glutHideWindow();
    glutMainLoopEvent();
}
