// A fresh directory under the system temp directory, removed with everything in it when the object
// goes out of scope. Tests write their own small input files there.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport
{

class ScratchDirectory
{
  public:
    // A new directory in `parent`, by default the system temp directory.
    explicit ScratchDirectory(const std::filesystem::path& parent = std::filesystem::temp_directory_path())
    {
        std::string pattern = (parent / "aerovant-XXXXXX").string();
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

    // Writes `content` to `relative` (with '/' separators), creating folders on the way; returns
    // the full path.
    std::string write(const std::string& relative, const std::string& content) const
    {
        const std::filesystem::path file = std::filesystem::path(path_) / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }

    // The whole content of `relative`, or "" when it cannot be read.
    std::string read(const std::string& relative) const
    {
        std::ifstream in(std::filesystem::path(path_) / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

  private:
    std::string path_;
};

} // namespace testsupport
