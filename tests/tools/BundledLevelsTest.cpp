// Every bundled level loads as the game loads it, with nothing reported on either console stream.
#include "app/LevelCatalogue.h"
#include "app/LevelEntry.h"
#include "scene/Group.h"
#include "scene/Scene.h"
#include "support/GLContext.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace
{

// Sends standard output and standard error into one temporary file while it lives.
class ConsoleCapture
{
  public:
    ConsoleCapture() : file(std::tmpfile())
    {
        std::fflush(stdout);
        std::fflush(stderr);
        savedOut = dup(STDOUT_FILENO);
        savedErr = dup(STDERR_FILENO);
        dup2(fileno(file), STDOUT_FILENO);
        dup2(fileno(file), STDERR_FILENO);
    }
    ~ConsoleCapture()
    {
        restore();
        std::fclose(file);
    }

    // Everything printed so far; the streams go back to the console.
    std::string text()
    {
        restore();
        std::rewind(file);
        std::string all;
        char buffer[512];
        size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            all.append(buffer, count);
        return all;
    }

  private:
    void restore()
    {
        if (savedOut < 0)
            return;
        std::fflush(stdout);
        std::fflush(stderr);
        dup2(savedOut, STDOUT_FILENO);
        dup2(savedErr, STDERR_FILENO);
        close(savedOut);
        close(savedErr);
        savedOut = savedErr = -1;
    }

    std::FILE* file;
    int savedOut = -1;
    int savedErr = -1;
};

} // namespace

class BundledLevels : public GLTest
{
};

TEST_F(BundledLevels, EveryLevelOfTheCatalogueLoadsWithoutAProblem)
{
    ConsoleCapture catalogueOutput;
    std::vector<LevelEntry*> levels = loadLevelCatalogue(AEROVANT_BIN_DIR);
    EXPECT_EQ(catalogueOutput.text(), "");
    ASSERT_EQ(levels.size(), 4u);

    for (LevelEntry* level : levels) {
        ConsoleCapture output;
        level->loadScene();
        EXPECT_EQ(output.text(), "") << level->path;
        ASSERT_NE(level->scene, nullptr) << level->path;
        EXPECT_NE(level->scene->terrain, nullptr) << level->path;
        ASSERT_NE(level->scene->gates, nullptr) << level->path;
        EXPECT_GE(level->scene->gates->children.size(), 6u) << level->path;
        delete level;
    }
}
