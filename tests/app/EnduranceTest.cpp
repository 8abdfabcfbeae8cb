// Many races back to back in one Game, as a long evening of play would run them: every race on
// another level (the bundled ones and the small test levels, one of which cannot be raced), some
// finished, some crashed, with the render switches changing between them and frames drawn
// throughout. Nothing may pile up: the GL objects alive after a
// warm-up are the ones alive at the end, and releasing the Game gives back every object it made.
#include "app/Game.h"
#include "app/LevelEntry.h"
#include "app/Window.h"
#include "flight/Airplane.h"
#include "render/RenderSettings.h"
#include "support/GLContext.h"
#include "support/LiveResources.h"
#include "support/ManualCounter.h"
#include "support/TestLevel.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using testsupport::LiveGLObjects;
using testsupport::TestLevelData;

namespace
{

// The sanitizer build is several times slower: it runs fewer races, and its allocator keeps freed
// memory in quarantine, so the resident size is bounded only in the plain build. The GL object
// counts are exact and checked in both builds.
#if defined(__SANITIZE_ADDRESS__)
constexpr int raceCount = 40;
constexpr bool boundResidentSize = false;
#else
constexpr int raceCount = 200;
constexpr bool boundResidentSize = true;
#endif
// Resident growth allowed from the warm-up to the end. Measured with the allocator's free pages
// trimmed: 166,724 KiB after race 20 and 166,804 KiB after race 200, and between -60 and +110 KiB
// at every tenth race in between.
constexpr std::size_t allowedGrowth = 5u << 20;
constexpr int warmUpRaces = 20;

// Every race flies at full throttle; a finish on the small levels takes about 370 frames, the
// crashing flight (climbing, then nose down into the ground) about 260 to 700.
constexpr int framesPerRace = 1200; // a race still running then is a failure
constexpr int climbFrames = 100;
constexpr int drawEvery = 60; // one drawn frame per simulated second, and the last one

::testing::AssertionResult sameObjects(const LiveGLObjects& a, const LiveGLObjects& b)
{
    if (a == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "textures " << a.textures << " vs " << b.textures << ", buffers " << a.buffers << " vs "
           << b.buffers << ", display lists " << a.displayLists << " vs " << b.displayLists
           << ", frame buffers " << a.framebuffers << " vs " << b.framebuffers << ", render buffers "
           << a.renderbuffers << " vs " << b.renderbuffers;
}

// The test levels plus the bundled ones, in one catalogue.
class EnduranceData
{
  public:
    EnduranceData()
    {
        const std::string& directory = levels.directory();
        if (directory.empty())
            return;
        std::ifstream written(directory + "levels/config.xml");
        std::string catalogue((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
        catalogue.erase(catalogue.rfind("</levels>"));
        for (const char* level : {"meadow", "alpine", "canyon", "island"}) {
            const std::string from = std::string(AEROVANT_BIN_DIR) + "levels/" + level;
            std::error_code failed;
            std::filesystem::copy(from, directory + "levels/" + level,
                                  std::filesystem::copy_options::recursive, failed);
            if (!failed)
                std::filesystem::copy_file(from + ".xml", directory + "levels/" + level + ".xml", failed);
            if (failed)
                return;
            catalogue += std::string("  <level path=\"levels\\") + level + "\" name=\"" + level + "\"/>\n";
        }
        std::ofstream(directory + "levels/config.xml") << catalogue << "</levels>\n";
        ready = true;
    }

    const std::string& directory() const { return levels.directory(); }

    // Catalogue indices: the test levels', then the bundled ones.
    enum { test = 0, noLight = 1, noSky = 2, noGates = 3, meadow = 5, alpine = 6, canyon = 7, island = 8 };

    bool ready = false;

  private:
    TestLevelData levels;
};

struct RacePlan {
    int level;  // a catalogue index; -1 the bundled level of this cycle
    bool crash; // or a finish
};

// One cycle of races, consecutive ones always on different levels. Loading a bundled level takes
// a quarter of a second, so each cycle has one of them, the next one in the catalogue each time;
// the level that cannot be raced is chosen once per cycle just before it.
const RacePlan cycle[] = {{EnduranceData::test, false},
                          {EnduranceData::noLight, true},
                          {EnduranceData::test, true},
                          {EnduranceData::noSky, false},
                          {-1, true},
                          {EnduranceData::test, false},
                          {EnduranceData::noLight, false},
                          {EnduranceData::noSky, true},
                          {EnduranceData::test, false},
                          {EnduranceData::noLight, true}};
constexpr int bundledLevels[] = {EnduranceData::meadow, EnduranceData::alpine, EnduranceData::canyon,
                                 EnduranceData::island};
constexpr int refusalIndex = 4; // the cycle index before which the level without gates is chosen
constexpr int cycleLength = int(sizeof(cycle) / sizeof(cycle[0]));

class EnduranceTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_TRUE(data.ready);
        reshapeWindow(400, 300);
        glEnable(GL_DEPTH_TEST);
        counter.set(5 * second);
    }
    void TearDown() override
    {
        glDepthMask(GL_TRUE);
        glDisable(GL_DEPTH_TEST);
        RenderSettings::restoreDefaults();
        GLTest::TearDown();
    }

    void nextFrame(Game& game, bool draw)
    {
        counter.advanceSeconds(1.0 / 60.0);
        game.updateFrame();
        if (draw) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            game.displayFrame();
            glutSwapBuffers();
            ++framesDrawn;
        }
    }

    // Flies one race as `plan` says; returns how it really ended.
    std::string race(Game& game, const RacePlan& plan)
    {
        game.selectLevel(plan.level);
        game.startRace();
        if (!game.racing || !game.airplane)
            return "no race";
        qorm::scenegraph::Airplane& airplane = *game.airplane;
        airplane.handleKey('w', true);
        if (plan.crash)
            airplane.handleSpecialKey(GLUT_KEY_DOWN, true);
        for (int frame = 0; frame < framesPerRace; ++frame) {
            if (plan.crash && frame == climbFrames) {
                airplane.handleSpecialKey(GLUT_KEY_DOWN, false);
                airplane.handleSpecialKey(GLUT_KEY_UP, true);
            }
            nextFrame(game, frame % drawEvery == 0);
            if (airplane.crashed) {
                nextFrame(game, true); // the frame that shows the crash page
                return "crash";
            }
            if (!game.racing) {
                nextFrame(game, true);
                return "finish";
            }
        }
        return "timeout";
    }

    // The same state at both counts: the test level loaded with its display lists, no airplane,
    // the menu drawn once.
    void settle(Game& game)
    {
        RenderSettings::displayLists = true;
        game.selectLevel(EnduranceData::test);
        nextFrame(game, true);
    }

    static constexpr int64_t second = 1000000000; // counter ticks
    EnduranceData data;
    ManualCounter counter;
    int framesDrawn = 0;
};

} // namespace

