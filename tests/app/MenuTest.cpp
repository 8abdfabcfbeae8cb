// The menu: pages built from the catalogue and the highscore tables, hit boxes at any window size,
// and where a click leads.
#include "app/Menu.h"

#include "app/Game.h"
#include "app/LevelEntry.h"
#include "support/GLContext.h"
#include "support/GameData.h"
#include "support/OffscreenPicture.h"

#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

using testsupport::ScopedGame;

namespace
{

const char* const threeLevels = "<levels><level path=\"levels\\meadow\" name=\"Flight School\"/>"
                                "<level path=\"levels\\alpine\" name=\"alpine Valley\"/>"
                                "<level path=\"levels\\x\" name=\"x\"/></levels>";

class MenuTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        testsupport::prepareDataDirectory(scratch, threeLevels);
        scratch.write("levels/alpine.highscore", "Ace, 83456\nbob, 3600000\n");
        game = std::make_unique<ScopedGame>(scratch.path());
        menu = game->menu;
    }
    void TearDown() override
    {
        game.reset();
        GLTest::TearDown();
    }

    // A click in the middle of line `line` of the current page (the test window is 800 x 600).
    void clickLine(int line) { menu->handleClick(440, 260 + 20 * line); }

    std::vector<std::string> texts(int page) const
    {
        std::vector<std::string> result;
        for (const MenuItem& item : menu->pages.at(std::size_t(page)).items)
            result.push_back(item.text);
        return result;
    }

    testsupport::ScratchDirectory scratch;
    std::unique_ptr<ScopedGame> game;
    Menu* menu = nullptr;
};

} // namespace

TEST_F(MenuTest, HitBoxesScaleWithTheWindowAndTheirBordersDoNotHit)
{
    const MenuPage& mainMenu = menu->pages.at(0);
    // "SELECT RACETRACK" has 16 characters: its box runs from 430 to 766 and from 250 to 270.
    EXPECT_EQ(Menu::hitTest(mainMenu, 431, 251, 800, 600), 0);
    EXPECT_EQ(Menu::hitTest(mainMenu, 765, 269, 800, 600), 0);
    for (auto [x, y] : {std::pair{430, 260}, {766, 260}, {500, 250}, {500, 270}, {200, 260}})
        EXPECT_EQ(Menu::hitTest(mainMenu, x, y, 800, 600), -1) << x << ", " << y;
    EXPECT_EQ(Menu::hitTest(mainMenu, 500, 271, 800, 600), 1);
    EXPECT_EQ(Menu::hitTest(mainMenu, 440, 300, 800, 600), 2);

    // 1600 x 1200: (1000, 540) is (500, 270), the border between the first two lines.
    EXPECT_EQ(Menu::hitTest(mainMenu, 1000, 540, 1600, 1200), -1);
    EXPECT_EQ(Menu::hitTest(mainMenu, 1000, 520, 1600, 1200), 0);
    EXPECT_EQ(Menu::hitTest(mainMenu, 1000, 542, 1600, 1200), 1);
    EXPECT_EQ(Menu::hitTest(mainMenu, 1000, 520, 0, 0), -1) << "a window without area hits nothing";

    // Labels are counted out: on the track page, MAIN MENU below the blank line is item 3.
    const MenuPage& tracks = menu->pages.at(trackSelectionPage);
    EXPECT_EQ(Menu::hitTest(tracks, 440, 320, 800, 600), -1);
    EXPECT_EQ(Menu::hitTest(tracks, 440, 340, 800, 600), 3);
    EXPECT_EQ(Menu::hitTest(tracks, 440, 360, 800, 600), 4);
}

