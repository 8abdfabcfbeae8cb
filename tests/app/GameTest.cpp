#include "app/Game.h"
#include "app/Window.h"
#include "render/Globals.h"
#include "render/RenderSettings.h"
#include "support/GLContext.h"
#include "support/GameData.h"
#include "support/ManualCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

class GameTest : public GLTest
{
};

using testsupport::ScopedGame;

TEST_F(GameTest, DisplayStepsApplyTheSwitchesAndCountTheFrameRateOverASecond)
{
    ManualCounter counter;
    counter.set(7000000000);
    ScopedGame game("");

    // The first frame (the clock starts with the Game) shows the rate of that single frame. It
    // takes a filter change in and leaves the polygon mode for the next frame.
    RenderSettings::filterChanged = true;
    RenderSettings::wireframe = true;
    counter.advanceSeconds(0.25);
    game.displayFrame();
    EXPECT_FALSE(RenderSettings::filterChanged);
    GLint mode[2];
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_LINE);
    RenderSettings::wireframe = false;
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) && glIsEnabled(GL_ALPHA_TEST)) << "transparency is on by default";
    EXPECT_EQ(game.frameCount, 1);
    EXPECT_DOUBLE_EQ(game.frameSeconds, 0.25);
    EXPECT_EQ(game.framesPerSecond(), 4);

    // 0.25 + 3 x 0.25 reaches exactly one second: the window restarts.
    for (int i = 0; i < 2; ++i) {
        counter.advanceSeconds(0.25);
        game.displayFrame();
    }
    EXPECT_EQ(game.frameCount, 3);
    EXPECT_EQ(game.framesPerSecond(), 4);
    counter.advanceSeconds(0.25);
    game.displayFrame();
    EXPECT_EQ(game.frameCount, 0);
    EXPECT_EQ(game.frameSeconds, 0.0);

    // A slow frame of several seconds also restarts it at once, a fast one never does on its own.
    counter.advanceSeconds(3.0);
    game.displayFrame();
    EXPECT_EQ(game.frameCount, 0);
    for (int i = 0; i < 999; ++i) {
        counter.advanceSeconds(0.001);
        game.displayFrame();
    }
    EXPECT_EQ(game.frameCount, 999);
    EXPECT_NEAR(game.framesPerSecond(), 1000, 1);
}

TEST_F(GameTest, EscapeOnTheMainMenuEndsTheProgramThroughTheExitHandler)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            game = new Game("");
            std::atexit([] {
                game->cleanUp();
                delete game;
                game = nullptr;
                std::fputs("exit handler ran\n", stderr);
                // What is left of the exit belongs to the GL driver and GoogleTest, not to us; end
                // here so a slow teardown of the driver's worker threads cannot blur the result.
                std::fflush(stderr);
                std::_Exit(0);
            });
            game->handleKeyboard(27);
        },
        ::testing::ExitedWithCode(0), "exit handler ran");
}

TEST_F(GameTest, ReshapePublishesTheWindowSizeAndSurvivesAZeroHeight)
{
    reshapeWindow(640, 480);
    EXPECT_EQ(windowWidth, 640.0f);
    EXPECT_EQ(windowHeight, 480.0f);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    // gluPerspective(45, 4/3, 1, 350): element 0 is f / aspect with f = 1 / tan(22.5 degrees).
    EXPECT_NEAR(projection[0], 2.41421356 / (640.0 / 480.0), 1e-5);
    EXPECT_NEAR(projection[5], 2.41421356, 1e-5);

    reshapeWindow(640, 0);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    for (double element : projection)
        EXPECT_TRUE(std::isfinite(element));
    reshapeWindow(800, 600);
}
