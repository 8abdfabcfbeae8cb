// Runs the level preview tool as a level author would and looks at what it wrote.
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

namespace
{

class ScenePreview : public ::testing::Test
{
  protected:
    // Runs the tool; returns its exit status (-1 when it did not exit normally) and keeps its output.
    int run(const std::string& arguments)
    {
        // In the sanitizer build the tool's leak check would only see the GL driver, which Mesa
        // unloads before the check runs; these runs are about the output.
        const std::string command = std::string("ASAN_OPTIONS=detect_leaks=0 timeout 120 ") +
                                    AEROVANT_PREVIEW_EXECUTABLE + " " + arguments + " >" + folder.path() +
                                    "out 2>" + folder.path() + "err";
        const int status = std::system(command.c_str());
        output = folder.read("out");
        errors = folder.read("err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Whether `name` is an 800 x 600 PNG of at least `bytes` bytes: with the pixels compressed, a
    // blank or single-coloured picture stays far smaller than one showing sky, ground and scenery.
    ::testing::AssertionResult picture(const std::string& name, size_t bytes) const
    {
        const std::string png = folder.read(name);
        if (png.size() >= std::max<size_t>(bytes, 24) && png.compare(0, 4, "\x89PNG") == 0 &&
            png.compare(16, 8, std::string("\0\0\x03\x20\0\0\x02\x58", 8)) == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << name << " has " << png.size() << " bytes";
    }

    testsupport::ScratchDirectory folder;
    std::string output, errors;
};

} // namespace

TEST_F(ScenePreview, DrawsALevelFromTheStartAndFromAboveAndExitsWithOneOnProblems)
{
    EXPECT_EQ(run("'levels\\meadow' " + folder.path() + "shots"), 0) << output << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(output,
              "wrote " + folder.path() + "shots/start.png\nwrote " + folder.path() + "shots/above.png\n");
    EXPECT_TRUE(picture("shots/start.png", 20000));
    EXPECT_TRUE(picture("shots/above.png", 20000));
    EXPECT_NE(folder.read("shots/start.png"), folder.read("shots/above.png"));

    // A level that does not exist: the parser's message on standard output, as in the game, and
    // the (empty) pictures are still drawn.
    EXPECT_EQ(run("'levels\\no-such-level' " + folder.path()), 1);
    EXPECT_EQ(output.rfind("Sax Parse Exception: unable to open primary document entity", 0), 0u) << output;
    EXPECT_TRUE(picture("start.png", 0) && picture("above.png", 0));
}
