// The shader runtime the shading classes talk to: contexts, profiles, programs loaded from source
// files, named parameters, tracked matrices and texture parameters, with one error callback.
// It stands in for the vendor shader runtime the game was designed around; underneath it is GLSL
// in the OpenGL compatibility profile, and nothing outside this layer knows that.
//
// Programs and stages: a vertex program and a fragment program are created, loaded and bound
// separately. Each program is its own separable GL program object, and one program pipeline per
// process holds the programs of the enabled profiles. So a program's parameters live in that
// program alone (set at any time, bound or not), any vertex program pairs with any fragment program
// without a link per pair, and a vertex program with the fragment profile disabled draws through
// the fixed-function fragment stage. A fragment program without an enabled vertex profile reads
// undefined inputs: always bind a vertex program with it.
//
// Errors: every failed call records an error and runs the error callback, which usually prints
// getErrorString(getError()). Calls made with a null handle fail this way and do nothing else, so a
// shader that failed to load leaves the game drawing on.
#pragma once

#include <GL/glew.h>

#include <string>

namespace platform
{
namespace cg
{

struct Context;   // owns the programs created in it
struct Program;   // one compiled and linked program; owns its parameters
struct Parameter; // one named uniform of a program; valid until its program is destroyed

enum class ProfileClass { Vertex, Fragment };

// A profile names the stage a program runs in. Unknown until chosen, and when the GL lacks
// separable programs.
enum class Profile { Unknown, Vertex, Fragment };

enum class StateMatrix { ModelView, Projection, ModelViewProjection, Texture };
enum class MatrixTransform { Identity, Transpose, Inverse, InverseTranspose };

enum class Error {
    None,
    InvalidContext,   // null context handle
    InvalidProfile,   // Profile::Unknown where a stage is needed
    InvalidProgram,   // null program handle
    ProgramNotLoaded, // bound before loadProgram
    FileRead,         // the program file is missing, unreadable or too large
    UnsupportedEntry, // an entry function other than "main"
    Compile,          // the source did not compile; the error string carries the compiler log
    Link,             // the program did not link; the error string carries the linker log
    InvalidParameter, // null parameter handle
    ParameterType,    // the value does not fit the parameter's type
};

// Source files of programs carry this extension after their base name.
extern const char* const programFileExtension;

using ErrorCallback = void (*)();

// Runs after every recorded error; nullptr removes it. One callback for the whole process.
void setErrorCallback(ErrorCallback callback);
ErrorCallback getErrorCallback();
// The latest error, which is cleared by the call; Error::None when nothing failed since.
Error getError();
// One-line description of `error`; for the most recent error also what it concerned (file,
// parameter) and, for compile and link errors, the GL log on the following lines.
std::string getErrorString(Error error);

Context* createContext();
// Destroys the programs still alive in the context, then the context.
void destroyContext(Context* context);

// The profile for vertex or fragment programs; Unknown when the GL cannot run them.
Profile getLatestProfile(ProfileClass profileClass);
// Enabled profiles take part in drawing with their bound programs; both start disabled.
void enableProfile(Profile profile);
void disableProfile(Profile profile);

// Reads and compiles the file at `path` (mapped with nativePath) for the profile's stage. A line
// `#include "name"` takes in the file `name` relative to the including file's directory (never
// above it: no "..", no root), up to four levels deep. Returns nullptr and reports an error when
// the file or an included one cannot be read or may not be included, `entry` is not "main", or
// the source does not compile or link. The program belongs to the context until destroyed.
Program* createProgramFromFile(Context* context, const std::string& path, Profile profile, const char* entry);
// Makes the program ready to bind. A null program reports an error.
void loadProgram(Program* program);
// Makes the program the current one of its profile and binds its texture parameters to their units.
void bindProgram(Program* program);
// Frees the program and its parameters; it stops being current if it was.
void destroyProgram(Program* program);

// The parameter of that name, or nullptr when the program has no such active uniform (no error is
// reported then; a null program reports one).
Parameter* getNamedParameter(Program* program, const char* name);

// Reads the fixed-function matrix now (later changes of the stacks do not reach the parameter),
// applies the transform and sets it into a mat4 parameter.
void setStateMatrixParameter(Parameter* parameter, StateMatrix matrix, MatrixTransform transform);
// Sets a mat4 parameter from 16 floats in column-major order.
void setMatrixParameterfc(Parameter* parameter, const float* matrix);
// Set float, vec2, vec3 and vec4 parameters; the count must match the parameter's type.
void setParameter1f(Parameter* parameter, float x);
void setParameter2fv(Parameter* parameter, const float* v);
void setParameter3fv(Parameter* parameter, const float* v);
void setParameter4fv(Parameter* parameter, const float* v);

// Texture parameters (samplers). Each sampler of a program has a texture unit of its own, never
// unit 0, so fixed-function texturing is left alone. setTextureParameter records the texture;
// enableTextureParameter binds it to the unit (at once when the program is current, otherwise when
// it is bound); disabled samplers read texture 0.
void setTextureParameter(Parameter* parameter, GLuint texture);
void enableTextureParameter(Parameter* parameter);
void disableTextureParameter(Parameter* parameter);

// The texture recorded on a sampler parameter (0 = none, and for anything else).
GLuint getTextureParameter(const Parameter* parameter);
// The texture unit of a sampler parameter (GL_TEXTURE0 + n), or 0 for anything else.
GLenum textureParameterUnit(const Parameter* parameter);
// Copies the current value of a float, vector or mat4 parameter into `values` (room for 16) and
// returns the number of floats; 0 for other types and null handles (nothing reported).
int getParameterValues(const Parameter* parameter, float* values);

} // namespace cg
} // namespace platform
