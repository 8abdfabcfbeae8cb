// The menu: pages built from the catalogue and the highscore tables, hit boxes at any window size,
// and where a click leads.
#include "app/Menu.h"

#include "app/Game.h"
#include "app/LevelEntry.h"
#include "support/GameData.h"

#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

namespace
{

const char* const threeLevels = "<levels><level path=\"levels\\meadow\" name=\"Flight School\"/>"
                                "<level path=\"levels\\alpine\" name=\"alpine Valley\"/>"
                                "<level path=\"levels\\x\" name=\"x\"/></levels>";

class MenuTest : public testsupport::ScratchGameTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        scratch.write("levels/alpine.highscore", "Ace, 83456\nbob, 3600000\n");
        startGame(threeLevels);
        menu = game->menu;
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

    Menu* menu = nullptr;
};

} // namespace

TEST_F(MenuTest, HitBoxesScaleWithTheWindowAndTheirBordersDoNotHit)
{
    // "SELECT RACETRACK" has 16 characters: its box runs from 430 to 766 and from 250 to 270; in a
    // 1600 x 1200 window (1000, 540) is (500, 270), the border between the first two lines. On the
    // track page labels are counted out: MAIN MENU below the blank line is item 3.
    const struct {
        int page, x, y, width, height, item;
    } hits[] = {{0, 431, 251, 800, 600, 0},
                {0, 765, 269, 800, 600, 0},
                {0, 430, 260, 800, 600, -1},
                {0, 766, 260, 800, 600, -1},
                {0, 500, 250, 800, 600, -1},
                {0, 500, 270, 800, 600, -1},
                {0, 200, 260, 800, 600, -1},
                {0, 500, 271, 800, 600, 1},
                {0, 440, 300, 800, 600, 2},
                {0, 1000, 540, 1600, 1200, -1},
                {0, 1000, 520, 1600, 1200, 0},
                {0, 1000, 542, 1600, 1200, 1},
                {0, 1000, 520, 0, 0, -1},
                {trackSelectionPage, 440, 320, 800, 600, -1},
                {trackSelectionPage, 440, 340, 800, 600, 3},
                {trackSelectionPage, 440, 360, 800, 600, 4}};
    for (const auto& hit : hits)
        EXPECT_EQ(Menu::hitTest(menu->pages.at(std::size_t(hit.page)), hit.x, hit.y, hit.width, hit.height),
                  hit.item)
            << hit.page << ": " << hit.x << ", " << hit.y << " in " << hit.width << " x " << hit.height;
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
    // Where a click on a line of a page leads; entries and blank lines lead nowhere.
    const int alpineScores = firstHighscorePage + 1;
    const struct {
        int page, line, leadsTo;
    } clicks[] = {{mainMenuPage, 0, trackSelectionPage},
                  {mainMenuPage, 1, highscoreListPage},
                  {highscoreListPage, 0, firstHighscorePage},
                  {highscoreListPage, 1, alpineScores},
                  {alpineScores, 0, alpineScores},
                  {alpineScores, 2, alpineScores},
                  {alpineScores, 3, highscoreListPage},
                  {firstHighscorePage, 2, mainMenuPage},
                  {trackSelectionPage, 3, trackSelectionPage},
                  {trackSelectionPage, 4, mainMenuPage},
                  {crashPage, 1, mainMenuPage},
                  {crashPage, 2, highscoreListPage},
                  {raceFinishedPage, 0, trackSelectionPage}};
    for (const auto& click : clicks) {
        menu->menuState = click.page;
        clickLine(click.line);
        EXPECT_EQ(menu->menuState, click.leadsTo) << "line " << click.line << " of page " << click.page;
    }
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
        return testsupport::countInOverlay(picture, x0, y0, x1, y1, testsupport::overlayRed);
    };
    EXPECT_GT(inkIn(430, 250, 700, 270), 200) << "FLIGHT SCHOOL";
    EXPECT_GT(inkIn(430, 350, 700, 370), 50) << "EXIT";
    EXPECT_EQ(inkIn(430, 312, 700, 328), 0) << "the blank line";

    testsupport::expectProjectionRestored(perspective);
}
