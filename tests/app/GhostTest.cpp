// Split times, the gap to the ghost, and ghosts that last from one run to the next: splits at any
// frame rate, a saved ghost read back by the next Game, hostile ghost files, and the pictures of
// the split on the HUD and the gap on the race-finished page.
#include "app/Game.h"
#include "app/GhostFile.h"
#include "app/LevelEntry.h"
#include "app/Menu.h"
#include "app/Overlays.h"
#include "app/Window.h"
#include "flight/Airplane.h"
#include "flight/FlightRecording.h"
#include "render/RenderSettings.h"
#include "support/GameData.h"
#include "support/SmallGhost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

using qorm::scenegraph::FlightRecording;
using testsupport::flyRunway;
using testsupport::ScopedGame;
using testsupport::TestLevelData;

namespace
{

constexpr int64_t second = 1000000000;

class GhostTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_FALSE(data.directory().empty());
        counter.set(7 * second);
    }

    std::string ghostFile() const { return data.directory() + "levels/test.ghost"; }
    void writeGhostFile(const std::string& contents) const
    {
        std::ofstream(ghostFile(), std::ios::binary | std::ios::trunc) << contents;
    }

    TestLevelData data;
    ManualCounter counter;
};

} // namespace

TEST_F(GhostTest, SplitsAreTheSameAtEveryFrameRateAndASavedGhostReplaysTheSameFlight)
{
    std::vector<double> splits;
    FlightRecording flown(0);
    {
        ScopedGame first(data.directory());
        ASSERT_TRUE(first.levels[TestLevelData::complete]->ghosts.empty());
        ASSERT_TRUE(flyRunway(first, counter));
        splits = first.splits;
        ASSERT_EQ(splits.size(), 3u);
        EXPECT_EQ(splits.back(), first.raceTime) << "the last split is the finish";
        EXPECT_TRUE(splits[0] < splits[1] && splits[1] < splits[2]);
        EXPECT_FALSE(first.ghostGap) << "there was no ghost to race against";
        flown = *first.levels[TestLevelData::complete]->ghosts[0];
    }
    ASSERT_TRUE(std::filesystem::exists(ghostFile())) << "the kept ghost is written";

    // Every new game reads the ghost back with its time, splits and the very same poses, and replays
    // it exactly as the recording flown in this run (raced beside it as a second ghost). Flown with
    // the same keys at another frame rate, the race passes every gate at the same instant, level
    // with the ghost, which stays on the player's own airplane all the way.
    for (int rate : {20, 144, 7}) {
        SCOPED_TRACE(rate);
        ScopedGame game(data.directory());
        std::vector<FlightRecording*>& ghosts = game.levels[TestLevelData::complete]->ghosts;
        ASSERT_EQ(ghosts.size(), 1u);
        const FlightRecording& ghost = *ghosts[0];
        EXPECT_EQ(ghost.raceTime, flown.raceTime);
        EXPECT_EQ(ghost.splits, splits);
        ASSERT_EQ(ghost.sampleCount(), flown.sampleCount());
        EXPECT_EQ(std::memcmp(ghost.samples.data(), flown.samples.data(),
                              flown.samples.size() * sizeof(FlightRecording::Pose)),
                  0);
        ghosts.push_back(new FlightRecording(flown));
        const FlightRecording& twin = *ghosts[1];

        int frames = 0, unlike = 0;
        double farthest = 0.0;
        ASSERT_TRUE(flyRunway(game, counter, rate, 0.0, [&] {
            ++frames;
            unlike += std::memcmp(ghost.current, twin.current, sizeof ghost.current) != 0;
            for (int i = 0; i < 16; ++i)
                farthest = std::max(farthest, std::fabs(ghost.current[i] - game.airplane->drawnTransform[i]));
        }));
        EXPECT_EQ(unlike, 0) << "of " << frames << " frames";
        EXPECT_LT(farthest, 1e-9);
        EXPECT_EQ(game.splits, splits);
        ASSERT_TRUE(game.ghostGap);
        EXPECT_EQ(*game.ghostGap, 0.0);
    }
}

