#include "platform/DataPath.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>

// The installed data folder seen from the installed programs' folder; the build computes it from
// the install directories.
#ifndef AEROVANT_INSTALLED_DATA
#define AEROVANT_INSTALLED_DATA "../share/aerovant/"
#endif

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

std::string dataDirectoryBeside(const std::string& programDirectory)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_regular_file(nativePath(programDirectory + "levels/config.xml"), error))
        return programDirectory;
    // "/usr/bin/../share/aerovant/" reads as "/usr/share/aerovant/" in messages; a program started
    // from its own folder as "./aerovant" has the directory "" and stays relative.
    const std::string installed = programDirectory + AEROVANT_INSTALLED_DATA;
    std::string normal = fs::path(installed).lexically_normal().string();
    if (normal.empty() || normal == ".")
        return installed;
    if (normal.back() != '/')
        normal += '/';
    return normal;
}

std::string dataDirectory(const char* argv0)
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length > 0)
        return dataDirectoryBeside(directoryOf(std::string(buffer, size_t(length))));
    return dataDirectoryBeside(directoryOf(argv0 ? argv0 : ""));
}

std::string programDirectory()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    return length > 0 ? directoryOf(std::string(buffer, size_t(length))) : "";
}

std::string playerDataDirectory()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return std::string(dataHome) + (std::string(dataHome).back() == '/' ? "" : "/") + "aerovant/";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + (std::string(home).back() == '/' ? "" : "/") + ".local/share/aerovant/";
    return "";
}

} // namespace platform
