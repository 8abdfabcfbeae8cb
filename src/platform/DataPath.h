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

// The data directory of a program living in `programDirectory` (with its trailing separator): that
// directory itself when it holds levels/config.xml (a build tree, an unpacked copy), otherwise the
// installed data folder beside the program's bin/ folder, normally ../share/aerovant/ from it.
std::string dataDirectoryBeside(const std::string& programDirectory);

// The data directory of the running executable (found from /proc/self/exe, or from `argv0` when
// the link cannot be read), as dataDirectoryBeside gives it, with a trailing '/'.
std::string dataDirectory(const char* argv0);

// The directory of the running executable (from /proc/self/exe) with a trailing '/'; "" when the
// link cannot be read.
std::string programDirectory();

// Where the player's own files go when the data directory cannot take them:
// $XDG_DATA_HOME/aerovant/, or ~/.local/share/aerovant/ when XDG_DATA_HOME is unset, empty or not
// an absolute path. "" when neither XDG_DATA_HOME nor HOME gives a place.
std::string playerDataDirectory();

} // namespace platform
