#include "support/LiveResources.h"

#include <GL/glew.h>

#include <malloc.h>
#include <unistd.h>

#include <fstream>

namespace testsupport
{

namespace
{

// Mesa hands names out upwards without reusing deleted ones, so a fresh name marks the end of the
// range in use; the range is searched a little further for drivers that fill gaps first.
template <class Generate, class Remove, class IsObject>
int countNames(Generate generate, Remove remove, IsObject isObject)
{
    GLuint fresh = 0;
    generate(1, &fresh);
    remove(1, &fresh);
    int count = 0;
    for (GLuint name = 1; name < fresh + 4096; ++name)
        count += isObject(name) == GL_TRUE ? 1 : 0;
    return count;
}

} // namespace

bool operator==(const LiveGLObjects& a, const LiveGLObjects& b)
{
    return a.textures == b.textures && a.buffers == b.buffers && a.displayLists == b.displayLists &&
           a.framebuffers == b.framebuffers && a.renderbuffers == b.renderbuffers;
}

LiveGLObjects countLiveGLObjects()
{
    LiveGLObjects live;
    live.textures = countNames(glGenTextures, glDeleteTextures, glIsTexture);
    live.buffers = countNames(glGenBuffers, glDeleteBuffers, glIsBuffer);
    live.displayLists = countNames([](GLsizei, GLuint* names) { *names = glGenLists(1); },
                                   [](GLsizei, GLuint* names) { glDeleteLists(*names, 1); }, glIsList);
    live.framebuffers = countNames(glGenFramebuffersEXT, glDeleteFramebuffersEXT, glIsFramebufferEXT);
    live.renderbuffers = countNames(glGenRenderbuffersEXT, glDeleteRenderbuffersEXT, glIsRenderbufferEXT);
    return live;
}

std::size_t residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    if (!(statm >> pages >> resident))
        return 0;
    return resident * std::size_t(::sysconf(_SC_PAGESIZE));
}

std::size_t trimmedResidentBytes()
{
    ::malloc_trim(0);
    return residentBytes();
}

} // namespace testsupport
