#include "FuzzFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fuzzfiles
{

namespace
{

struct ScratchDirectory {
    std::string path;
    ScratchDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "aerovant-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("aerovant fuzz: mkdtemp");
            std::abort();
        }
        path = pattern + "/";
        std::filesystem::create_directories(path + "levels");
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

const std::string& dataDirectory()
{
    static const ScratchDirectory directory;
    return directory.path;
}

std::string writeFile(const std::string& relativePath, const uint8_t* data, size_t size)
{
    const std::string path = dataDirectory() + relativePath;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out) {
        std::perror(("aerovant fuzz: cannot write " + path).c_str());
        std::abort();
    }
    return path;
}

namespace
{
std::stringstream discarded;
std::streambuf* savedOut = nullptr;
std::streambuf* savedErr = nullptr;
} // namespace

QuietOutput::QuietOutput()
{
    savedOut = std::cout.rdbuf(discarded.rdbuf());
    savedErr = std::cerr.rdbuf(discarded.rdbuf());
}

QuietOutput::~QuietOutput()
{
    std::cout.rdbuf(savedOut);
    std::cerr.rdbuf(savedErr);
    discarded.str("");
    discarded.clear();
}

} // namespace fuzzfiles
