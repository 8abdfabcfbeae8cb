#include "app/HighscoreTable.h"
#include "app/Globals.h"
#include "app/LevelEntry.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

namespace
{

HighscoreTable tableOfTen()
{
    HighscoreTable table;
    for (uint32_t k = 1; k <= 10; ++k)
        table.emplace(k * 1000, "Pilot" + std::to_string(k));
    return table;
}

// The data directory points at a scratch directory holding levels/ for the length of a test.
class HighscoreFiles : public ::testing::Test
{
  protected:
    HighscoreFiles() : saved(baseDirectory) { baseDirectory = data.path(); }
    ~HighscoreFiles() override { baseDirectory = saved; }

    testsupport::ScratchDirectory data;
    std::string saved;
    LevelEntry entry{"levels\\alpine", "ALPINE"};
};

} // namespace

TEST(HighscoreTable, OnlyTimesBeatingTheSlowestOfTenQualify)
{
    HighscoreTable table = tableOfTen();
    EXPECT_FALSE(qualifies(table, 10000.9)) << "a tie with the slowest (after truncation) does not enter";
    EXPECT_TRUE(qualifies(table, 9999.9));
    table.erase(10000);
    EXPECT_TRUE(qualifies(table, 99999999.0)) << "with nine entries any time enters";
    EXPECT_EQ(highscoreKey(-5.0), 0u);
    EXPECT_EQ(highscoreKey(std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(highscoreKey(1e12), std::numeric_limits<uint32_t>::max());
}

TEST_F(HighscoreFiles, AddingKeepsTheTenFastestAndWritesThemFastestFirst)
{
    data.write("levels/.keep", "");
    entry.highscores = tableOfTen();
    addHighscore(entry, "Fast", 1500.7);
    addHighscore(entry, "Second", 1500.2); // the same key keeps the first name
    addHighscore(entry, "Slow", 9000.0);
    const std::string written = data.read("levels/alpine.highscore");
    EXPECT_EQ(written, "Pilot1, 1000\nFast, 1500\nPilot2, 2000\nPilot3, 3000\nPilot4, 4000\nPilot5, 5000\n"
                       "Pilot6, 6000\nPilot7, 7000\nPilot8, 8000\nPilot9, 9000\n");
    EXPECT_FALSE(std::filesystem::exists(data.path() + "levels/alpine.highscore.tmp"));
    HighscoreTable reread;
    loadHighscores(data.path() + "levels\\alpine.highscore", reread);
    EXPECT_EQ(reread, entry.highscores);

    // An empty table writes nothing and leaves an existing file alone.
    EXPECT_TRUE(saveHighscores(data.path() + "levels\\alpine.highscore", HighscoreTable()));
    EXPECT_EQ(data.read("levels/alpine.highscore"), written);
    EXPECT_TRUE(saveHighscores(data.path() + "new.highscore", HighscoreTable()));
    EXPECT_FALSE(std::filesystem::exists(data.path() + "new.highscore"));
}

TEST_F(HighscoreFiles, ReadsTheFirstTenLinesOfAHandEditedFile)
{
    data.write("odd.highscore", "Ace,120\n"           // no space: reading starts at "20"
                                "no comma here\n"     // skipped, but counts as one of ten lines
                                "Zero, soon\n"        // no number: time 0
                                "Dos, 300\r\n"        // written on Windows
                                "Huge, 99999999999\n" // too large: the slowest possible time
                                "First, 777\n"
                                "Duplicate, 777\n" // a time already present keeps its name
                                "Minus, -5\n"      // not a number
                                "Eighth, 8\n"
                                "Ninth, 9\n"
                                "Eleventh, 11\n");
    HighscoreTable table = {{5, "stale"}};
    loadHighscores(data.path() + "odd.highscore", table);
    const HighscoreTable expected = {{20, "Ace"},
                                     {0, "Zero"},
                                     {300, "Dos"},
                                     {777, "First"},
                                     {8, "Eighth"},
                                     {9, "Ninth"},
                                     {std::numeric_limits<uint32_t>::max(), "Huge"}};
    EXPECT_EQ(table, expected);
    loadHighscores(data.path() + "absent.highscore", table);
    EXPECT_TRUE(table.empty());
}

TEST_F(HighscoreFiles, AFailedSaveKeepsTheOldFileWholeAndTheNewEntryInMemory)
{
    data.write("levels/alpine.highscore", "Old, 5000\nOlder, 6000\n");
    loadHighscores(data.path() + "levels\\alpine.highscore", entry.highscores);
    // A folder in the way of the temporary file makes the write fail (even for root).
    std::filesystem::create_directories(data.path() + "levels/alpine.highscore.tmp");
    testing::internal::CaptureStderr();
    addHighscore(entry, "New", 4000.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open file \"" + data.path() + "levels/alpine.highscore\"\n");
    EXPECT_EQ(data.read("levels/alpine.highscore"), "Old, 5000\nOlder, 6000\n");
    EXPECT_EQ(entry.highscores.size(), 3u) << "the new entry is not lost by re-reading the old file";

    // Once the way is clear, the save at program end stores it.
    std::filesystem::remove(data.path() + "levels/alpine.highscore.tmp");
    entry.releaseLevel();
    EXPECT_EQ(data.read("levels/alpine.highscore"), "New, 4000\nOld, 5000\nOlder, 6000\n");
}
