// The light values the shaders read, published by the scene's lights. With several lights the
// last write wins. Unsynchronised: everything runs on the GLUT thread.
#pragma once

extern float sceneLightEyePosition[4]; // eye-space light position (x, y, z, w); written by Light::render
extern float sceneLightAmbient[3];     // ambient colour (r, g, b); written by Light::setAmbient
extern float sceneLightDiffuse[3];     // diffuse colour (r, g, b); written by Light::setDiffuse
