// A fresh directory under the system temp directory, removed with everything in it when the object
// goes out of scope. Tests write their own small input files there.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testsupport
{

class ScratchDirectory
{
  public:
    ScratchDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "aerovant-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern + "/";
    }
    ~ScratchDirectory()
    {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    // The directory with a trailing '/', or "" when it could not be created.
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace testsupport
