// What the race view draws around the player's airplane: ghosts that never hide it, and the cockpit
// panel over everything.
#include "app/Game.h"
#include "app/LevelEntry.h"
#include "app/Window.h"
#include "flight/Airplane.h"
#include "flight/FlightRecording.h"
#include "flight/PursuitCam.h"
#include "render/RenderSettings.h"
#include "support/GameData.h"

#include <gtest/gtest.h>

#include <vector>

using qorm::scenegraph::FlightRecording;
using qorm::scenegraph::PursuitCam;
using testsupport::Picture;
using testsupport::PictureTarget;
using testsupport::ScopedGame;
using testsupport::TestLevelData;

namespace
{

// Pixels where `a` and `b` differ, counted only where the panel is fully opaque: where it looks the
// same drawn over two different backgrounds.
int countDifferencesUnderPanel(const Picture& a, const Picture& b, const Picture& panelOverMagenta,
                               const Picture& panelOverGreen)
{
    int count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const uint8_t *m = panelOverMagenta.at(x, y), *g = panelOverGreen.at(x, y);
            if (m[0] != g[0] || m[1] != g[1] || m[2] != g[2])
                continue;
            const uint8_t *p = a.at(x, y), *q = b.at(x, y);
            count += p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
        }
    }
    return count;
}

} // namespace

class RaceDrawingTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_FALSE(data.directory().empty());
        reshapeWindow(800, 600);
        glEnable(GL_DEPTH_TEST); // as the program does at start-up
        counter.set(5 * second);
    }
    void TearDown() override
    {
        glDepthMask(GL_TRUE);
        glDisable(GL_DEPTH_TEST);
        RenderSettings::cgShaders = true;
        GLTest::TearDown();
    }

    Picture draw(PictureTarget& target, const std::string& name, const std::function<void()>& paint)
    {
        target.clear(1.0f, 0.0f, 1.0f);
        paint();
        const Picture picture = target.read();
        testsupport::savePicture(picture, name);
        return picture;
    }

    static constexpr int64_t second = 1000000000;
    TestLevelData data;
    ManualCounter counter;
};

TEST_F(RaceDrawingTest, AGhostNeverHidesTheAirplaneNorInCockpitViewThePanel)
{
    // A race on the test level leaves its ghost; in the next race's first update it stands on the
    // player's pose. First the fixed-function path: the cartoon path outlines the ghost too, which
    // marks its silhouette.
    RenderSettings::cgShaders = false;
    ScopedGame game(data.directory());
    ASSERT_TRUE(testsupport::flyRunway(game, counter));
    ASSERT_EQ(game.levels[TestLevelData::complete]->ghosts.size(), 1u);
    game.startRace();
    game.updateFrame();
    FlightRecording* ghost = game.levels[TestLevelData::complete]->ghosts[0];
    ASSERT_EQ(ghost->current[13], game.airplane->drawnTransform[13]);
    PictureTarget target(800, 600);
    ASSERT_TRUE(target.complete());

    RenderSettings::ghostPlayers = false;
    const Picture alone = draw(target, "race_ghost_off", [&] { game.displayFrame(); });
    RenderSettings::ghostPlayers = true;
    const Picture together = draw(target, "race_ghost_on", [&] { game.displayFrame(); });
    EXPECT_EQ(testsupport::countDifferentPixels(alone, together, 0), 0);

    // Drawn before the airplane (as the cartoon path does), a ghost without depth writes still
    // leaves the airplane as it is; only its see-through canopy shows the ghost behind it.
    double time = 0.0;
    auto airplaneOnly = [&] {
        glLoadMatrixd(game.camera->view);
        qorm::scenegraph::drawAirplaneModel(game.airplaneModel, game.airplane->drawnTransform, time);
    };
    const Picture first = draw(target, "race_airplane_only", airplaneOnly);
    const Picture ghostFirst = draw(target, "race_ghost_then_airplane", [&] {
        game.drawGhosts(time);
        airplaneOnly();
    });
    const int airplanePixels = testsupport::countDifferentPixels(first, draw(target, "race_empty", [] {}), 0);
    EXPECT_GT(airplanePixels, 1000) << "the airplane fills part of the picture";
    EXPECT_LT(testsupport::countDifferentPixels(first, ghostFirst, 8), airplanePixels / 8);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites) << "depth writes are back on after the ghosts";

    // A ghost beside the player is drawn, half see-through.
    ghost->current[12] += 0.8;
    const Picture beside = draw(target, "race_ghost_beside", [&] { game.displayFrame(); });
    EXPECT_GT(testsupport::countDifferentPixels(alone, beside, 8), 500);

    // In cockpit view, on the cartoon path, the panel is drawn over the ghosts.
    RenderSettings::cgShaders = true;
    game.camera->mode = PursuitCam::Cockpit;
    // Thirty units up, so nothing but the ghost lies near in front; the ghost three units ahead
    // and a little below: half behind the panel's instruments, half in its window.
    double* pose = game.airplane->drawnTransform;
    pose[13] += 30.0;
    double position[3] = {pose[12], pose[13], pose[14]}, up[3] = {0, 1, 0}, nose[3] = {0, 0, 1};
    game.camera->follow(position, up, nose, 2.0);
    for (int i = 0; i < 16; ++i)
        ghost->current[i] = pose[i];
    ghost->current[13] -= 0.55;
    ghost->current[14] += 3.0;
    auto panelOnly = [&] {
        qorm::scenegraph::Cockpit panel = game.airplane->cockpit;
        panel.model = nullptr;
        panel.draw(*game.airplane, game.airplane->drawnTransform, time);
    };
    const Picture overMagenta = draw(target, "cockpit_panel_only", panelOnly);
    target.clear(0.0f, 1.0f, 0.0f);
    panelOnly();
    const Picture overGreen = target.read();
    const Picture empty = draw(target, "cockpit_empty", [] {});
    const Picture ghostOnly = draw(target, "cockpit_ghost_only", [&] {
        game.camera->update();
        game.drawGhosts(time);
    });
    ASSERT_GT(testsupport::countDifferentPixels(overMagenta, overGreen, 0), 800 * 300 / 4)
        << "the panel has see-through parts";
    ASSERT_GT(countDifferencesUnderPanel(ghostOnly, empty, overMagenta, overGreen), 100)
        << "the ghost lies behind the panel";

    RenderSettings::ghostPlayers = false;
    const Picture without = draw(target, "cockpit_without_ghost", [&] { game.displayFrame(); });
    RenderSettings::ghostPlayers = true;
    const Picture with = draw(target, "cockpit_with_ghost", [&] { game.displayFrame(); });
    EXPECT_GT(testsupport::countDifferentPixels(without, with, 8), 200) << "the ghost shows above the panel";
    EXPECT_EQ(countDifferencesUnderPanel(without, with, overMagenta, overGreen), 0) << "but never over it";
}
