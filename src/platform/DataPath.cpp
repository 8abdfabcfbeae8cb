#include "platform/DataPath.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

namespace platform
{

std::string nativePath(const std::string& path)
{
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::string directoryOf(const std::string& programPath)
{
    const size_t separator = programPath.find_last_of("/\\");
    if (separator == std::string::npos)
        return "";
    return programPath.substr(0, separator + 1);
}

std::string dataDirectory(const char* argv0)
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length > 0)
        return directoryOf(std::string(buffer, size_t(length)));
    return directoryOf(argv0 ? argv0 : "");
}

} // namespace platform
