#include "render/Globals.h"

float windowWidth = 800.0f;
float windowHeight = 600.0f;
std::string baseDirectory;
