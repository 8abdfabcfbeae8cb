// The texts over the picture: time format, option messages, the F-keys that raise them, the help
// overlay with and without its display list, and the matrices every overlay leaves behind.
#include "app/Game.h"
#include "app/Menu.h"
#include "app/OptionMessages.h"
#include "app/Overlays.h"
#include "app/Window.h"
#include "loaders/Font.h"
#include "render/RenderSettings.h"
#include "support/GameData.h"

#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cmath>
#include <limits>

using testsupport::Picture;
using testsupport::PictureTarget;

TEST(Overlays, RaceTimesAndGateCounter)
{
    EXPECT_EQ(formatRaceTime(59999.0), "00:59:999");
    EXPECT_EQ(formatRaceTime(60000.0), "01:00:000");
    EXPECT_EQ(formatRaceTime(83456.9), "01:23:456") << "whole milliseconds, truncated";
    EXPECT_EQ(formatRaceTime(3600000.0), "60:00:000");
    EXPECT_EQ(formatRaceTime(100 * 3600000.0 + 1.0), "6000:00:001");
    EXPECT_EQ(formatRaceTime(-3.0), "00:00:000");
    EXPECT_EQ(formatRaceTime(std::numeric_limits<double>::quiet_NaN()), "00:00:000");
    EXPECT_EQ(formatRaceTime(1e300), formatRaceTime(1e15)) << "held at a bound instead of overflowing";
    EXPECT_EQ(gateCounterText(3, 12), "3/12");
}

TEST(Overlays, OptionMessagesStackByALineAndExpireAfterTwoSeconds)
{
    OptionMessages messages(nullptr);
    messages.showMessage(frustumCullingOff, 10.0);
    messages.showMessage(frustumCullingOn, 10.5);
    messages.showMessage(optionMessageCount, 10.5); // no such message
    messages.showMessage(-1, 10.5);

    auto expectLines = [&](double now, std::vector<MessageLine> expected) {
        const std::vector<MessageLine> lines = messages.expireAndPlace(now);
        ASSERT_EQ(lines.size(), expected.size()) << "at " << now;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].text, expected[i].text);
            EXPECT_FLOAT_EQ(lines[i].y, expected[i].y);
        }
    };
    // Letters are 14 units high at scale 0.7, so the lines are 14 apart.
    expectLines(11.0, {{"VIEW FRUSTUM CULLING: OFF", 580.0f}, {"VIEW FRUSTUM CULLING: ON", 566.0f}});
    expectLines(12.0, {{"VIEW FRUSTUM CULLING: OFF", 580.0f}, {"VIEW FRUSTUM CULLING: ON", 566.0f}});
    expectLines(12.01, {{"VIEW FRUSTUM CULLING: ON", 580.0f}});
    expectLines(12.51, {});
    EXPECT_TRUE(messages.entries.empty());
}

namespace
{

class GameOverlayTest : public testsupport::ScratchGameTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        startGame("<levels/>");
    }

    // The texts of the option messages on screen now.
    std::vector<std::string> shown()
    {
        std::vector<std::string> texts;
        const double now = double(game->lastFrameCounter) / double(game->counterFrequency);
        for (const MessageLine& line : game->optionMessages->expireAndPlace(now))
            texts.push_back(line.text);
        return texts;
    }

    // The help overlay drawn on black.
    Picture help()
    {
        PictureTarget target(800, 600);
        target.clear();
        game->drawHelp();
        return target.read();
    }
};

} // namespace

