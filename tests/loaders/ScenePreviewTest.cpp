// Runs the level preview tool as a level author would and looks at what it wrote.
#include "support/ScratchFolder.h"

#include <IL/il.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace
{

struct PreviewRun {
    std::string output; // standard output
    std::string errors; // standard error
    int status = -1;    // exit status, -1 when the tool did not exit normally
};

PreviewRun runPreview(const std::string& arguments)
{
    ScratchFolder streams;
    // In the sanitizer build the tool's leak check would only see the GL driver, which Mesa unloads
    // before the check runs (the tests' own process keeps it mapped); these runs are about the output.
    const std::string command = std::string("ASAN_OPTIONS=detect_leaks=0 timeout 120 ") +
                                AEROVANT_PREVIEW_EXECUTABLE + " " + arguments + " >" + streams.path() +
                                "out 2>" + streams.path() + "err";
    PreviewRun run;
    const int status = std::system(command.c_str());
    if (WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    run.output = streams.read("out");
    run.errors = streams.read("err");
    return run;
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // rows as DevIL holds them

    // Distinct colours after dropping the low bits, so noise does not count.
    size_t colours() const
    {
        std::set<int> seen;
        for (size_t p = 0; p + 2 < rgb.size(); p += 3)
            seen.insert((rgb[p] >> 4) << 8 | (rgb[p + 1] >> 4) << 4 | (rgb[p + 2] >> 4));
        return seen.size();
    }
};

Picture readPng(const std::string& path)
{
    static const bool ready = (ilInit(), true);
    (void)ready;
    Picture picture;
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    if (ilLoad(IL_PNG, path.c_str()) && ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE)) {
        picture.width = ilGetInteger(IL_IMAGE_WIDTH);
        picture.height = ilGetInteger(IL_IMAGE_HEIGHT);
        const ILubyte* data = ilGetData();
        picture.rgb.assign(data, data + size_t(picture.width) * size_t(picture.height) * 3);
    }
    ilDeleteImages(1, &image);
    return picture;
}

// A level file of the test's own beside the bundled ones, removed again afterwards.
class LevelFileInBin
{
  public:
    explicit LevelFileInBin(const std::string& body)
        : name("preview-test-" + std::to_string(getpid())),
          file(std::string(AEROVANT_BIN_DIR) + "levels/" + name + ".xml")
    {
        std::FILE* out = std::fopen(file.c_str(), "w");
        if (out) {
            std::fputs(body.c_str(), out);
            std::fclose(out);
        }
    }
    ~LevelFileInBin() { std::remove(file.c_str()); }

    std::string levelPath() const { return "'levels\\" + name + "'"; }

  private:
    std::string name;
    std::string file;
};

bool haveDisplay()
{
    return std::getenv("DISPLAY") != nullptr;
}

} // namespace

TEST(ScenePreview, DrawsABundledLevelFromTheStartAndFromAbove)
{
    if (!haveDisplay())
        GTEST_SKIP() << "needs a display";
    ScratchFolder folder;
    const PreviewRun run = runPreview("'levels\\meadow' " + folder.path() + "shots");
    EXPECT_EQ(run.status, 0) << run.output << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.output,
              "wrote " + folder.path() + "shots/start.png\nwrote " + folder.path() + "shots/above.png\n");

    const Picture start = readPng(folder.path() + "shots/start.png");
    const Picture above = readPng(folder.path() + "shots/above.png");
    ASSERT_EQ(start.width, 800);
    ASSERT_EQ(start.height, 600);
    ASSERT_EQ(above.width, 800);
    ASSERT_EQ(above.height, 600);
    // Sky, ground and scenery give many colours; a blank or single-coloured frame would not.
    EXPECT_GT(start.colours(), 50u);
    EXPECT_GT(above.colours(), 50u);
    EXPECT_NE(start.rgb, above.rgb);
}

TEST(ScenePreview, ProblemsWhileLoadingAreShownAndGiveStatusOne)
{
    if (!haveDisplay())
        GTEST_SKIP() << "needs a display";
    ScratchFolder folder;
    const LevelFileInBin level(
        "<level terrain=\"levels\\meadow\\heights.png\" sizeX=\"1600\" sizeY=\"60\" sizeZ=\"1600\" "
        "terrainTexture=\"levels\\meadow\\colour.jpg\" repeatTexture=\"40\" "
        "detailTexture=\"levels\\meadow\\detail.png\" detailWeights=\"levels\\meadow\\weights.png\">\n"
        "<gates model=\"models\\pylon.dae\" arrow=\"models\\arrow.dae\">\n"
        "<gate posX=\"0\" posZ=\"100\" rotation=\"0\"/></gates>\n"
        "<light id=\"9\"/>\n"
        "</level>\n");
    const PreviewRun run = runPreview(level.levelPath() + " " + folder.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find("couldn't parse attribute pylonDistance\n"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("\"light\" without a valid id (0 to 7) is skipped\n"), std::string::npos)
        << run.errors;
    EXPECT_TRUE(folder.exists("start.png") && folder.exists("above.png")) << "the pictures are still drawn";

    // A level that does not exist: the parser's message on standard output, as in the game.
    const PreviewRun missing = runPreview("'levels\\no-such-level' " + folder.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output.rfind("Sax Parse Exception: unable to open primary document entity", 0), 0u)
        << missing.output;
}
