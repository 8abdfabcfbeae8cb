// Data paths. The game builds every data path as the data directory followed by a relative path
// with backslashes (levels\config.xml, models\airplane.dae); nativePath turns such a path into the
// one the file system understands, and nothing else in the code deals with separators.
#pragma once

#include <string>

namespace platform
{

// `path` with every backslash replaced by '/'. Apply it whenever a file is opened or created.
std::string nativePath(const std::string& path);

// The directory part of `programPath` including its final separator ('/' or '\'), or "" when the
// path has no directory part.
std::string directoryOf(const std::string& programPath);

// The data directory: the directory of the running executable (from /proc/self/exe), with a
// trailing '/'. Falls back to the directory of `argv0` when the link cannot be read.
std::string dataDirectory(const char* argv0);

} // namespace platform