TEST_F(GameOverlayTest, FunctionKeysSwitchTheSettingsAndSayWhat)
{
    using Texts = std::vector<std::string>;
    game->handleSpecial(GLUT_KEY_F5);
    game->handleSpecial(GLUT_KEY_F5);
    EXPECT_EQ(RenderSettings::minFilter, GLenum(GL_LINEAR));
    game->handleSpecial(GLUT_KEY_F5);
    EXPECT_EQ(RenderSettings::minFilter, GLenum(GL_LINEAR_MIPMAP_LINEAR));
    EXPECT_TRUE(RenderSettings::filterChanged);
    EXPECT_EQ(shown(), (Texts{"MIPMAPPING: NEAREST", "MIPMAPPING: OFF", "MIPMAPPING: LINEAR"}));
    game->optionMessages->entries.clear();

    // F6 unbinds the buffers on the way to vertex arrays and immediate mode, not back to buffers.
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    game->handleSpecial(GLUT_KEY_F6);
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    game->handleSpecial(GLUT_KEY_F6);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    game->handleSpecial(GLUT_KEY_F6);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(GLuint(bound), buffer);
    EXPECT_EQ(RenderSettings::geometryMode, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDeleteBuffers(1, &buffer);
    EXPECT_EQ(shown(), (Texts{"GEOMETRY MODE: VERTEX ARRAYS", "GEOMETRY MODE: IMMEDIATE MODE",
                              "GEOMETRY MODE: VERTEX BUFFER OBJECTS"}));
    game->optionMessages->entries.clear();

    // F7 in the menu, with no level loaded: the switch and its message, nothing to compile.
    game->handleSpecial(GLUT_KEY_F7);
    EXPECT_TRUE(RenderSettings::displayLists);
    game->handleSpecial(GLUT_KEY_F3);
    GLint polygonMode[2];
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_LINE);
    for (int key : {GLUT_KEY_F3, GLUT_KEY_F4, GLUT_KEY_F8, GLUT_KEY_F9, GLUT_KEY_F10, GLUT_KEY_F11})
        game->handleSpecial(key);
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL);
    EXPECT_EQ(RenderSettings::magFilter, GLenum(GL_NEAREST));
    EXPECT_EQ(shown(), (Texts{"DISPLAY LISTS: ON", "WIREFRAME: ON", "WIREFRAME: OFF",
                              "TEXTURE FILTERING: NEAREST", "VIEW FRUSTUM CULLING: OFF",
                              "BLENDING, ALPHATEST: OFF", "CG SHADER: OFF", "GHOST: ON"}));

    // F1 and F2 answer on screen themselves; other special keys in the menu do nothing.
    game->optionMessages->entries.clear();
    game->handleSpecial(GLUT_KEY_F1);
    game->handleSpecial(GLUT_KEY_F2);
    game->handleSpecial(GLUT_KEY_UP);
    EXPECT_TRUE(RenderSettings::showHelp && RenderSettings::showFramerate);
    EXPECT_TRUE(shown().empty());

    // Messages are stamped with the last display step's time.
    counter.advanceSeconds(5.0);
    game->displayFrame();
    game->handleSpecial(GLUT_KEY_F8);
    EXPECT_DOUBLE_EQ(game->optionMessages->entries.back().timeStamp,
                     double(game->lastFrameCounter) / double(game->counterFrequency));
}

TEST_F(GameOverlayTest, HelpTextIsTheSameFromItsDisplayList)
{
    const Picture direct = help();
    EXPECT_EQ(game->helpList, 0u);
    EXPECT_GT(testsupport::countPixelsNear(direct, 255, 255, 255, 60), 2000) << "white help text";

    // Recorded while texturing is already on; replayed with texturing off and lighting on, as the
    // frame after a race leaves them.
    RenderSettings::displayLists = true;
    glEnable(GL_TEXTURE_2D);
    const Picture compiled = help();
    const GLuint list = game->helpList;
    EXPECT_NE(list, 0u);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    const Picture replayed = help();
    EXPECT_EQ(game->helpList, list) << "compiled once";
    EXPECT_EQ(testsupport::countDifferentPixels(direct, compiled, 0), 0);
    EXPECT_EQ(testsupport::countDifferentPixels(direct, replayed, 0), 0);
    testsupport::savePicture(replayed, "help-from-list");

    RenderSettings::displayLists = false;
    const Picture again = help();
    EXPECT_EQ(game->helpList, 0u);
    EXPECT_FALSE(glIsList(list));
    EXPECT_EQ(testsupport::countDifferentPixels(direct, again, 0), 0);
}

TEST_F(GameOverlayTest, EveryOverlayLeavesThePerspectiveAndAnIdentityModelView)
{
    reshapeWindow(800, 600);
    GLdouble perspective[16];
    glGetDoublev(GL_PROJECTION_MATRIX, perspective);
    RenderSettings::showHelp = true;
    RenderSettings::showFramerate = true;
    RenderSettings::displayLists = true;
    game->handleSpecial(GLUT_KEY_F8);

    PictureTarget target(800, 600);
    for (int page : {mainMenuPage, raceFinishedPage, trackSelectionPage}) {
        game->menu->menuState = page;
        counter.advanceSeconds(0.02);
        game->displayFrame();
    }
    Font& font = *game->menu->font;
    drawRaceOverlay(font, 61234.0, 0, 12);
    drawFinishedScreen(font, FinishedScreen::enteringName, 61234.0, "Abc");
    drawFinishedScreen(font, FinishedScreen::saved, 61234.0, "");

    testsupport::expectProjectionRestored(perspective);
    GLdouble modelView[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    for (int i = 0; i < 16; ++i)
        EXPECT_DOUBLE_EQ(modelView[i], i % 5 == 0 ? 1.0 : 0.0) << i;
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}
