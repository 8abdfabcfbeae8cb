// Process-wide state of the application shell. Each item is written in one place only.
#pragma once

#include <string>

class Game;

extern Game* game;                // the one controller; set once by main, read by every GLUT callback
extern float windowWidth;         // current window width in pixels; written by the reshape callback
extern float windowHeight;        // current window height in pixels; written by the reshape callback
extern std::string baseDirectory; // data directory with trailing separator; published by the Game
