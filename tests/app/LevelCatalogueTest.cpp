#include "app/LevelCatalogue.h"
#include "app/Globals.h"
#include "app/LevelEntry.h"
#include "app/LevelXMLHandler.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

class LevelCatalogue : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(data.path().empty());
        saved = baseDirectory;
    }
    void TearDown() override
    {
        for (LevelEntry* entry : levels)
            delete entry;
        baseDirectory = saved;
    }

    // Loads the catalogue from the scratch folder and returns what went to standard error.
    std::string load()
    {
        testing::internal::CaptureStderr();
        levels = loadLevelCatalogue(data.path());
        return testing::internal::GetCapturedStderr();
    }

    ScratchFolder data;
    std::string saved;
    std::vector<LevelEntry*> levels;
};

} // namespace

TEST_F(LevelCatalogue, ReadsEveryLevelElementInOrderWithItsHighscores)
{
    data.write("levels/config.xml",
               "<?xml version=\"1.0\"?>\n"
               "<tracks>\n"
               "  <level path=\"levels\\alpine\" name=\"Alpine\"/>\n"
               "  <Level path=\"levels\\wrongcase\" name=\"Ignored\"/>\n"
               "  <group><level name=\"Nested\" path=\"levels\\nested\">text</level></group>\n"
               "  <level name=\"No Path\"/>\n"
               "  <level path=\"levels\\twin\" name=\"Same\"/>\n"
               "  <level path=\"levels\\other\" name=\"Same\"/>\n"
               "  <level path=\"levels\\nameless\"/>\n"
               "</tracks>\n");
    data.write("levels/alpine.highscore", "Ace, 61000\nBob, 72000\n");

    const std::string messages = load();
    EXPECT_EQ(baseDirectory, data.path());
    EXPECT_EQ(messages, "couldn't parse attribute path in LevelXMLHandler\n"
                        "couldn't parse attribute path in LevelXMLHandler\n");

    ASSERT_EQ(levels.size(), 4u);
    EXPECT_EQ(levels[0]->path, "levels\\alpine");
    EXPECT_EQ(levels[0]->name, "Alpine");
    EXPECT_EQ(levels[1]->path, "levels\\nested");
    EXPECT_EQ(levels[2]->name, "Same");
    EXPECT_EQ(levels[3]->name, "Same");
    EXPECT_NE(levels[2]->path, levels[3]->path);

    EXPECT_EQ(levels[0]->highscores, (HighscoreTable{{61000, "Ace"}, {72000, "Bob"}}));
    EXPECT_TRUE(levels[1]->highscores.empty());
    for (LevelEntry* entry : levels) {
        EXPECT_FALSE(entry->loaded);
        EXPECT_EQ(entry->scene, nullptr);
    }
}

TEST_F(LevelCatalogue, PathsLeadingOutOfTheDataDirectoryAreSkipped)
{
    // The program writes PATH.highscore, so such a path could overwrite any file.
    data.write("levels/config.xml", "<levels>"
                                    "<level path=\"/etc/passwd\" name=\"Absolute\"/>"
                                    "<level path=\"..\\..\\outside\" name=\"Climb\"/>"
                                    "<level path=\"levels/../../outside\" name=\"Hidden Climb\"/>"
                                    "<level path=\"C:\\levels\\x\" name=\"Drive\"/>"
                                    "<level path=\"\" name=\"Empty\"/>"
                                    "<level path=\"levels\\fine..name\" name=\"Fine\"/>"
                                    "</levels>");
    const std::string messages = load();
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0]->name, "Fine");
    for (const char* skipped : {"Absolute", "Climb", "Hidden Climb", "Drive", "Empty"})
        EXPECT_NE(messages.find(std::string("level \"") + skipped + "\" skipped"), std::string::npos)
            << skipped << " in:\n"
            << messages;

    EXPECT_TRUE(isInsideDataDirectory("levels\\alpine"));
    EXPECT_TRUE(isInsideDataDirectory("alpine"));
    EXPECT_FALSE(isInsideDataDirectory("\\levels\\alpine"));
    EXPECT_FALSE(isInsideDataDirectory("levels\\.."));
    EXPECT_FALSE(isInsideDataDirectory("http://host/level"));
}

TEST_F(LevelCatalogue, MissingOrBrokenCatalogueOffersNoTrack)
{
    const std::string missing = load();
    EXPECT_TRUE(levels.empty());
    EXPECT_EQ(missing.rfind("Sax Parse Exception: unable to open primary document entity", 0), 0u) << missing;
    EXPECT_NE(missing.find(data.path() + "levels/config.xml"), std::string::npos) << missing;
    EXPECT_EQ(baseDirectory, data.path()) << "published even when the catalogue is missing";

    // Levels seen before the error are not offered: entries come only from a complete parse.
    data.write("levels/config.xml", "<levels><level path=\"levels\\a\" name=\"A\"/><oops></levels>");
    const std::string broken = load();
    EXPECT_TRUE(levels.empty());
    EXPECT_EQ(broken.rfind("Sax Parse Exception: ", 0), 0u) << broken;
}

TEST_F(LevelCatalogue, ReleasingWritesTheHighscoresOfEachLevel)
{
    data.write("levels/config.xml", "<levels><level path=\"levels\\a\" name=\"A\"/>"
                                    "<level path=\"levels\\b\" name=\"B\"/></levels>");
    load();
    ASSERT_EQ(levels.size(), 2u);
    levels[0]->highscores.emplace(42000, "Zed");
    for (LevelEntry* entry : levels)
        entry->releaseLevel();
    EXPECT_EQ(data.read("levels/a.highscore"), "Zed, 42000\n");
    EXPECT_FALSE(data.exists("levels/b.highscore"));
}
