// A fresh folder under the system's temporary directory for one test, removed with everything in it
// when the object goes out of scope. Paths handed out end with '/', like the data directory.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class ScratchFolder
{
  public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "aerovant-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            root = pattern + "/";
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!root.empty())
            std::filesystem::remove_all(root, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder with a trailing '/'; empty when it could not be created.
    const std::string& path() const { return root; }

    // Writes `content` to `relative` (with '/' separators), creating folders on the way; returns the
    // full path.
    std::string write(const std::string& relative, const std::string& content) const
    {
        const std::filesystem::path file = std::filesystem::path(root) / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }

    // The whole content of `relative`, or "" when it cannot be read.
    std::string read(const std::string& relative) const
    {
        std::ifstream in(std::filesystem::path(root) / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool exists(const std::string& relative) const
    {
        return std::filesystem::exists(std::filesystem::path(root) / relative);
    }

  private:
    std::string root;
};
