// The level catalogue and each level's highscore file.
#include "app/LevelCatalogue.h"
#include "app/HighscoreTable.h"
#include "app/LevelEntry.h"
#include "render/Globals.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

namespace
{

// The data directory is a scratch directory for the length of a test.
class LevelFiles : public ::testing::Test
{
  protected:
    LevelFiles() : saved(baseDirectory) { baseDirectory = data.path(); }
    ~LevelFiles() override { baseDirectory = saved; }

    // Loads `catalogue` as levels/config.xml (the file as it is when empty) and returns what went to
    // standard error.
    std::string loadCatalogue(const std::string& catalogue)
    {
        if (!catalogue.empty())
            data.write("levels/config.xml", catalogue);
        testing::internal::CaptureStderr();
        levels.clear();
        for (LevelEntry* entry : loadLevelCatalogue(data.path()))
            levels.emplace_back(entry);
        return testing::internal::GetCapturedStderr();
    }

    testsupport::ScratchDirectory data;
    std::string saved;
    std::vector<std::unique_ptr<LevelEntry>> levels;
    LevelEntry alpine{"levels\\alpine", "ALPINE"};
};

} // namespace

TEST_F(LevelFiles, CatalogueOffersEveryLevelOfACompleteFileWithItsHighscores)
{
    data.write("levels/alpine.highscore", "Ace, 61000\nBob, 72000\n");
    std::string messages =
        loadCatalogue("<tracks>\n<level path=\"levels\\alpine\" name=\"Alpine\"/>\n"
                      "<Level path=\"levels\\wrongcase\" name=\"Ignored\"/>\n"
                      "<group><level name=\"Nested\" path=\"levels\\nested\"/></group>\n"
                      "<level name=\"No Path\"/><level path=\"levels\\nameless\"/></tracks>\n");
    EXPECT_EQ(messages, "couldn't parse attribute path in LevelXMLHandler\n"
                        "couldn't parse attribute path in LevelXMLHandler\n");
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[0]->name, "Alpine");
    EXPECT_EQ(levels[0]->highscores, (HighscoreTable{{61000, "Ace"}, {72000, "Bob"}}));
    EXPECT_TRUE(levels[1]->path == "levels\\nested" && levels[1]->highscores.empty() && !levels[1]->loaded);

    // The program writes PATH.highscore, so a path leading out of the data directory is skipped.
    messages = loadCatalogue("<levels><level path=\"/etc/passwd\" name=\"Absolute\"/>"
                             "<level path=\"..\\..\\outside\" name=\"Climb\"/>"
                             "<level path=\"levels/../../outside\" name=\"Hidden Climb\"/>"
                             "<level path=\"C:\\levels\\x\" name=\"Drive\"/><level path=\"\" name=\"Empty\"/>"
                             "<level path=\"levels\\fine..name\" name=\"Fine\"/></levels>");
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0]->name, "Fine");
    for (const char* skipped : {"Absolute", "Climb", "Hidden Climb", "Drive", "Empty"})
        EXPECT_NE(messages.find(std::string("level \"") + skipped + "\" skipped"), std::string::npos)
            << messages;

    // Levels seen before an error are not offered: entries come only from a complete parse.
    messages = loadCatalogue("<levels><level path=\"levels\\a\" name=\"A\"/><oops></levels>");
    EXPECT_TRUE(levels.empty());
    EXPECT_EQ(messages.rfind("Sax Parse Exception: ", 0), 0u) << messages;
    std::filesystem::remove(data.path() + "levels/config.xml");
    messages = loadCatalogue("");
    EXPECT_TRUE(levels.empty());
    EXPECT_EQ(messages.rfind("Sax Parse Exception: unable to open primary document entity", 0), 0u)
        << messages;
    EXPECT_NE(messages.find(data.path() + "levels/config.xml"), std::string::npos) << messages;
}

