// Runs the level preview tool as a level author would and looks at what it wrote.
#include "support/ScratchDirectory.h"

#include <IL/il.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace
{

class ScenePreview : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs a display";
    }

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

    // Distinct colours of an 800 x 600 PNG after dropping the low bits; 0 for any other picture.
    static size_t colours(const std::string& path)
    {
        ilInit();
        ILuint image = 0;
        ilGenImages(1, &image);
        ilBindImage(image);
        std::set<int> seen;
        if (ilLoad(IL_PNG, path.c_str()) && ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE) &&
            ilGetInteger(IL_IMAGE_WIDTH) == 800 && ilGetInteger(IL_IMAGE_HEIGHT) == 600)
            for (const ILubyte* p = ilGetData(); p < ilGetData() + 800 * 600 * 3; p += 3)
                seen.insert((p[0] >> 4) << 8 | (p[1] >> 4) << 4 | (p[2] >> 4));
        ilDeleteImages(1, &image);
        return seen.size();
    }

    testsupport::ScratchDirectory folder;
    std::string output, errors;
};

} // namespace

TEST_F(ScenePreview, DrawsABundledLevelFromTheStartAndFromAbove)
{
    EXPECT_EQ(run("'levels\\meadow' " + folder.path() + "shots"), 0) << output << errors;
    EXPECT_EQ(errors, "");
    EXPECT_EQ(output,
              "wrote " + folder.path() + "shots/start.png\nwrote " + folder.path() + "shots/above.png\n");
    // Sky, ground and scenery give many colours; a blank or single-coloured frame would not.
    EXPECT_GT(colours(folder.path() + "shots/start.png"), 50u);
    EXPECT_GT(colours(folder.path() + "shots/above.png"), 50u);
    EXPECT_NE(folder.read("shots/start.png"), folder.read("shots/above.png"));
}

TEST_F(ScenePreview, ProblemsWhileLoadingAreShownAndGiveStatusOne)
{
    // A level file of the test's own beside the bundled ones.
    const std::string name = "preview-test-" + std::to_string(getpid());
    const std::string file = std::string(AEROVANT_BIN_DIR) + "levels/" + name + ".xml";
    std::ofstream(file)
        << "<level terrain=\"levels\\meadow\\heights.png\" sizeX=\"1600\" sizeY=\"60\" sizeZ=\"1600\" "
           "terrainTexture=\"levels\\meadow\\colour.jpg\" repeatTexture=\"40\" "
           "detailTexture=\"levels\\meadow\\detail.png\" detailWeights=\"levels\\meadow\\weights.png\">\n"
           "<gates model=\"models\\pylon.dae\" arrow=\"models\\arrow.dae\">\n"
           "<gate posX=\"0\" posZ=\"100\" rotation=\"0\"/></gates>\n<light id=\"9\"/>\n</level>\n";
    const int status = run("'levels\\" + name + "' " + folder.path());
    std::filesystem::remove(file);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.find("couldn't parse attribute pylonDistance\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("\"light\" without a valid id (0 to 7) is skipped\n"), std::string::npos) << errors;
    EXPECT_GT(colours(folder.path() + "start.png"), 0u) << "the pictures are still drawn";

    // A level that does not exist: the parser's message on standard output, as in the game.
    EXPECT_EQ(run("'levels\\no-such-level' " + folder.path()), 1);
    EXPECT_EQ(output.rfind("Sax Parse Exception: unable to open primary document entity", 0), 0u) << output;
}