TEST_F(GhostTest, HostileGhostFilesAreRefusedInOneLineAndLeaveTheGhostAlone)
{
    const std::string valid = ghostFileContents(*testsupport::smallGhost());
    std::string problem;
    ASSERT_TRUE(parseGhost(valid, problem)) << problem;
    const std::size_t body = valid.find('\n') + 1;
    auto withHeader = [&](const std::string& header) { return header + "\n" + valid.substr(body); };
    std::string notANumber = valid;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(&notANumber[body + 30 * ghostPoseBytes + 8 * 13], &nan, sizeof nan);

    const struct {
        const char* name;
        std::string contents;
        const char* says;
    } cases[] = {
        {"truncated", valid.substr(0, valid.size() - 50), "bytes of them"},
        {"header-only", valid.substr(0, body), "bytes of them"},
        {"no-header", "aerovant-ghost 1 990", "no header line"},
        {"wrong-version", withHeader("aerovant-ghost 2 990 61 2 500 990"), "format version 2"},
        {"not-a-ghost", withHeader("Ace, 990"), "not a ghost file"},
        {"huge-length", withHeader("aerovant-ghost 1 990 999999999 2 500 990"), "999999999 poses"},
        {"huge-splits", withHeader("aerovant-ghost 1 990 61 99999 500 990"), "99999 splits"},
        {"negative-time", withHeader("aerovant-ghost 1 -990 61 2 500 990"), "not whole"},
        {"nan-pose", notANumber, "not finite"},
        {"time-after-poses", withHeader("aerovant-ghost 1 5000 61 2 500 5000"), "does not match 61 poses"},
        {"time-before-poses", withHeader("aerovant-ghost 1 400 61 1 400"), "does not match 61 poses"},
        {"splits-backwards", withHeader("aerovant-ghost 1 990 61 2 995 990"), "split 2"},
        {"last-split-not-time", withHeader("aerovant-ghost 1 990 61 2 500 980"), "last split"},
        {"oversized", valid, "more than a ghost can hold"},
    };

    ScopedGame game(data.directory());
    LevelEntry& level = *game.levels[TestLevelData::complete];
    level.keepGhost(testsupport::smallGhost().release(), 990);
    const FlightRecording* kept = level.ghosts[0];
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.name);
        writeGhostFile(bad.contents);
        if (std::string(bad.name) == "oversized")
            std::filesystem::resize_file(ghostFile(), maxGhostFileSize + 1);
        testing::internal::CaptureStderr();
        loadLevelGhost(level);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.rfind("Ignoring ghost file \"" + data.directory() + "levels\\test.ghost\": ", 0), 0u)
            << said;
        EXPECT_NE(said.find(bad.says), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        ASSERT_EQ(level.ghosts.size(), 1u);
        EXPECT_EQ(level.ghosts[0], kept) << "a refused file never replaces a valid ghost";
    }

    // At start-up a refused file leaves the level without a ghost, and the game runs on.
    writeGhostFile(cases[0].contents);
    testing::internal::CaptureStderr();
    ScopedGame next(data.directory());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Ignoring ghost file"), std::string::npos);
    EXPECT_TRUE(next.levels[TestLevelData::complete]->ghosts.empty());
}

