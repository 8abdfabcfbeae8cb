// A Game on a data directory of the test's own: the bundled font, menu pictures and shaders, and a
// level catalogue the test writes. Highscore files land there, never in the build's data. Also what
// the app tests share around such a Game: a race flown on the test level, and counting pixels of
// what the game shows in the overlay's 800 x 600 units.
#pragma once

#include "app/Game.h"
#include "flight/Airplane.h"
#include "platform/Clock.h"
#include "support/GLContext.h"
#include "support/ManualCounter.h"
#include "support/OffscreenPicture.h"
#include "support/ScratchDirectory.h"
#include "support/TestLevel.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace testsupport
{

// Copies the bundled folders that every Game reads into `scratch` and writes `catalogue` as its
// levels\config.xml.
inline void prepareDataDirectory(const ScratchDirectory& scratch, const std::string& catalogue)
{
    for (const char* folder : {"fonts", "menu", "shader"})
        std::filesystem::copy(std::string(AEROVANT_BIN_DIR) + folder, scratch.path() + folder,
                              std::filesystem::copy_options::recursive);
    scratch.write("levels/config.xml", catalogue);
}

// A Game that releases what it owns when the test ends, as the exit handler does in the program.
struct ScopedGame : Game {
    explicit ScopedGame(const std::string& directory) : Game(directory) {}
    ~ScopedGame() { cleanUp(); }
};

// A GL test whose Game (made by startGame) reads a data directory prepared as above.
class ScratchGameTest : public GLTest
{
  protected:
    void startGame(const std::string& catalogue)
    {
        prepareDataDirectory(scratch, catalogue);
        game = std::make_unique<ScopedGame>(scratch.path());
    }
    void TearDown() override
    {
        game.reset();
        GLTest::TearDown();
    }

    ScratchDirectory scratch;
    ManualCounter counter;
    std::unique_ptr<ScopedGame> game;
};

// Races the complete test level at full throttle along the runway, where the wheels roll through
// all three gates: one update per frame at `framesPerSecond` (frame times exact from the counter's
// value at the start), throttle from `delay` seconds on, until the race ends or a minute has gone.
// `eachFrame` runs after every update. Whether the race finished without a crash.
inline bool flyRunway(Game& game, ManualCounter& counter, int framesPerSecond = 60, double delay = 0.0,
                      const std::function<void()>& eachFrame = {})
{
    const int64_t start = platform::queryPerformanceCounter();
    const int64_t second = platform::queryPerformanceFrequency();
    game.selectLevel(TestLevelData::complete);
    game.startRace();
    game.updateFrame();
    for (int frame = 1; frame < 60 * framesPerSecond && game.racing; ++frame) {
        if (frame >= delay * framesPerSecond)
            game.airplane->handleKey('w', true);
        counter.set(start + frame * second / framesPerSecond);
        game.updateFrame();
        if (eachFrame)
            eachFrame();
    }
    return !game.racing && !game.airplane->crashed;
}

// Pixels of an 800 x 600 picture within [x0, x1) x [y0, y1) in overlay units (y down from the top)
// for which `test` holds.
inline int countInOverlay(const Picture& picture, int x0, int y0, int x1, int y1,
                          const std::function<bool(const uint8_t*)>& test)
{
    int count = 0;
    for (int y = y0; y < y1 && y < picture.height; ++y)
        for (int x = x0; x < x1 && x < picture.width; ++x)
            count += test(picture.at(x, picture.height - 1 - y));
    return count;
}

// The overlay's red text (0.8, 0.1, 0.0 on light letters).
inline bool overlayRed(const uint8_t* p)
{
    return p[0] > 150 && p[1] < 70 && p[2] < 50;
}

// Pixels within the rectangle where `a` and `b` (of the same size) differ clearly.
inline int differencesInOverlay(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1)
{
    return countInOverlay(a, x0, y0, x1, y1, [&](const uint8_t* p) {
        const uint8_t* q = b.rgba.data() + (p - a.rgba.data());
        return std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 60;
    });
}

} // namespace testsupport
