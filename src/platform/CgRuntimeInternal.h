// What the three parts of the shader runtime share: the objects behind the handles, the runtime's
// one state and the helpers that every part reports and binds through. Only CgRuntime*.cpp
// include this header.
#pragma once

#include "platform/CgRuntime.h"

#include <memory>
#include <string>
#include <vector>

namespace platform
{
namespace cg
{

struct Parameter {
    Program* program;
    std::string name;
    GLint location;
    GLenum type;          // GL uniform type (GL_FLOAT_VEC3, GL_SAMPLER_2D, ...)
    GLenum textureTarget; // for samplers: the target the unit is bound on; 0 otherwise
    GLenum textureUnit;   // for samplers: GL_TEXTURE0 + n; 0 otherwise
    GLuint texture;       // for samplers: the recorded texture, 0 = none
    bool textureEnabled;  // for samplers: bound to the unit whenever the program is bound
};

struct Program {
    Context* context;
    GLuint name; // separable GL program object, owned
    Profile profile;
    std::string path; // as given, for messages
    bool loaded;
    std::vector<std::unique_ptr<Parameter>> parameters;
};

struct Context {
    std::vector<Program*> programs; // owned
};

namespace detail
{

const int vertexStage = 0;
const int fragmentStage = 1;

// The runtime's process-wide state. Only the runtime's own functions read or write it.
struct RuntimeState {
    ErrorCallback callback = nullptr;
    Error lastError = Error::None;
    Error describedError = Error::None; // the error that `description` belongs to
    std::string description;
    bool profileEnabled[2] = {false, false};
    Program* boundProgram[2] = {nullptr, nullptr};
    GLuint pipeline = 0; // created on first use, lives as long as the GL context
    // What the GL holds now, so unchanged state is not sent again: the stage programs in the
    // pipeline and whether the pipeline is bound. Only the runtime binds pipelines.
    GLuint stageName[2] = {0, 0};
    bool pipelineBound = false;
};

extern RuntimeState state; // defined in CgRuntime.cpp

// Records `error` with what it concerned and runs the error callback.
void report(Error error, const std::string& description = std::string());
int stageOf(Profile profile);
// "<parameter> in <program file>", for messages.
std::string describe(const Parameter* parameter);
// Whether `program` is the bound program of its stage.
bool isCurrent(const Program* program);
// Binds the sampler's texture (or texture 0 while disabled) to its unit, keeping the active unit.
void bindTextureUnit(const Parameter& parameter);
// A parameter of that GL type; otherwise reports the error and returns false.
bool checkParameter(Parameter* parameter, GLenum type);

} // namespace detail
} // namespace cg
} // namespace platform