TEST_F(GhostTest, TheSplitAndTheGapShowUnderTheRaceTimeAndTheFinalGapOnTheFinishedPage)
{
    EXPECT_EQ(formatGap(-456.0), "-00:00:456");
    EXPECT_EQ(formatGap(61234.0), "+01:01:234");
    EXPECT_EQ(formatGap(0.0), "+00:00:000");

    reshapeWindow(800, 600);
    glEnable(GL_DEPTH_TEST);
    RenderSettings::ghostPlayers = true;
    testsupport::PictureTarget target(800, 600);
    ASSERT_TRUE(target.complete());
    ScopedGame game(data.directory());
    // Pixels of a colour in the overlay rectangle from (left, top) to (right, bottom).
    auto countNear = [](const testsupport::Picture& picture, int left, int top, int right, int bottom,
                        const int rgb[3]) {
        return testsupport::countInOverlay(picture, left, top, right, bottom, [&](const uint8_t* p) {
            return std::abs(p[0] - rgb[0]) < 40 && std::abs(p[1] - rgb[1]) < 40 &&
                   std::abs(p[2] - rgb[2]) < 40;
        });
    };
    const int red[3] = {204, 26, 0}, green[3] = {0, 204, 51};
    auto shoot = [&](const std::string& name) {
        target.clear(0.0f, 0.0f, 0.0f);
        game.displayFrame();
        const testsupport::Picture picture = target.read();
        testsupport::savePicture(picture, name);
        return picture;
    };

    // The ghost gives full throttle half a second late; the player, at once, is ahead at every gate.
    ASSERT_TRUE(flyRunway(game, counter, 60, 0.5));
    const double ghostTime = game.raceTime;
    bool shotAhead = false;
    ASSERT_TRUE(flyRunway(game, counter, 60, 0.0, [&] {
        if (shotAhead || game.splits.empty() || !game.racing)
            return;
        shotAhead = true;
        const testsupport::Picture hud = shoot("ghost_split_ahead");
        EXPECT_GT(countNear(hud, 600, 60, 800, 80, red), 40) << "the split, overlay red";
        EXPECT_GT(countNear(hud, 600, 80, 800, 100, green), 40) << "the gap ahead, green";
        EXPECT_EQ(countNear(hud, 600, 80, 800, 100, red), 0);
    }));
    EXPECT_TRUE(shotAhead);
    EXPECT_GT(countNear(shoot("ghost_gap_finished_ahead"), 390, 170, 800, 190, green), 100);
    ASSERT_TRUE(game.ghostGap);
    EXPECT_LT(*game.ghostGap, 0.0);
    EXPECT_EQ(*game.ghostGap, game.raceTime - ghostTime);

    // The player's own flight is the ghost now; a race with the late throttle falls behind it.
    const double aheadGap = *game.ghostGap;
    bool shotBehind = false, shotGone = false;
    ASSERT_TRUE(flyRunway(game, counter, 60, 0.5, [&] {
        if (!shotGone) {
            // A split shows for two seconds of race time after its gate, then it is gone.
            shotGone = true;
            game.splits = {game.raceTime - Game::splitShownMilliseconds + 1};
            EXPECT_GT(countNear(shoot("ghost_split_shown"), 600, 62, 800, 100, red), 40);
            game.splits = {game.raceTime - Game::splitShownMilliseconds};
            EXPECT_EQ(countNear(shoot("ghost_split_gone"), 600, 62, 800, 100, red), 0);
            game.splits.clear();
        }
        if (game.splits.empty() || !game.racing)
            return;
        if (!shotBehind) {
            shotBehind = true;
            const testsupport::Picture hud = shoot("ghost_split_behind");
            EXPECT_GT(countNear(hud, 600, 80, 800, 100, red), 40) << "the gap behind, overlay red";
            EXPECT_EQ(countNear(hud, 600, 80, 800, 100, green), 0);
        }
    }));
    ASSERT_TRUE(game.ghostGap);
    EXPECT_EQ(*game.ghostGap, -aheadGap);

    // The finished page asks for a name (the level's table is empty) and shows the gap.
    const testsupport::Picture finished = shoot("ghost_gap_finished");
    EXPECT_GT(countNear(finished, 390, 170, 800, 190, red), 100);
    game.highscoreSaved = true;
    EXPECT_GT(countNear(shoot("ghost_gap_saved"), 390, 170, 800, 190, red), 100);
    glDisable(GL_DEPTH_TEST);
}
