// The level catalogue and each level's highscore file.
#include "app/LevelCatalogue.h"
#include "app/GhostFile.h"
#include "app/HighscoreTable.h"
#include "app/LevelEntry.h"
#include "render/Globals.h"
#include "support/ScratchDirectory.h"
#include "support/SmallGhost.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace
{

// The data directory is a scratch directory for the length of a test, and so is the player's data
// folder ($XDG_DATA_HOME), which any player may write to.
class LevelFiles : public ::testing::Test
{
  protected:
    LevelFiles() : saved(baseDirectory)
    {
        baseDirectory = data.path();
        const char* dataHome = std::getenv("XDG_DATA_HOME");
        hadDataHome = dataHome != nullptr;
        savedDataHome = dataHome ? dataHome : "";
        std::filesystem::permissions(home.path(), std::filesystem::perms(0777));
        ::setenv("XDG_DATA_HOME", (home.path() + "share").c_str(), 1);
    }
    ~LevelFiles() override
    {
        baseDirectory = saved;
        if (hadDataHome)
            ::setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

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

    testsupport::ScratchDirectory data, home;
    std::string saved, savedDataHome;
    bool hadDataHome = false;
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

    // A path used twice would share one highscore file between two tables: only the first level
    // keeps it, however the path is spelt. A name ending in a dot is a file of its own.
    data.write("levels/alpine.highscore", "Ace, 61000\n");
    messages = loadCatalogue("<levels><level path=\"levels\\alpine\" name=\"Alpine\"/>"
                             "<level path=\"levels/./alpine\" name=\"Again\"/>"
                             "<level path=\"levels\\\\alpine\" name=\"Twice\"/>"
                             "<level path=\"levels\\alpine.\" name=\"Dotted\"/></levels>");
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_TRUE(levels[0]->name == "Alpine" && levels[1]->name == "Dotted");
    EXPECT_EQ(messages,
              "levels\\config.xml: level \"Again\" skipped: its path \"levels/./alpine\" is already "
              "used by level \"Alpine\"\n"
              "levels\\config.xml: level \"Twice\" skipped: its path \"levels\\\\alpine\" is already "
              "used by level \"Alpine\"\n");
    levels[0]->highscores.emplace(50000, "Bob");
    levels[0]->releaseLevel();
    levels[1]->releaseLevel(); // an empty table writes nothing
    EXPECT_EQ(data.read("levels/alpine.highscore"), "Bob, 50000\nAce, 61000\n");

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

TEST_F(LevelFiles, HighscoresKeepTheTenFastestAndReadLinesOfAnyLength)
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

    // Lines of any length keep their time; names are cut. A name typed without end is stored cut.
    const std::string longName(5000, 'L');
    data.write("long.highscore",
               "Short, 7000\n" + longName + ", 6000\n" + std::string(1020, 'x') + ", 5000\n");
    loadHighscores(data.path() + "long.highscore", table);
    const std::string cut = longName.substr(0, highscoreNameLength);
    EXPECT_EQ(table,
              (HighscoreTable{{5000, std::string(highscoreNameLength, 'x')}, {6000, cut}, {7000, "Short"}}));
    addHighscore(alpine, longName, 500.0);
    EXPECT_EQ(alpine.highscores.begin()->second, cut);
    EXPECT_EQ(data.read("levels/alpine.highscore").rfind(cut + ", 500\n", 0), 0u);
    loadHighscores(data.path() + "absent.highscore", table);
    EXPECT_TRUE(table.empty());
}

namespace
{

// Runs `action` with the rights of an ordinary player, so that file permissions apply as they do
// for one: directly when the tests do not run as root, otherwise in a child process that has given
// root up (its standard error is the parent's). Returns what `action` returns, or -1 when root could
// not be given up.
int asPlayer(const std::function<int()>& action)
{
    if (::geteuid() != 0)
        return action();
    const pid_t child = ::fork();
    if (child == 0) {
        const gid_t nobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(255);
        ::_exit(action());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(LevelFiles, HighscoreSavesFollowLinksWriteInPlaceWhereTheyMustAndNameTheFileThatFailed)
{
    namespace fs = std::filesystem;
    const std::string levels = data.path() + "levels/";
    fs::create_directories(levels);
    data.write("scores/alpine.highscore", "Old, 5000\n");

    // A linked score file: its target takes the new table, the link stays a link.
    fs::create_symlink("../scores/alpine.highscore", levels + "alpine.highscore");
    loadHighscores(levels + "alpine.highscore", alpine.highscores);
    EXPECT_TRUE(addHighscore(alpine, "New", 4000.0));
    EXPECT_TRUE(fs::is_symlink(levels + "alpine.highscore"));
    EXPECT_EQ(data.read("scores/alpine.highscore"), "New, 4000\nOld, 5000\n");
    EXPECT_FALSE(fs::exists(levels + "alpine.highscore.tmp") ||
                 fs::exists(data.path() + "scores/alpine.highscore.tmp"));

    // A link into a folder that is not there: the message names where the link leads, and the
    // entry stays in memory for a later save.
    fs::remove(levels + "alpine.highscore");
    fs::create_symlink("../gone/alpine.highscore", levels + "alpine.highscore");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(addHighscore(alpine, "Newer", 3000.0));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open file \"" + levels + "../gone/alpine.highscore\"\n");
    EXPECT_EQ(alpine.highscores.size(), 3u);

    // Something in the way of the temporary file: the score file is written in place.
    fs::remove(levels + "alpine.highscore");
    data.write("levels/alpine.highscore.tmp/blocked", "");
    alpine.releaseLevel();
    EXPECT_EQ(data.read("levels/alpine.highscore"), "Newer, 3000\nNew, 4000\nOld, 5000\n");
}

TEST_F(LevelFiles, HighscoresInAFolderThePlayerMayNotWriteToAreWrittenInPlaceOrKeptWhole)
{
    namespace fs = std::filesystem;
    const std::string locked = data.path() + "locked/";
    data.write("locked/open.highscore", "Old, 5000\n");
    data.write("locked/closed.highscore", "Kept, 5000\n");
    fs::permissions(data.path(), fs::perms(0755));
    fs::permissions(locked + "open.highscore", fs::perms(0666));
    fs::permissions(locked + "closed.highscore", fs::perms(0444));
    fs::permissions(locked, fs::perms(0555));
    LevelEntry open("locked\\open", "OPEN");
    LevelEntry closed("locked\\closed", "CLOSED");
    loadHighscores(locked + "open.highscore", open.highscores);
    loadHighscores(locked + "closed.highscore", closed.highscores);

    testing::internal::CaptureStderr();
    const int tableSizes = asPlayer([&] {
        addHighscore(open, "New", 4000.0);
        addHighscore(closed, "Lost", 4000.0);
        return int(open.highscores.size() * 10 + closed.highscores.size());
    });
    const std::string messages = testing::internal::GetCapturedStderr();
    fs::permissions(locked, fs::perms(0755));
    if (tableSizes < 0)
        GTEST_SKIP() << "the tests run as root and cannot give root up here";

    EXPECT_EQ(data.read("locked/open.highscore"), "New, 4000\nOld, 5000\n");
    EXPECT_FALSE(fs::exists(locked + "open.highscore.tmp"));
    // A score file the player may not write either: the old file stays whole and the table goes to
    // the player's own copy.
    EXPECT_EQ(messages, "");
    EXPECT_EQ(data.read("locked/closed.highscore"), "Kept, 5000\n");
    EXPECT_EQ(home.read("share/aerovant/locked/closed.highscore"), "Lost, 4000\nKept, 5000\n");
    EXPECT_EQ(tableSizes, 22);
}

TEST_F(LevelFiles, AnInstalledGameKeepsThePlayersHighscoresInTheirDataFolder)
{
    namespace fs = std::filesystem;
    const std::string catalogue = "<levels><level path=\"levels\\alpine\" name=\"Alpine\"/>"
                                  "<level path=\"levels\\meadow\" name=\"Meadow\"/></levels>";
    data.write("levels/config.xml", catalogue);
    data.write("levels/alpine.highscore", "Shipped, 9000\n");
    const std::string player = home.path() + "share/aerovant/levels/";
    // As installed: nothing in the data directory may be changed by the player.
    fs::permissions(data.path() + "levels/alpine.highscore", fs::perms(0444));
    fs::permissions(data.path() + "levels", fs::perms(0555));
    fs::permissions(data.path(), fs::perms(0555));

    // Each check in the player's process adds its bit when it fails.
    testing::internal::CaptureStderr();
    const int failed = asPlayer([&] {
        int failures = 0;
        std::vector<std::unique_ptr<LevelEntry>> entries;
        for (LevelEntry* entry : loadLevelCatalogue(data.path()))
            entries.emplace_back(entry);
        if (entries.size() != 2 || entries[0]->highscores != HighscoreTable{{9000, "Shipped"}})
            return 1; // the shipped table is read while the player has no copy
        addHighscore(*entries[0], "Ace", 5000.0);
        if (entries[0]->highscores != HighscoreTable{{5000, "Ace"}, {9000, "Shipped"}})
            failures |= 2;
        if (!saveLevelGhost(entries[0]->path, *testsupport::smallGhost()))
            failures |= 16;         // the ghost goes beside the player's highscores
        entries[1]->releaseLevel(); // an empty table makes no file
        entries.clear();
        for (LevelEntry* entry : loadLevelCatalogue(data.path()))
            entries.emplace_back(entry);
        if (entries.size() != 2 || entries[0]->highscores != HighscoreTable{{5000, "Ace"}, {9000, "Shipped"}})
            failures |= 4; // the player's copy is read once it exists
        if (entries[0]->ghosts.size() != 1 || entries[0]->ghosts[0]->raceTime != 990 ||
            !entries[1]->ghosts.empty())
            failures |= 32;

        // No place for the player's copy either (its folder would be below a file): the save says so
        // and the entry stays in memory.
        ::setenv("XDG_DATA_HOME", (home.path() + "blocked/share").c_str(), 1);
        std::ofstream(home.path() + "blocked");
        addHighscore(*entries[0], "Bob", 6000.0);
        if (entries[0]->highscores.size() != 3)
            failures |= 8;
        return failures;
    });
    const std::string messages = testing::internal::GetCapturedStderr();
    fs::permissions(data.path(), fs::perms(0755));
    fs::permissions(data.path() + "levels", fs::perms(0755));
    if (failed < 0)
        GTEST_SKIP() << "the tests run as root and cannot give root up here";
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(data.read("levels/alpine.highscore"), "Shipped, 9000\n");
    EXPECT_EQ(home.read("share/aerovant/levels/alpine.highscore"), "Ace, 5000\nShipped, 9000\n");
    EXPECT_FALSE(fs::exists(player + "meadow.highscore") || fs::exists(player + "alpine.highscore.tmp"));
    EXPECT_TRUE(fs::exists(player + "alpine.ghost") && !fs::exists(data.path() + "levels/alpine.ghost"));
    EXPECT_EQ(messages,
              "Could not open file \"" + home.path() + "blocked/share/aerovant/levels/alpine.highscore\"\n");

    // A data directory the player may write to works as before, whatever copy the player has.
    fs::permissions(data.path() + "levels/alpine.highscore", fs::perms(0644));
    loadCatalogue(catalogue);
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[0]->highscores, (HighscoreTable{{9000, "Shipped"}}));
    addHighscore(*levels[0], "Cat", 7000.0);
    EXPECT_EQ(data.read("levels/alpine.highscore"), "Cat, 7000\nShipped, 9000\n");
    EXPECT_EQ(home.read("share/aerovant/levels/alpine.highscore"), "Ace, 5000\nShipped, 9000\n");
}
