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
        count += isObject(name) ? 1 : 0;
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
    live.textures = countNames([](GLsizei n, GLuint* names) { glGenTextures(n, names); },
                               [](GLsizei n, GLuint* names) { glDeleteTextures(n, names); },
                               [](GLuint name) { return glIsTexture(name) == GL_TRUE; });
    live.buffers = countNames([](GLsizei n, GLuint* names) { glGenBuffers(n, names); },
                              [](GLsizei n, GLuint* names) { glDeleteBuffers(n, names); },
                              [](GLuint name) { return glIsBuffer(name) == GL_TRUE; });
    live.displayLists = countNames([](GLsizei, GLuint* names) { *names = glGenLists(1); },
                                   [](GLsizei, GLuint* names) { glDeleteLists(*names, 1); },
                                   [](GLuint name) { return glIsList(name) == GL_TRUE; });
    live.framebuffers = countNames([](GLsizei n, GLuint* names) { glGenFramebuffersEXT(n, names); },
                                   [](GLsizei n, GLuint* names) { glDeleteFramebuffersEXT(n, names); },
                                   [](GLuint name) { return glIsFramebufferEXT(name) == GL_TRUE; });
    live.renderbuffers = countNames([](GLsizei n, GLuint* names) { glGenRenderbuffersEXT(n, names); },
                                    [](GLsizei n, GLuint* names) { glDeleteRenderbuffersEXT(n, names); },
                                    [](GLuint name) { return glIsRenderbufferEXT(name) == GL_TRUE; });
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
