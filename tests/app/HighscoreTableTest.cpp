#include "app/HighscoreTable.h"
#include "app/Globals.h"
#include "app/LevelEntry.h"
#include "support/ScratchFolder.h"

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

// Points the data directory at a scratch folder for one test and puts the old value back.
class HighscoreFiles : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(data.path().empty());
        saved = baseDirectory;
        baseDirectory = data.path();
    }
    void TearDown() override { baseDirectory = saved; }

    ScratchFolder data;
    std::string saved;
};

} // namespace

TEST(HighscoreTable, QualifyingTimes)
{
    HighscoreTable table = tableOfTen();
    table.erase(10000);
    EXPECT_TRUE(qualifies(table, 99999999.0)) << "with nine entries any time enters";

    table = tableOfTen();
    EXPECT_FALSE(qualifies(table, 10000.0)) << "a tie with the slowest does not enter";
    EXPECT_FALSE(qualifies(table, 10000.9)) << "the key is truncated towards zero";
    EXPECT_FALSE(qualifies(table, 12000.0));
    EXPECT_TRUE(qualifies(table, 9999.9));
    EXPECT_TRUE(qualifies(HighscoreTable(), 0.0));

    EXPECT_EQ(highscoreKey(83456.99), 83456u);
    EXPECT_EQ(highscoreKey(-5.0), 0u);
    EXPECT_EQ(highscoreKey(std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(highscoreKey(1e12), std::numeric_limits<uint32_t>::max());
}

TEST_F(HighscoreFiles, AddingKeepsTheTenFastestAndTheFirstNameOfATie)
{
    LevelEntry entry("levels\\alpine", "ALPINE");
    std::filesystem::create_directories(data.path() + "levels");
    entry.highscores = tableOfTen();

    addHighscore(entry, "Fast", 1500.7);
    ASSERT_EQ(entry.highscores.size(), 10u);
    EXPECT_EQ(entry.highscores.at(1500), "Fast");
    EXPECT_EQ(entry.highscores.count(10000), 0u) << "the slowest fell out";
    EXPECT_EQ(entry.highscores.rbegin()->first, 9000u);

    addHighscore(entry, "Second", 1500.2);
    EXPECT_EQ(entry.highscores.at(1500), "Fast");

    addHighscore(entry, "Slow", 9000.0);
    EXPECT_EQ(entry.highscores.at(9000), "Pilot9");

    // The file beside the scene file holds exactly the table, fastest first.
    EXPECT_EQ(data.read("levels/alpine.highscore"),
              "Pilot1, 1000\nFast, 1500\nPilot2, 2000\nPilot3, 3000\nPilot4, 4000\nPilot5, 5000\n"
              "Pilot6, 6000\nPilot7, 7000\nPilot8, 8000\nPilot9, 9000\n");
    EXPECT_FALSE(data.exists("levels/alpine.highscore.tmp"));

    // ... and reads back completely.
    HighscoreTable reread;
    loadHighscores(data.path() + "levels\\alpine.highscore", reread);
    EXPECT_EQ(reread, entry.highscores);
}

TEST_F(HighscoreFiles, ReadingHandEditedFiles)
{
    data.write("odd.highscore", "Ace,120\n"           // no space: reading starts at "20"
                                "no comma here\n"     // skipped, but counts as one of ten lines
                                "Zero, soon\n"        // no number: time 0
                                "Dos, 300\r\n"        // written on Windows
                                "Spaces,    450 ms\n" // white space skipped, stops at non-digit
                                "Huge, 99999999999\n" // too large: the slowest possible time
                                "First, 777\n"
                                "Duplicate, 777\n" // a time already present keeps its name
                                "Minus, -5\n"      // not a number
                                "Ninth, 900\n"
                                "Eleventh, 1\n"); // beyond ten lines
    HighscoreTable table;
    table.emplace(5, "stale");
    loadHighscores(data.path() + "odd.highscore", table);

    const HighscoreTable expected = {{20, "Ace"},    {0, "Zero"},
                                     {300, "Dos"},   {450, "Spaces"},
                                     {777, "First"}, {std::numeric_limits<uint32_t>::max(), "Huge"}};
    EXPECT_EQ(table.count(1), 0u) << "only ten lines are read";
    EXPECT_EQ(table.count(5), 0u) << "the table is replaced";
    EXPECT_EQ(table.at(900), "Ninth");
    table.erase(900);
    EXPECT_EQ(table, expected);

    // A missing file gives an empty table without a message; so does a folder in its place.
    testing::internal::CaptureStderr();
    loadHighscores(data.path() + "absent.highscore", table);
    EXPECT_TRUE(table.empty());
    std::filesystem::create_directories(data.path() + "folder.highscore");
    loadHighscores(data.path() + "folder.highscore", table);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(HighscoreFiles, EmptyTableWritesNothing)
{
    EXPECT_TRUE(saveHighscores(data.path() + "new.highscore", HighscoreTable()));
    EXPECT_FALSE(data.exists("new.highscore"));

    data.write("kept.highscore", "Old, 100\n");
    EXPECT_TRUE(saveHighscores(data.path() + "kept.highscore", HighscoreTable()));
    EXPECT_EQ(data.read("kept.highscore"), "Old, 100\n");

    // A level never finished writes no file at program end either.
    LevelEntry entry("never", "NEVER");
    entry.releaseLevel();
    EXPECT_FALSE(data.exists("never.highscore"));
}

TEST_F(HighscoreFiles, AFailedSaveKeepsTheOldFileWholeAndTheNewEntryInMemory)
{
    std::filesystem::create_directories(data.path() + "levels");
    data.write("levels/alpine.highscore", "Old, 5000\nOlder, 6000\n");
    LevelEntry entry("levels\\alpine", "ALPINE");
    loadHighscores(data.path() + "levels\\alpine.highscore", entry.highscores);

    // Something in the way of the temporary file makes the write fail (even for root).
    std::filesystem::create_directories(data.path() + "levels/alpine.highscore.tmp");
    testing::internal::CaptureStderr();
    addHighscore(entry, "New", 4000.0);
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(message, "Could not open file \"" + data.path() + "levels/alpine.highscore\"\n");
    EXPECT_EQ(data.read("levels/alpine.highscore"), "Old, 5000\nOlder, 6000\n");
    ASSERT_EQ(entry.highscores.size(), 3u) << "the new entry is not lost by re-reading the old file";
    EXPECT_EQ(entry.highscores.at(4000), "New");

    // Once the way is clear, the program-end save stores it.
    std::filesystem::remove(data.path() + "levels/alpine.highscore.tmp");
    entry.releaseLevel();
    EXPECT_EQ(data.read("levels/alpine.highscore"), "New, 4000\nOld, 5000\nOlder, 6000\n");
}

TEST_F(HighscoreFiles, AFolderThatCannotExistIsReported)
{
    data.write("plain-file", "not a folder");
    HighscoreTable table = {{100, "Ace"}};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(saveHighscores(data.path() + "plain-file\\level.highscore", table));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open file \"" + data.path() + "plain-file/level.highscore\"\n");
}
