#include "render/SceneLight.h"

// GL's defaults for GL_LIGHT0, until a light says otherwise.
float sceneLightEyePosition[4] = {0, 0, 1, 0};
float sceneLightAmbient[3] = {0, 0, 0};
float sceneLightDiffuse[3] = {1, 1, 1};
