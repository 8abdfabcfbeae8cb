// The race rules on a small level written by the test: gates in order, pylons, course edges and
// altitude, the finish instant, restarts, crashes without a display step, ghosts, and levels that
// lack a part.
#include "app/Game.h"
#include "app/LevelEntry.h"
#include "app/Menu.h"
#include "app/RaceRules.h"
#include "flight/Airplane.h"
#include "flight/FlightRecording.h"
#include "flight/PursuitCam.h"
#include "render/RenderSettings.h"
#include "scene/Group.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/Terrain.h"
#include "support/GameData.h"
#include "support/MeshBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using qorm::scenegraph::Airplane;
using qorm::scenegraph::FlightRecording;
using testsupport::ScopedGame;
using testsupport::TestLevelData;

namespace
{

const int64_t second = 1000000000; // counter ticks

// Moves the airplane to (x, y, z) as one step would (the pose before it becomes the previous one)
// and applies the rules to that step.
bool stepTo(Game& game, double x, double y, double z)
{
    Airplane& airplane = *game.airplane;
    for (int i = 0; i < 16; ++i)
        airplane.previousTransform[i] = airplane.transform[i];
    airplane.transform[12] = x;
    airplane.transform[13] = y;
    airplane.transform[14] = z;
    ++airplane.stepCount;
    return game.raceStep();
}

bool arrowShown(Game& game, int gate, int arrow)
{
    auto* group = dynamic_cast<Group*>(game.scene->gates->getChild(gate));
    return group->getChild(arrow)->visible;
}

// The world box of gate `index`: {min x, min y, min z, max x, max y, max z}.
std::vector<float> gateBox(Game& game, int index)
{
    return testsupport::worldBox(*game.scene->gates->getChild(index));
}

} // namespace

class RaceTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_FALSE(data.directory().empty());
        counter.set(5 * second);
    }

    // Starts a race on the complete test level and runs its first update (the clock starts there).
    void startTestRace(Game& game)
    {
        game.selectLevel(TestLevelData::complete);
        game.startRace();
        ASSERT_TRUE(game.racing);
        game.updateFrame();
    }

    TestLevelData data;
    ManualCounter counter;
};

TEST_F(RaceTest, GatesCountOnlyInOrderAndTheLastOneFinishesInTheStepThatEntersIt)
{
    ScopedGame game(data.directory());
    startTestRace(game);
    EXPECT_EQ(game.gateCount, 3);
    EXPECT_EQ(game.currentGate, 0);

    // Gate 1 first counts for nothing.
    EXPECT_TRUE(stepTo(game, 0, 5, testsupport::testGateZ[1]));
    EXPECT_EQ(game.currentGate, 0);
    EXPECT_TRUE(stepTo(game, 0, 5, testsupport::testGateZ[0]));
    EXPECT_EQ(game.currentGate, 1);
    EXPECT_FALSE(arrowShown(game, 0, 2) || arrowShown(game, 0, 3)) << "a passed gate shows no arrow";
    EXPECT_TRUE(arrowShown(game, 1, 3) && !arrowShown(game, 1, 2)) << "the next gate shows the large one";
    EXPECT_TRUE(stepTo(game, 0, 5, testsupport::testGateZ[1]));
    EXPECT_EQ(game.currentGate, 2);

    // Ten units before the last gate, then a step that ends inside its box: the finish lies where
    // the step's segment entered the box (within the probe radius), not at the step's end.
    const float entry = gateBox(game, 2)[2] - gateProbeRadius;
    const double before = testsupport::testGateZ[2] - 10.0;
    EXPECT_TRUE(stepTo(game, 0, 5, before));
    game.airplane->stepCount = game.airplane->recordingStartStep + 599;
    EXPECT_TRUE(game.racing);
    EXPECT_FALSE(stepTo(game, 0, 5, testsupport::testGateZ[2])) << "the finishing step stops the flight";
    EXPECT_FALSE(game.racing);
    EXPECT_FALSE(game.airplane->crashed);
    EXPECT_EQ(game.currentGate, 3);
    EXPECT_EQ(game.menu->menuState, raceFinishedPage);
    const double fraction = (entry - before) / 10.0;
    EXPECT_NEAR(game.raceTime, std::floor((599 + fraction) * 1000.0 / 60.0), 1.0);
    EXPECT_LT(game.raceTime, 600 * 1000.0 / 60.0);
    EXPECT_EQ(game.raceTime, std::floor(game.raceTime)) << "whole milliseconds";

    // One finish time for the HUD, the ghost and the highscore test.
    LevelEntry& level = *game.levels[TestLevelData::complete];
    ASSERT_EQ(level.ghosts.size(), 1u);
    EXPECT_EQ(level.ghosts[0]->raceTime, game.raceTime);
    EXPECT_EQ(game.airplane->recording, nullptr) << "the level owns the recording now";
}

