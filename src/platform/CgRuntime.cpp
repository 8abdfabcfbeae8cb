// The shader runtime, part one: errors, contexts, profiles and programs (reading, compiling,
// collecting parameters, binding). Parameter values and texture parameters are in
// CgRuntimeParameters.cpp, the tracked fixed-function matrices in CgRuntimeMatrices.cpp.
//
// Sections: internal helpers (the stage pipeline, compiling and collecting parameters), errors,
// contexts and profiles, programs.
#include "platform/CgRuntime.h"

#include "platform/CgRuntimeInternal.h"
#include "platform/DataPath.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace platform
{
namespace cg
{

const char* const programFileExtension = ".glsl";

namespace detail
{

RuntimeState state;

void report(Error error, const std::string& description)
{
    state.lastError = error;
    state.describedError = error;
    state.description = description;
    if (state.callback)
        state.callback();
}

int stageOf(Profile profile)
{
    return profile == Profile::Vertex ? vertexStage : fragmentStage;
}

std::string describe(const Parameter* parameter)
{
    return parameter->name + " in " + parameter->program->path;
}

bool isCurrent(const Program* program)
{
    return state.boundProgram[stageOf(program->profile)] == program;
}

void bindTextureUnit(const Parameter& parameter)
{
    // Texture bindings are not cached: a deleted texture leaves its units, and its name may come
    // back for another texture, so a remembered name could not be trusted.
    GLint active = GL_TEXTURE0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glActiveTexture(parameter.textureUnit);
    glBindTexture(parameter.textureTarget, parameter.textureEnabled ? parameter.texture : 0);
    glActiveTexture(GLenum(active));
}

} // namespace detail

using namespace detail;

namespace
{

// Program sources are small text files; anything larger is not a program.
const std::streamoff maxSourceBytes = 1 << 20;

std::string trimmedLog(std::string log)
{
    while (!log.empty() && (log.back() == '\n' || log.back() == ' ' || log.back() == '\0'))
        log.pop_back();
    return log;
}

// A stage name no program has: the pipeline's stage must be set whatever is wanted.
const GLuint unknownStage = ~GLuint(0);

// Puts the programs of the enabled profiles into the pipeline. With no program active, no pipeline
// is bound at all: an empty bound pipeline would make every fixed-function draw fail.
void applyStages()
{
    const GLuint vertex = state.profileEnabled[vertexStage] && state.boundProgram[vertexStage]
                              ? state.boundProgram[vertexStage]->name
                              : 0;
    const GLuint fragment = state.profileEnabled[fragmentStage] && state.boundProgram[fragmentStage]
                                ? state.boundProgram[fragmentStage]->name
                                : 0;
    if (vertex == 0 && fragment == 0) {
        if (state.pipelineBound)
            glBindProgramPipeline(0);
        state.pipelineBound = false;
        return;
    }
    if (state.pipeline == 0)
        glGenProgramPipelines(1, &state.pipeline);
    if (state.stageName[vertexStage] != vertex) {
        glUseProgramStages(state.pipeline, GL_VERTEX_SHADER_BIT, vertex);
        state.stageName[vertexStage] = vertex;
    }
    if (state.stageName[fragmentStage] != fragment) {
        glUseProgramStages(state.pipeline, GL_FRAGMENT_SHADER_BIT, fragment);
        state.stageName[fragmentStage] = fragment;
    }
    if (!state.pipelineBound)
        glBindProgramPipeline(state.pipeline);
    state.pipelineBound = true;
}

GLenum samplerTarget(GLenum type)
{
    switch (type) {
    case GL_SAMPLER_1D:
    case GL_SAMPLER_1D_SHADOW:
        return GL_TEXTURE_1D;
    case GL_SAMPLER_2D:
    case GL_SAMPLER_2D_SHADOW:
        return GL_TEXTURE_2D;
    case GL_SAMPLER_3D:
        return GL_TEXTURE_3D;
    case GL_SAMPLER_CUBE:
        return GL_TEXTURE_CUBE_MAP;
    case GL_SAMPLER_2D_RECT:
    case GL_SAMPLER_2D_RECT_SHADOW:
        return GL_TEXTURE_RECTANGLE;
    default:
        return 0;
    }
}

bool readSource(const std::string& path, std::string& source)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0 || size > maxSourceBytes)
        return false;
    file.seekg(0, std::ios::beg);
    source.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

// Replaces every line `#include "name"` of `source` (read from `path`) by the named file, found in
// the including file's own directory or below it: names are relative, with no ".." and no drive or
// root. Included files may include others, `maxIncludeDepth` levels deep. `#line` directives keep
// the compiler's line numbers those of each file (source 0 is the program, then one per include).
// False after reporting the error.
const int maxIncludeDepth = 4;

bool includeName(const std::string& line, std::string& name)
{
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#')
        return false;
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0)
        return false;
    const size_t open = line.find_first_not_of(" \t", at + 7);
    if (open == std::string::npos || line[open] != '"')
        return false;
    const size_t close = line.find('"', open + 1);
    if (close == std::string::npos || line.find_first_not_of(" \t\r", close + 1) != std::string::npos)
        return false;
    name = line.substr(open + 1, close - open - 1);
    return true;
}

bool safeIncludeName(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

bool expandIncludes(const std::string& path, const std::string& source, int depth, int& sourceCount,
                    std::string& out)
{
    const int sourceNumber = sourceCount - 1;
    const std::string directory = path.substr(0, path.find_last_of('/') + 1);
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < source.size()) {
        size_t end = source.find('\n', start);
        if (end == std::string::npos)
            end = source.size();
        const std::string line = source.substr(start, end - start);
        ++lineNumber;
        start = end + 1;
        std::string name;
        if (!includeName(line, name)) {
            out += line;
            out += '\n';
            continue;
        }
        const std::string where = path + ":" + std::to_string(lineNumber) + ": ";
        if (!safeIncludeName(name)) {
            report(Error::FileRead,
                   where + "include \"" + name + "\" must name a file beside the program or below it");
            return false;
        }
        if (depth >= maxIncludeDepth) {
            report(Error::FileRead,
                   where + "includes nested more than " + std::to_string(maxIncludeDepth) + " deep");
            return false;
        }
        const std::string included = nativePath(directory + name);
        std::string text;
        if (!readSource(included, text)) {
            report(Error::FileRead, where + "cannot read the included " + included);
            return false;
        }
        out += "#line 1 " + std::to_string(sourceCount) + "\n";
        ++sourceCount;
        if (!expandIncludes(included, text, depth + 1, sourceCount, out))
            return false;
        out += "#line " + std::to_string(lineNumber + 1) + " " + std::to_string(sourceNumber) + "\n";
    }
    return true;
}

// Compiles and links one stage into a separable program; 0 after reporting the GL log.
GLuint buildProgram(const std::string& path, const std::string& source, GLenum stage)
{
    const GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    const GLint length = GLint(source.size());
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        GLint logLength = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
        std::string log(size_t(std::max(logLength, 1)), '\0');
        glGetShaderInfoLog(shader, GLsizei(log.size()), nullptr, &log[0]);
        glDeleteShader(shader);
        report(Error::Compile, path + "\n" + trimmedLog(log));
        return 0;
    }

    const GLuint program = glCreateProgram();
    glProgramParameteri(program, GL_PROGRAM_SEPARABLE, GL_TRUE);
    glAttachShader(program, shader);
    glLinkProgram(program);
    glDetachShader(program, shader);
    glDeleteShader(shader);
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        GLint logLength = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
        std::string log(size_t(std::max(logLength, 1)), '\0');
        glGetProgramInfoLog(program, GLsizei(log.size()), nullptr, &log[0]);
        glDeleteProgram(program);
        report(Error::Link, path + "\n" + trimmedLog(log));
        return 0;
    }
    return program;
}

