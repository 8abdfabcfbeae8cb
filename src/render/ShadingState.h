// Process-wide state of the shading subsystem, and the steps every shader class shares: setting up
// the shader runtime, the white texture and loading one program. Everything runs on the GLUT thread
// with the GL context current.
#pragma once

#include "platform/CgRuntime.h"

#include <GL/glew.h>

#include <string>

// Shader runtime context; created by the first shader constructed, never released.
extern platform::cg::Context* cgContext;
// Profiles of vertex and fragment programs; chosen with the context, Unknown until then.
extern platform::cg::Profile vertexProfile;
extern platform::cg::Profile fragmentProfile;
// 1 x 1 white GL_TEXTURE_2D, what untextured surfaces and unset terrain maps sample; created by the
// first cartoon or terrain shader, deleted when the Game releases its shaders.
extern GLuint whiteTexture;

// Written by the shadow-map renderer when its final pass begins, read by the cartoon shaders. Zero
// until the first final pass; never reset afterwards.
extern GLuint shadowMapTexture;       // light-space depth, seen from the light
extern GLuint outlineMapTexture;      // eye-space normals and depth, seen from the camera
extern float shadowTextureMatrix[16]; // eye space of the final pass -> shadow-map texture space,
                                      // column-major; all zero until then

// Creates cgContext with the error callback and chooses both profiles, unless done already. When
// the GL cannot run the shader layer (it needs OpenGL 4.1 or GL_ARB_separate_shader_objects), says
// so in one line on standard output and switches cartoon shading off for good.
void setUpShaderRuntime();

// Whether the shader layer runs on this GL; false before setUpShaderRuntime. Without it the shader
// classes load nothing and the race view draws with the fixed-function path.
bool shadersSupported();

// Switches both program profiles off, so the fixed-function pipeline draws. Nothing to do before
// the first shader has chosen them.
void disableShaderProfiles();

// The runtime's error callback: its error string and a line end on standard output.
void printShaderError();

// Creates whiteTexture unless it exists.
void createWhiteTexture();
// Deletes whiteTexture (the next shader to need it creates it again). The Game calls it when it
// releases its shaders.
void releaseWhiteTexture();

// Creates and loads the program at `path` for `profile`; when that fails, prints
// `failureMessage` (a whole line) on standard output and returns nullptr.
platform::cg::Program* loadShaderProgram(const std::string& path, platform::cg::Profile profile,
                                         const char* failureMessage);

// Prints a whole line of the shading subsystem on standard output.
void printShaderMessage(const char* message);
