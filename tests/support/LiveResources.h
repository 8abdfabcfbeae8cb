// What a long run could leak, counted from outside the code that makes it: the GL objects alive in
// the current context and the resident memory of the process. For endurance tests (many races in
// one process): take the counts after a warm-up and compare them with those at the end.
#pragma once

#include <cstddef>

namespace testsupport
{

struct LiveGLObjects {
    int textures = 0;
    int buffers = 0;
    int displayLists = 0;
    int framebuffers = 0;
    int renderbuffers = 0;
};

bool operator==(const LiveGLObjects& a, const LiveGLObjects& b);

// Every name of each kind the context has handed out so far is asked whether it is an object. Needs
// the current GL context; the counts include the caller's own objects.
LiveGLObjects countLiveGLObjects();

// The resident set size of this process in bytes (from /proc/self/statm); 0 when it cannot be read.
std::size_t residentBytes();
// The resident set size once the allocator has handed its free pages back (malloc_trim): without
// that it follows how much freed memory the allocator keeps for later (measured: swings of 20 to
// 40 MB between samples of the same state), not how much the program holds.
std::size_t trimmedResidentBytes();

} // namespace testsupport