// Collects the active uniforms and gives every sampler a unit of its own. Fragment samplers count
// up from unit 1 (unit 0 stays with fixed-function texturing), vertex samplers from the first unit
// above the fragment stage's range, so a vertex and a fragment program never share a unit.
bool collectParameters(Program& program)
{
    GLint count = 0;
    GLint maxName = 0;
    glGetProgramiv(program.name, GL_ACTIVE_UNIFORMS, &count);
    glGetProgramiv(program.name, GL_ACTIVE_UNIFORM_MAX_LENGTH, &maxName);
    GLint fragmentUnits = 0;
    GLint combinedUnits = 0;
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &fragmentUnits);
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &combinedUnits);
    GLint nextUnit = program.profile == Profile::Fragment ? 1 : fragmentUnits;
    const GLint endUnit = program.profile == Profile::Fragment ? fragmentUnits : combinedUnits;

    std::vector<char> buffer(size_t(std::max(maxName, 1)) + 1);
    for (GLint i = 0; i < count; ++i) {
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program.name, GLuint(i), GLsizei(buffer.size()), nullptr, &size, &type,
                           buffer.data());
        std::string name(buffer.data());
        const GLint location = glGetUniformLocation(program.name, name.c_str());
        if (location < 0 || name.compare(0, 3, "gl_") == 0)
            continue; // built-in state and block members are not parameters
        const std::string::size_type bracket = name.find('[');
        if (bracket != std::string::npos)
            name.erase(bracket);

        std::unique_ptr<Parameter> parameter(
            new Parameter{&program, name, location, type, samplerTarget(type), 0, 0, false});
        if (parameter->textureTarget != 0) {
            if (size != 1 || nextUnit >= endUnit) {
                report(Error::Link, program.path + "\nsampler " + name +
                                        (size != 1 ? ": sampler arrays are not supported"
                                                   : ": more samplers than texture units"));
                return false;
            }
            parameter->textureUnit = GL_TEXTURE0 + GLenum(nextUnit);
            glProgramUniform1i(program.name, location, nextUnit);
            ++nextUnit;
        }
        program.parameters.push_back(std::move(parameter));
    }
    return true;
}

} // namespace

// --- Errors ----------------------------------------------------------------------------------------

void setErrorCallback(ErrorCallback callback)
{
    state.callback = callback;
}

ErrorCallback getErrorCallback()
{
    return state.callback;
}

