// The race-finished page: the highscore test, typing a name, storing it, and what the page shows.
#include "app/Game.h"
#include "app/LevelEntry.h"
#include "app/Menu.h"
#include "support/GameData.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{

class NameEntryTest : public testsupport::ScratchGameTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        startGame("<levels><level path=\"levels\\meadow\" name=\"Flight School\"/></levels>");
        finishRace(83456.0);
    }

    // What the end of a race leaves: the level's time on the finished page.
    void finishRace(double raceTime)
    {
        game->currentLevel = 0;
        game->highscoreSaved = false;
        game->racing = false;
        game->raceTime = raceTime;
        game->menu->menuState = raceFinishedPage;
    }

    void frame()
    {
        counter.advanceSeconds(0.02);
        game->displayFrame();
    }

    void type(const std::string& keys)
    {
        for (char key : keys)
            game->handleKeyboard(static_cast<unsigned char>(key));
    }

    testsupport::Picture picture()
    {
        testsupport::PictureTarget target(800, 600);
        target.clear();
        frame();
        return target.read();
    }

    // Pixels in a rectangle of the overlay where one frame of the current page differs from the
    // main menu, which has the same background and items: the finished page's own texts.
    int textPixels(int x0, int y0, int x1, int y1)
    {
        const int page = game->menu->menuState;
        game->menu->menuState = mainMenuPage;
        const testsupport::Picture plain = picture();
        game->menu->menuState = page;
        const testsupport::Picture shown = picture();
        if (!snapshotName.empty())
            testsupport::savePicture(shown, snapshotName);
        return testsupport::differencesInOverlay(plain, shown, x0, y0, x1, y1);
    }

    std::string highscoreFile() const { return scratch.read("levels/meadow.highscore"); }

    std::string snapshotName;
};

} // namespace

TEST_F(NameEntryTest, LettersMakeTheNameAndEnterStoresIt)
{
    EXPECT_FALSE(game->namePromptShown()) << "the prompt appears with the page's first frame";
    type("X");
    snapshotName = "finished-name-prompt";
    frame();
    ASSERT_TRUE(game->enteringName);
    ASSERT_TRUE(game->playerName.has_value());
    EXPECT_TRUE(game->namePromptShown());

    // Neither the letter before the prompt nor keys in a race reach the name.
    game->racing = true;
    type("abc\r");
    game->racing = false;
    EXPECT_EQ(*game->playerName, "");
    type("\r");
    EXPECT_TRUE(game->enteringName) << "Enter with an empty name does nothing";
    type("Ab1c");
    EXPECT_EQ(*game->playerName, "Abc");
    type("\b");
    EXPECT_EQ(*game->playerName, "Ab");
    type("cdefghijklmnopqrstu");
    EXPECT_EQ(*game->playerName, "Abcdefghijklmnop") << "16 letters at most";
    type("\b\b\b\b\b\b\b\b\b\b\b\b\b");
    EXPECT_EQ(*game->playerName, "Abc");
    EXPECT_GT(textPixels(290, 230, 400, 250), 50) << "the name typed so far";

    // Enter on any other page stores nothing, and letters there do not reach the name.
    game->menu->menuState = trackSelectionPage;
    type("zz\r");
    frame();
    EXPECT_TRUE(game->enteringName);
    EXPECT_EQ(*game->playerName, "Abc");
    EXPECT_FALSE(std::filesystem::exists(scratch.path() + "levels/meadow.highscore"));

    game->menu->menuState = raceFinishedPage;
    type("\r");
    EXPECT_FALSE(game->enteringName);
    snapshotName = "finished-saved";
    const int savedInk = textPixels(390, 210, 700, 230);
    EXPECT_EQ(highscoreFile(), "Abc, 83456\n");
    EXPECT_TRUE(game->highscoreSaved);
    EXPECT_FALSE(game->playerName.has_value());
    EXPECT_EQ(game->menu->pages.at(firstHighscorePage).items.front().text, "ABC - 01:23:456");

    // "Highscore saved." stays under the time while the page shows this race.
    EXPECT_GT(savedInk, 100);
    counter.advanceSeconds(5.0);
    snapshotName.clear();
    EXPECT_EQ(textPixels(390, 210, 700, 230), savedInk);
    EXPECT_GT(textPixels(390, 190, 700, 210), 100) << "YOUR TIME";
    EXPECT_EQ(textPixels(190, 190, 380, 250), 0) << "no prompt any more";
    type("Q\r");
    frame();
    EXPECT_EQ(highscoreFile(), "Abc, 83456\n");
}

TEST_F(NameEntryTest, ATimeAlreadyInTheTableOrTooSlowAsksForNoName)
{
    game->levels[0]->highscores.emplace(83456, "Ace");
    finishRace(83456.7);
    frame();
    EXPECT_FALSE(game->enteringName) << "a tie would keep the old name";
    EXPECT_FALSE(game->playerName.has_value());
    type("Bob\r");
    frame();
    EXPECT_FALSE(game->playerName.has_value());
    EXPECT_EQ(game->levels[0]->highscores.at(83456), "Ace");

    for (uint32_t k = 1; k <= 9; ++k)
        game->levels[0]->highscores.emplace(k * 1000, "Pilot");
    finishRace(90000.0);
    EXPECT_EQ(textPixels(190, 190, 380, 250), 0);
    EXPECT_FALSE(game->enteringName);

    // A faster time on the full table asks, and the slowest entry makes way.
    finishRace(500.0);
    frame();
    ASSERT_TRUE(game->namePromptShown());
    type("Zed\r");
    frame();
    EXPECT_EQ(game->levels[0]->highscores.size(), 10u);
    EXPECT_EQ(game->levels[0]->highscores.begin()->second, "Zed");
    EXPECT_EQ(game->levels[0]->highscores.count(83456), 0u);
}

TEST_F(NameEntryTest, AHighscoreFileThatCannotBeWrittenIsNotCalledSaved)
{
    // A folder where the score file should be: neither a temporary file beside it nor the file
    // itself can be written.
    std::filesystem::create_directories(scratch.path() + "levels/meadow.highscore/in-the-way");
    frame();
    testing::internal::CaptureStderr();
    type("Abc\r");
    frame();
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("meadow.highscore"), std::string::npos) << messages;
    EXPECT_TRUE(game->highscoreSaved);
    EXPECT_FALSE(game->highscoreWritten);
    EXPECT_EQ(game->levels[0]->highscores.count(83456), 1u) << "kept in memory for a later save";

    snapshotName = "finished-not-saved";
    const int notSavedInk = textPixels(390, 210, 700, 230);
    std::filesystem::remove_all(scratch.path() + "levels/meadow.highscore");
    finishRace(70000.0);
    frame();
    type("Abc\r");
    frame();
    ASSERT_TRUE(game->highscoreWritten);
    snapshotName.clear();
    // "Highscore not saved." has four letters more than "Highscore saved.".
    EXPECT_GT(notSavedInk, textPixels(390, 210, 700, 230) + 40);
}