TEST_F(EnduranceTest, ManyRacesOnChangingLevelsKeepNoGLObjectsAndNoMemory)
{
    const auto begin = std::chrono::steady_clock::now();
    const LiveGLObjects before = testsupport::countLiveGLObjects();
    auto game = std::make_unique<Game>(data.directory());
    ASSERT_EQ(game->levels.size(), 9u);
    RenderSettings::ghostPlayers = true;

    LiveGLObjects afterWarmUp;
    std::size_t residentAfterWarmUp = 0;
    int finishes = 0, crashes = 0, refusals = 0, plannedFinishes = 0;
    for (int number = 1; number <= raceCount; ++number) {
        const int index = (number - 1) % cycleLength;
        // The switches change between levels: the cartoon path on in every other cycle, the
        // display lists on in every third.
        const int cycleNumber = (number - 1) / cycleLength;
        RenderSettings::cgShaders = cycleNumber % 2 == 0;
        RenderSettings::displayLists = cycleNumber % 3 == 1;

        if (index == refusalIndex) {
            // The level without gates loads and cannot be raced; the game stays in the menu.
            testing::internal::CaptureStderr();
            game->selectLevel(EnduranceData::noGates);
            game->startRace();
            const std::string errors = testing::internal::GetCapturedStderr();
            refusals += !game->racing && errors.find("no gates") != std::string::npos;
            nextFrame(*game, true);
        }
        RacePlan plan = cycle[index];
        if (plan.level < 0)
            plan.level = bundledLevels[cycleNumber % 4];
        const std::string ending = race(*game, plan);
        plannedFinishes += !plan.crash;
        finishes += ending == "finish";
        crashes += ending == "crash";
        ASSERT_TRUE(ending == "finish" || ending == "crash") << "race " << number << ": " << ending;
        if (number == warmUpRaces) {
            settle(*game);
            afterWarmUp = testsupport::countLiveGLObjects();
            residentAfterWarmUp = testsupport::trimmedResidentBytes();
        }
    }
    settle(*game);
    const LiveGLObjects atEnd = testsupport::countLiveGLObjects();
    const std::size_t residentAtEnd = testsupport::trimmedResidentBytes();

    game->cleanUp();
    game.reset();
    const LiveGLObjects released = testsupport::countLiveGLObjects();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    std::cout << raceCount << " races (" << finishes << " finished, " << crashes << " crashed), "
              << framesDrawn << " frames drawn in " << seconds << " s; resident "
              << residentAfterWarmUp / 1024 << " KiB after race " << warmUpRaces << ", "
              << residentAtEnd / 1024 << " KiB at the end\n";

    // Every race ended as planned, and the level without gates was refused every time.
    EXPECT_EQ(finishes, plannedFinishes);
    EXPECT_EQ(crashes, raceCount - plannedFinishes);
    EXPECT_EQ(refusals, raceCount / cycleLength);

    EXPECT_TRUE(sameObjects(atEnd, afterWarmUp)) << "GL objects at the end vs after the warm-up";
    if (boundResidentSize) {
        ASSERT_GT(residentAfterWarmUp, 0u) << "/proc/self/statm readable";
        EXPECT_LT(residentAtEnd, residentAfterWarmUp + allowedGrowth)
            << "resident size grew from race " << warmUpRaces << " to race " << raceCount;
    }
    EXPECT_TRUE(sameObjects(released, before)) << "GL objects after the game vs before it";
}