TEST_F(MenuTest, PagesListTheLevelsInUpperCaseAndEveryHighscoreTable)
{
    ASSERT_EQ(menu->pages.size(), 5u + 3u);
    const std::vector<std::string> levelPage = {"FLIGHT SCHOOL", "ALPINE VALLEY", "X", "",
                                                "MAIN MENU",     "EXIT"};
    EXPECT_EQ(texts(trackSelectionPage), levelPage);
    EXPECT_EQ(texts(highscoreListPage), levelPage);
    EXPECT_EQ(texts(crashPage), (std::vector<std::string>{"RESTART RACE", "MAIN MENU", "HIGHSCORE", "EXIT"}));
    EXPECT_EQ(menu->pages.at(crashPage).background, menu->crashBackground);
    EXPECT_EQ(menu->pages.at(raceFinishedPage).background, menu->normalBackground);
    EXPECT_NE(menu->crashBackground, menu->normalBackground);

    EXPECT_EQ(texts(firstHighscorePage), (std::vector<std::string>{"", "HIGHSCORE", "MAIN MENU", "EXIT"}))
        << "a level without highscores";
    EXPECT_EQ(texts(firstHighscorePage + 1),
              (std::vector<std::string>{"ACE - 01:23:456", "BOB - 60:00:000", "", "HIGHSCORE", "MAIN MENU",
                                        "EXIT"}));

    // A new entry shows once the pages are rebuilt.
    game->levels[2]->highscores.emplace(59999, "Zed");
    menu->buildPages();
    EXPECT_EQ(texts(firstHighscorePage + 2).front(), "ZED - 00:59:999");
}

TEST_F(MenuTest, ClicksMoveBetweenPages)
{
    clickLine(1); // HIGHSCORE
    EXPECT_EQ(menu->menuState, highscoreListPage);
    clickLine(1); // ALPINE VALLEY
    EXPECT_EQ(menu->menuState, firstHighscorePage + 1);
    clickLine(0); // an entry: nothing happens
    clickLine(2); // the blank line
    EXPECT_EQ(menu->menuState, firstHighscorePage + 1);
    clickLine(3); // HIGHSCORE
    EXPECT_EQ(menu->menuState, highscoreListPage);
    clickLine(0);
    EXPECT_EQ(menu->menuState, firstHighscorePage);
    clickLine(2); // MAIN MENU on a table without entries
    EXPECT_EQ(menu->menuState, mainMenuPage);

    clickLine(0); // SELECT RACETRACK
    EXPECT_EQ(menu->menuState, trackSelectionPage);
    menu->handleClick(300, 260); // beside the items
    clickLine(3);                // the blank line
    EXPECT_EQ(menu->menuState, trackSelectionPage);
    clickLine(4); // MAIN MENU
    EXPECT_EQ(menu->menuState, mainMenuPage);

    menu->menuState = crashPage;
    clickLine(1);
    EXPECT_EQ(menu->menuState, mainMenuPage);
    menu->menuState = crashPage;
    clickLine(2);
    EXPECT_EQ(menu->menuState, highscoreListPage);
    menu->menuState = raceFinishedPage;
    clickLine(0);
    EXPECT_EQ(menu->menuState, trackSelectionPage);
    EXPECT_FALSE(game->racing);
}

TEST_F(MenuTest, ExitEndsTheProgramThroughTheExitHandler)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::atexit([] {
                std::fputs("exit handler ran\n", stderr);
                std::fflush(stderr);
                std::_Exit(0);
            });
            menu->menuState = highscoreListPage;
            clickLine(5); // EXIT below MAIN MENU
        },
        ::testing::ExitedWithCode(0), "exit handler ran");
}

TEST_F(MenuTest, DrawsTheBackgroundAndTheLinesAndRestoresTheProjection)
{
    GLdouble perspective[16];
    testsupport::loadRaceProjection(perspective);
    glColor3f(1, 1, 1);

    testsupport::PictureTarget target(800, 600);
    target.clear(0, 0, 1);
    menu->menuState = trackSelectionPage;
    menu->draw();
    const testsupport::Picture picture = target.read();
    testsupport::savePicture(picture, "menu-tracks");

    EXPECT_EQ(testsupport::countPixelsNear(picture, 0, 0, 255, 0), 0) << "the background covers everything";
    // Text ink (overlay red on the light letters) on the item lines, none in the blank line.
    auto inkIn = [&](int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const uint8_t* p = picture.at(x, 599 - y);
                count += p[0] > 150 && p[1] < 60 && p[2] < 40;
            }
        return count;
    };
    EXPECT_GT(inkIn(430, 250, 700, 270), 200) << "FLIGHT SCHOOL";
    EXPECT_GT(inkIn(430, 350, 700, 370), 50) << "EXIT";
    EXPECT_EQ(inkIn(430, 312, 700, 328), 0) << "the blank line";

    testsupport::expectProjectionRestored(perspective);
}