TEST_F(LevelFiles, HighscoresKeepTheTenFastestAndTheOldFileWholeWhenASaveFails)
{
    std::filesystem::create_directory(data.path() + "levels");
    for (uint32_t k = 1; k <= 10; ++k)
        alpine.highscores.emplace(k * 1000, "Pilot" + std::to_string(k));
    EXPECT_FALSE(qualifies(alpine.highscores, 10000.9))
        << "a tie with the slowest (after truncation) does not enter";
    EXPECT_TRUE(highscoreKey(-5.0) == 0 && highscoreKey(std::numeric_limits<double>::quiet_NaN()) == 0 &&
                highscoreKey(1e12) == std::numeric_limits<uint32_t>::max());
    addHighscore(alpine, "Fast", 1500.7);
    addHighscore(alpine, "Second", 1500.2); // the same key keeps the first name
    addHighscore(alpine, "Slow", 9000.0);
    const std::string written = data.read("levels/alpine.highscore");
    EXPECT_EQ(written, "Pilot1, 1000\nFast, 1500\nPilot2, 2000\nPilot3, 3000\nPilot4, 4000\nPilot5, 5000\n"
                       "Pilot6, 6000\nPilot7, 7000\nPilot8, 8000\nPilot9, 9000\n");
    EXPECT_FALSE(std::filesystem::exists(data.path() + "levels/alpine.highscore.tmp"));

    // An empty table writes nothing and leaves an existing file alone.
    EXPECT_TRUE(saveHighscores(data.path() + "levels\\alpine.highscore", HighscoreTable()));
    EXPECT_EQ(data.read("levels/alpine.highscore"), written);
    EXPECT_TRUE(saveHighscores(data.path() + "new.highscore", HighscoreTable()));
    EXPECT_FALSE(std::filesystem::exists(data.path() + "new.highscore"));
    alpine.highscores.erase(1000);
    EXPECT_TRUE(qualifies(alpine.highscores, 99999999.0)) << "with nine entries any time enters";

    // A hand-edited file: the first ten lines count.
    data.write("odd.highscore", "Ace,120\n"                    // no space: reading starts at "20"
                                "no comma here\n"              // skipped, but counts as one of ten lines
                                "Zero, soon\n"                 // no number: time 0
                                "Dos, 300\r\n"                 // written on Windows
                                "Huge, 99999999999\n"          // too large: the slowest possible time
                                "First, 777\nDuplicate, 777\n" // a time already present keeps its name
                                "Minus, -5\nEighth, 8\nNinth, 9\nEleventh, 11\n");
    HighscoreTable table = {{5, "stale"}};
    loadHighscores(data.path() + "odd.highscore", table);
    HighscoreTable expected = {{20, "Ace"}, {0, "Zero"}, {300, "Dos"}, {777, "First"}};
    expected.insert({{8, "Eighth"}, {9, "Ninth"}, {std::numeric_limits<uint32_t>::max(), "Huge"}});
    EXPECT_EQ(table, expected);
    loadHighscores(data.path() + "absent.highscore", table);
    EXPECT_TRUE(table.empty());

    // A failed save keeps the old file whole and the new entry in memory.
    data.write("levels/alpine.highscore", "Old, 5000\nOlder, 6000\n");
    loadHighscores(data.path() + "levels\\alpine.highscore", alpine.highscores);
    // A folder in the way of the temporary file makes the write fail (even for root).
    std::filesystem::create_directories(data.path() + "levels/alpine.highscore.tmp");
    testing::internal::CaptureStderr();
    addHighscore(alpine, "New", 4000.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open file \"" + data.path() + "levels/alpine.highscore\"\n");
    EXPECT_EQ(data.read("levels/alpine.highscore"), "Old, 5000\nOlder, 6000\n");
    EXPECT_EQ(alpine.highscores.size(), 3u) << "the new entry is not lost by re-reading the old file";

    // Once the way is clear, the save at program end stores it.
    std::filesystem::remove(data.path() + "levels/alpine.highscore.tmp");
    alpine.releaseLevel();
    EXPECT_EQ(data.read("levels/alpine.highscore"), "New, 4000\nOld, 5000\nOlder, 6000\n");
}
