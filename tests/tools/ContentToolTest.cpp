// The content tool is deterministic and the committed data is exactly what it writes.
#include "tools/ContentTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace contenttest;

namespace
{

// Files below `root` (relative paths), leaving out what the tool does not own.
std::set<std::string> filesBelow(const fs::path& root)
{
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        std::string relative = fs::relative(entry.path(), root).generic_string();
        if (relative.rfind("shader/", 0) == 0 || entry.path().filename() == ".keep" ||
            entry.path().extension() == ".highscore")
            continue;
        files.insert(relative);
    }
    return files;
}

std::string runTool(const fs::path& output)
{
    const std::string tool = std::string(AEROVANT_BIN_DIR) + "aerovant-content";
    if (!fs::exists(tool))
        return "the tool was not built: " + tool;
    std::string command = "'" + tool + "' '" + output.string() + "' 2>'" + output.string() + ".log'";
    int status = std::system(command.c_str());
    std::string log = readFile(output.string() + ".log");
    if (status != 0 || !log.empty())
        return "the tool failed (status " + std::to_string(status) + "): " + log;
    return "";
}

} // namespace

// The committed data is what the tool writes, byte for byte, in two runs at once; it stays small, and
// the tool refuses to run without an output folder.
TEST(ContentTool, TwoRunsWriteTheCommittedDataByteForByte)
{
    fs::path scratch = fs::temp_directory_path() / ("aerovant-content-test-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    // Both runs at once: the machines have two cores and the tool is single-threaded.
    std::string firstRun, secondRun;
    std::thread other([&] { secondRun = runTool(scratch / "second"); });
    firstRun = runTool(scratch / "first");
    other.join();
    ASSERT_EQ(firstRun, "");
    ASSERT_EQ(secondRun, "");

    std::set<std::string> first = filesBelow(scratch / "first"), second = filesBelow(scratch / "second");
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, filesBelow(dataFolder()))
        << "data/ holds files the tool does not write, or misses some it writes";
    EXPECT_GT(first.size(), 30u);
    uintmax_t total = 0;
    for (const std::string& file : first) {
        std::string a = readFile((scratch / "first" / file).string());
        total += a.size();
        EXPECT_FALSE(a.empty()) << file;
        EXPECT_EQ(a, readFile((scratch / "second" / file).string())) << file << " differs between two runs";
        EXPECT_EQ(a, readFile(dataFolder() + file))
            << file << " differs from the committed data: rerun the tool";
    }
    EXPECT_LT(total, 6u * 1024 * 1024);
    fs::remove_all(scratch);
    const std::string tool = std::string(AEROVANT_BIN_DIR) + "aerovant-content";
    EXPECT_NE(std::system(("'" + tool + "' 2>/dev/null").c_str()), 0);
}
