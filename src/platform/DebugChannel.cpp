#include "platform/DebugChannel.h"

#include <cstdio>

namespace platform
{

void debugOutput(const std::string& text)
{
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

} // namespace platform