TEST_F(RaceTest, APylonTouchedWhileTheCentreIsInTheGateIsACrash)
{
    ScopedGame game(data.directory());
    startTestRace(game);
    const float radius = game.airplaneModel->sphere.radius;
    ASSERT_GT(radius, 0.1f);
    auto* gate = dynamic_cast<Group*>(game.scene->gates->getChild(0));
    const std::vector<float> pylon = testsupport::worldBox(*gate->getChild(1)); // the one at +x
    const std::vector<float> box = gateBox(game, 0);
    ASSERT_LT(pylon[0], box[3]);

    // Inside the gate's box, half a radius from the pylon's inner face.
    const double x = pylon[0] - radius * 0.5;
    EXPECT_FALSE(stepTo(game, x, 5, testsupport::testGateZ[0]));
    EXPECT_TRUE(game.airplane->crashed);
    EXPECT_EQ(game.currentGate, 0) << "not passed";
    EXPECT_TRUE(game.racing) << "the display step ends the race";

    // A full radius and a bit away from the pylon the same gate is passed.
    game.startRace();
    game.updateFrame();
    EXPECT_TRUE(stepTo(game, pylon[0] - radius * 1.05, 5, testsupport::testGateZ[0]));
    EXPECT_FALSE(game.airplane->crashed);
    EXPECT_EQ(game.currentGate, 1);

    // Another gate's pylons are obstacles like the scenery.
    const std::vector<float> later =
        testsupport::worldBox(*dynamic_cast<Group*>(game.scene->gates->getChild(2))->getChild(0));
    EXPECT_FALSE(stepTo(game, 0.5 * (later[0] + later[3]), 5, 0.5 * (later[2] + later[5])));
    EXPECT_TRUE(game.airplane->crashed);
}

TEST_F(RaceTest, TheAltitudeLimitAndTheCourseEdgesAreAllowedAndBeyondThemIsACrash)
{
    const float size = testsupport::testLevelSize;
    const double half = size * 0.5;
    const double above = std::nextafter(half, 1e9);
    const double limits[][3] = {{0, 150.0, 0}, {half, 50, 0}, {-half, 50, 0}, {0, 50, half}, {0, 50, -half}};
    for (const auto& p : limits)
        EXPECT_FALSE(outsideCourse(p, size, size)) << p[0] << " " << p[1] << " " << p[2];
    const double beyond[][3] = {{0, std::nextafter(150.0, 1e9), 0},
                                {above, 50, 0},
                                {-above, 50, 0},
                                {0, 50, above},
                                {0, 50, -above},
                                {std::numeric_limits<double>::quiet_NaN(), 50, 0}};
    for (const auto& p : beyond)
        EXPECT_TRUE(outsideCourse(p, size, size)) << p[0] << " " << p[1] << " " << p[2];

    // The same through the game's own step, with the test level's terrain.
    ScopedGame game(data.directory());
    startTestRace(game);
    EXPECT_TRUE(stepTo(game, half, 150.0, 30));
    EXPECT_FALSE(game.airplane->crashed);
    EXPECT_FALSE(stepTo(game, half, 150.001, 30));
    EXPECT_TRUE(game.airplane->crashed);
}

TEST_F(RaceTest, ACrashStopsTheFlightUntilTheDisplayStepAndARestartShowsTheArrowsAfresh)
{
    ScopedGame game(data.directory());
    startTestRace(game);
    stepTo(game, 0, 5, testsupport::testGateZ[0]);
    stepTo(game, 0, 5, testsupport::testGateZ[1]);
    ASSERT_EQ(game.currentGate, 2);
    game.airplane->transform[13] = 200.0; // above the altitude limit: the next step crashes
    counter.advanceSeconds(0.5);
    game.updateFrame();
    ASSERT_TRUE(game.airplane->crashed);
    const int64_t steps = game.airplane->stepCount;
    const double time = game.raceTime;
    EXPECT_EQ(steps, 3) << "stepping stopped in the step that crashed";
    EXPECT_EQ(time, 50.0);

    // No display step (a hidden window): the crash is neither cleared nor flown on.
    const double z = game.airplane->transform[14];
    for (int frame = 0; frame < 5; ++frame) {
        counter.advanceSeconds(0.2);
        game.updateFrame();
    }
    EXPECT_TRUE(game.airplane->crashed);
    EXPECT_EQ(game.airplane->stepCount, steps);
    EXPECT_EQ(game.raceTime, time);
    EXPECT_EQ(game.airplane->transform[14], z);
    game.displayFrame();
    EXPECT_FALSE(game.racing);
    EXPECT_EQ(game.menu->menuState, crashPage);
    EXPECT_EQ(game.levels[TestLevelData::complete]->ghosts.size(), 0u) << "a crash keeps no ghost";

    // A restart, or choosing another level after a crash at gate 2, leaves gate 2 current no more.
    auto expectFreshArrows = [&] {
        EXPECT_TRUE(arrowShown(game, 0, 3) && !arrowShown(game, 0, 2));
        for (int gate : {1, 2})
            EXPECT_TRUE(arrowShown(game, gate, 2) && !arrowShown(game, gate, 3)) << gate;
    };
    game.startRace();
    expectFreshArrows();
    stepTo(game, 0, 5, testsupport::testGateZ[0]);
    stepTo(game, 0, 5, testsupport::testGateZ[1]);
    stepTo(game, 0, 300, 150);
    game.displayFrame();
    game.selectLevel(TestLevelData::noLight);
    expectFreshArrows();
}