Error getError()
{
    const Error error = state.lastError;
    state.lastError = Error::None;
    return error;
}

std::string getErrorString(Error error)
{
    std::string text;
    switch (error) {
    case Error::None:
        text = "no error";
        break;
    case Error::InvalidContext:
        text = "invalid shader context";
        break;
    case Error::InvalidProfile:
        text = "invalid shader profile";
        break;
    case Error::InvalidProgram:
        text = "invalid shader program";
        break;
    case Error::ProgramNotLoaded:
        text = "shader program bound before it was loaded";
        break;
    case Error::FileRead:
        text = "cannot read shader program file";
        break;
    case Error::UnsupportedEntry:
        text = "shader program entry function must be main";
        break;
    case Error::Compile:
        text = "shader program did not compile";
        break;
    case Error::Link:
        text = "shader program did not link";
        break;
    case Error::InvalidParameter:
        text = "invalid shader parameter";
        break;
    case Error::ParameterType:
        text = "value does not fit the shader parameter's type";
        break;
    }
    if (error != Error::None && error == state.describedError && !state.description.empty())
        text += ": " + state.description;
    return text;
}

// --- Contexts and profiles -------------------------------------------------------------------------

Context* createContext()
{
    return new Context;
}

void destroyContext(Context* context)
{
    if (!context) {
        report(Error::InvalidContext);
        return;
    }
    while (!context->programs.empty())
        destroyProgram(context->programs.back());
    delete context;
}

Profile getLatestProfile(ProfileClass profileClass)
{
    if (!GLEW_VERSION_4_1 && !GLEW_ARB_separate_shader_objects)
        return Profile::Unknown;
    return profileClass == ProfileClass::Vertex ? Profile::Vertex : Profile::Fragment;
}

void enableProfile(Profile profile)
{
    if (profile == Profile::Unknown) {
        report(Error::InvalidProfile);
        return;
    }
    state.profileEnabled[stageOf(profile)] = true;
    applyStages();
}

void disableProfile(Profile profile)
{
    if (profile == Profile::Unknown) {
        report(Error::InvalidProfile);
        return;
    }
    state.profileEnabled[stageOf(profile)] = false;
    applyStages();
}

// --- Programs --------------------------------------------------------------------------------------

Program* createProgramFromFile(Context* context, const std::string& path, Profile profile, const char* entry)
{
    if (!context) {
        report(Error::InvalidContext, nativePath(path));
        return nullptr;
    }
    if (profile == Profile::Unknown) {
        report(Error::InvalidProfile, nativePath(path));
        return nullptr;
    }
    if (!entry || std::string(entry) != "main") {
        report(Error::UnsupportedEntry, nativePath(path));
        return nullptr;
    }
    // Messages name the file as the file system knows it.
    const std::string file = nativePath(path);
    std::string source;
    if (!readSource(file, source)) {
        report(Error::FileRead, file);
        return nullptr;
    }
    std::string expanded;
    int sourceCount = 1;
    if (!expandIncludes(file, source, 0, sourceCount, expanded))
        return nullptr;
    const GLuint name =
        buildProgram(file, expanded, profile == Profile::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    if (name == 0)
        return nullptr;

    std::unique_ptr<Program> program(new Program{context, name, profile, file, false, {}});
    if (!collectParameters(*program)) {
        glDeleteProgram(name);
        return nullptr;
    }
    context->programs.push_back(program.get());
    return program.release();
}

void loadProgram(Program* program)
{
    if (!program) {
        report(Error::InvalidProgram);
        return;
    }
    program->loaded = true;
}

void bindProgram(Program* program)
{
    if (!program) {
        report(Error::InvalidProgram);
        return;
    }
    if (!program->loaded) {
        report(Error::ProgramNotLoaded, program->path);
        return;
    }
    state.boundProgram[stageOf(program->profile)] = program;
    // Units are numbered per program, so the units of the program bound before may hold other
    // textures: every sampler gets its own texture (or none) again.
    for (const std::unique_ptr<Parameter>& parameter : program->parameters)
        if (parameter->textureTarget != 0)
            bindTextureUnit(*parameter);
    applyStages();
}

void destroyProgram(Program* program)
{
    if (!program) {
        report(Error::InvalidProgram);
        return;
    }
    if (isCurrent(program)) {
        state.boundProgram[stageOf(program->profile)] = nullptr;
        applyStages();
    }
    std::vector<Program*>& programs = program->context->programs;
    programs.erase(std::remove(programs.begin(), programs.end(), program), programs.end());
    glDeleteProgram(program->name);
    // Its name may come back for another program: the pipeline's stage is unknown until set again.
    for (GLuint& name : state.stageName)
        if (name == program->name)
            name = unknownStage;
    delete program;
}

Parameter* getNamedParameter(Program* program, const char* name)
{
    if (!program) {
        report(Error::InvalidProgram, name ? name : "");
        return nullptr;
    }
    if (!name)
        return nullptr;
    for (const std::unique_ptr<Parameter>& parameter : program->parameters)
        if (parameter->name == name)
            return parameter.get();
    return nullptr;
}

} // namespace cg
} // namespace platform
