#include "app/LevelCatalogue.h"
#include "app/Globals.h"
#include "app/LevelEntry.h"
#include "app/LevelXMLHandler.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

class LevelCatalogue : public ::testing::Test
{
  protected:
    ~LevelCatalogue() override { baseDirectory = saved; }

    // Loads `catalogue` as levels/config.xml (none when empty) and returns what went to standard error.
    std::string load(const std::string& catalogue)
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
    std::string saved = baseDirectory;
    std::vector<std::unique_ptr<LevelEntry>> levels;
};

} // namespace

TEST_F(LevelCatalogue, ReadsEveryLevelElementInOrderWithItsHighscores)
{
    data.write("levels/alpine.highscore", "Ace, 61000\nBob, 72000\n");
    const std::string messages = load("<?xml version=\"1.0\"?>\n<tracks>\n"
                                      "  <level path=\"levels\\alpine\" name=\"Alpine\"/>\n"
                                      "  <Level path=\"levels\\wrongcase\" name=\"Ignored\"/>\n"
                                      "  <group><level name=\"Nested\" path=\"levels\\nested\"/></group>\n"
                                      "  <level name=\"No Path\"/>\n"
                                      "  <level path=\"levels\\nameless\"/>\n"
                                      "</tracks>\n");
    EXPECT_EQ(baseDirectory, data.path());
    EXPECT_EQ(messages, "couldn't parse attribute path in LevelXMLHandler\n"
                        "couldn't parse attribute path in LevelXMLHandler\n");
    ASSERT_EQ(levels.size(), 2u);
    EXPECT_EQ(levels[0]->name, "Alpine");
    EXPECT_EQ(levels[0]->highscores, (HighscoreTable{{61000, "Ace"}, {72000, "Bob"}}));
    EXPECT_EQ(levels[1]->path, "levels\\nested");
    EXPECT_TRUE(levels[1]->highscores.empty());
    EXPECT_FALSE(levels[1]->loaded);
}

TEST_F(LevelCatalogue, PathsLeadingOutOfTheDataDirectoryAreSkipped)
{
    // The program writes PATH.highscore, so such a path could overwrite any file.
    const std::string messages = load("<levels><level path=\"/etc/passwd\" name=\"Absolute\"/>"
                                      "<level path=\"..\\..\\outside\" name=\"Climb\"/>"
                                      "<level path=\"levels/../../outside\" name=\"Hidden Climb\"/>"
                                      "<level path=\"C:\\levels\\x\" name=\"Drive\"/>"
                                      "<level path=\"\" name=\"Empty\"/>"
                                      "<level path=\"levels\\fine..name\" name=\"Fine\"/></levels>");
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0]->name, "Fine");
    for (const char* skipped : {"Absolute", "Climb", "Hidden Climb", "Drive", "Empty"})
        EXPECT_NE(messages.find(std::string("level \"") + skipped + "\" skipped"), std::string::npos)
            << skipped << " in:\n"
            << messages;
    EXPECT_FALSE(isInsideDataDirectory("\\levels\\alpine"));
    EXPECT_FALSE(isInsideDataDirectory("levels\\.."));
}

TEST_F(LevelCatalogue, MissingOrBrokenCatalogueOffersNoTrack)
{
    const std::string missing = load("");
    EXPECT_TRUE(levels.empty());
    EXPECT_EQ(missing.rfind("Sax Parse Exception: unable to open primary document entity", 0), 0u) << missing;
    EXPECT_NE(missing.find(data.path() + "levels/config.xml"), std::string::npos) << missing;
    EXPECT_EQ(baseDirectory, data.path()) << "published even when the catalogue is missing";

    // Levels seen before the error are not offered: entries come only from a complete parse.
    const std::string broken = load("<levels><level path=\"levels\\a\" name=\"A\"/><oops></levels>");
    EXPECT_TRUE(levels.empty());
    EXPECT_EQ(broken.rfind("Sax Parse Exception: ", 0), 0u) << broken;
}
