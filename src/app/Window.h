// Start-up of the one OpenGL window: game mode where the driver offers it, otherwise an 800 x 600
// window, then GLEW and the extensions the renderer cannot do without.
#pragma once

#include <string>

// The game-mode string for a screen of width x height pixels: "1280x1024:32@60".
std::string gameModeString(int width, int height);

// Sets the display mode and opens the window: full-screen game mode at the primary screen's size if
// possible, else an 800 x 600 window titled "Aerovant", with key repeats filtered as below.
// Requires glutInit.
void createWindow();

// A held key must reach the game as one press and one release (a held ESC is one ESC) while letters
// typed faster than frames are drawn all arrive. Needs the current window; pair the key callbacks
// with a HeldKeys.
void filterKeyRepeats();

// Initialises GLEW and checks, in order, vertex buffer objects, multitexture, framebuffer objects and
// rectangle textures. On the first failure prints one line to standard output and one to the debug
// channel and returns false; returns true when everything is there.
bool initExtensions();

// The reshape step: viewport, the camera lens perspective (render/CameraLens.h), identity model-view, and
// the new size published in windowWidth / windowHeight. A zero height is treated as 1 so the
// aspect ratio stays finite while the window is minimised.
void reshapeWindow(int width, int height);