TEST_F(RaceTest, TheRaceClockStartsAtTheFirstUpdateAndCountsSimulatedSteps)
{
    ScopedGame game(data.directory());
    game.selectLevel(TestLevelData::complete);
    game.startRace();
    game.raceTime = 1234;        // whatever the last race left
    counter.advanceSeconds(2.0); // a slow first frame
    game.updateFrame();
    EXPECT_EQ(game.airplane->stepCount, 0);
    EXPECT_EQ(game.raceTime, 0.0);
    counter.advanceSeconds(0.1);
    game.updateFrame();
    EXPECT_EQ(game.airplane->stepCount, 6);
    EXPECT_EQ(game.raceTime, 100.0);
    counter.advanceSeconds(0.01);
    game.updateFrame();
    EXPECT_EQ(game.raceTime, 100.0) << "no step due yet";
}

TEST_F(RaceTest, GhostsKeepTheFasterFlightReplayItAndStayAtTheirLastPose)
{
    ScopedGame game(data.directory());
    LevelEntry& level = *game.levels[TestLevelData::complete];
    ASSERT_TRUE(testsupport::flyRunway(game, counter));
    ASSERT_EQ(level.ghosts.size(), 1u);
    FlightRecording* first = level.ghosts[0];
    const double firstTime = game.raceTime;

    // The next race: standing still the player lets the ghost fly away and finish; it stays at its
    // last pose (the ghost following the player pose by pose is the ghost tests' part).
    startTestRace(game);
    for (int64_t frame = 0; frame < first->sampleCount() + 60; ++frame) {
        counter.advanceSeconds(1.0 / 60);
        game.updateFrame();
    }
    EXPECT_TRUE(std::equal(first->current, first->current + 16, first->samples.back().begin()));

    // A slower finish or a tie keeps the first ghost; a faster one replaces it.
    for (double time : {firstTime + 1, firstTime, firstTime - 1}) {
        auto* recording = new FlightRecording(0);
        level.keepGhost(recording, time);
        ASSERT_EQ(level.ghosts.size(), 1u);
        EXPECT_EQ(level.ghosts[0], time < firstTime ? recording : first) << time;
    }
    EXPECT_EQ(level.ghosts[0]->raceTime, firstTime - 1);
}

TEST_F(RaceTest, LevelsWithoutGatesOrTerrainSayWhyAndStayOnTheTrackSelection)
{
    ScopedGame game(data.directory());
    const struct {
        int index;
        const char* file;
    } cases[] = {{TestLevelData::noGates, "levels\\nogates.xml"},
                 {TestLevelData::noTerrain, "levels\\noterrain.xml"}};
    for (const auto& level : cases) {
        SCOPED_TRACE(level.file);
        game.menu->menuState = mainMenuPage;
        testing::internal::CaptureStderr();
        game.selectLevel(level.index);
        const std::string loading = testing::internal::GetCapturedStderr();
        testing::internal::CaptureStderr();
        game.startRace();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(game.racing);
        EXPECT_EQ(game.airplane, nullptr);
        EXPECT_EQ(game.menu->menuState, trackSelectionPage);
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find(level.file), std::string::npos) << said;
        game.updateFrame();
        game.displayFrame();
    }
    // Without any level chosen there is nothing to race either.
    ScopedGame fresh(data.directory());
    fresh.startRace();
    EXPECT_FALSE(fresh.racing);
    EXPECT_EQ(fresh.menu->menuState, trackSelectionPage);
}

TEST_F(RaceTest, ALevelChosenWhileDisplayListsAreOnGetsItsLists)
{
    ScopedGame game(data.directory());
    RenderSettings::displayLists = true;
    game.selectLevel(TestLevelData::complete);
    ASSERT_NE(game.scene->terrain, nullptr);
    ASSERT_NE(game.scene->terrain->mesh, nullptr);
    EXPECT_NE(game.scene->terrain->mesh->displayList, 0u);
    ASSERT_FALSE(game.scene->gateModel->meshes.empty());
    EXPECT_NE(game.scene->gateModel->meshes.begin()->second->displayList, 0u);

    RenderSettings::displayLists = false;
    game.selectLevel(TestLevelData::noLight);
    EXPECT_EQ(game.scene->terrain->mesh->displayList, 0u);
}
