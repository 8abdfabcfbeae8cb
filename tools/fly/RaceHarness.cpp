#include "RaceHarness.h"

#include "OutputCapture.h"

#include "app/Game.h"
#include "app/GhostFile.h"
#include "app/LevelEntry.h"
#include "app/Window.h"
#include "flight/Airplane.h"
#include "flight/FlightRecording.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "render/Globals.h"
#include "render/RenderSettings.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <memory>

namespace fly
{

namespace
{

// The manual counter: the race starts at one second, so no instant of the race is zero.
constexpr int64_t startTicks = 1000000000;
int64_t ticks = startTicks;

int64_t readTicks()
{
    return ticks;
}

// Counter ticks of the race time `milliseconds` (exact: the frequency is a multiple of 1000).
int64_t instantOf(int64_t milliseconds)
{
    return startTicks + milliseconds * (platform::queryPerformanceFrequency() / 1000);
}

void ignoreDisplay() {}

} // namespace

std::string describe(const RaceResult& result)
{
    const std::string time = std::to_string(int64_t(result.milliseconds));
    const std::string gates = " gate " + std::to_string(result.gate) + "/" + std::to_string(result.gateCount);
    switch (result.kind) {
    case RaceResult::finished:
        return "finished " + time;
    case RaceResult::crashed:
        return "crashed " + time + gates;
    default:
        return "timeout " + time + gates;
    }
}

std::string describeSplits(const RaceResult& result)
{
    std::string line = "splits";
    for (double split : result.splits)
        line += " " + std::to_string(int64_t(split));
    return line;
}

std::string describeGap(const RaceResult& result)
{
    if (!result.ghostGap)
        return "gap none";
    const int64_t gap = int64_t(*result.ghostGap);
    return std::string("gap ") + (gap < 0 ? "-" : "+") + std::to_string(gap < 0 ? -gap : gap);
}

int exitStatus(const RaceResult& result)
{
    switch (result.kind) {
    case RaceResult::finished:
        return 0;
    case RaceResult::crashed:
        return 3;
    default:
        return 4;
    }
}

bool openWindow(int& argc, char** argv, const char* title)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow(title);
    // Events are processed by hand between frames; freeglut insists on a display callback.
    glutDisplayFunc(ignoreDisplay);
    glutIgnoreKeyRepeat(1);
    if (!initExtensions())
        return false;
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    reshapeWindow(windowWidth, windowHeight);
    return true;
}

RaceHarness::RaceHarness(const std::string& dataDirectory, const std::string& level, int cartoon)
    : game(nullptr), loadProblems(false), ready(false)
{
    ticks = startTicks;
    platform::setCounterSource(readTicks);
    if (cartoon >= 0)
        RenderSettings::cgShaders = cartoon == 1;

    OutputCapture capture;
    game = new Game(dataDirectory);
    game->savesGhostFiles = false;
    // The race depends on the script alone, not on ghosts the player's races left in the data.
    for (LevelEntry* entry : game->levels) {
        for (qorm::scenegraph::FlightRecording* ghost : entry->ghosts)
            delete ghost;
        entry->ghosts.clear();
    }
    ::game = game;
    int index = -1;
    for (size_t i = 0; i < game->levels.size(); ++i) {
        if (game->levels[i]->path == level) {
            index = int(i);
            break;
        }
    }
    if (index < 0) {
        game->levels.push_back(new LevelEntry(level, level));
        index = int(game->levels.size()) - 1;
    }
    game->selectLevel(index);
    game->startRace();
    capture.finish();
    std::cout << capture.output << std::flush;
    std::cerr << capture.errors << std::flush;
    loadProblems = !capture.output.empty() || !capture.errors.empty();
    ready = game->racing && game->airplane;
}

RaceHarness::~RaceHarness()
{
    // The tool stores no scores: with empty tables the release writes no highscore file.
    for (LevelEntry* level : game->levels)
        level->highscores.clear();
    game->cleanUp();
    delete game;
    ::game = nullptr;
    platform::setCounterSource(nullptr);
}

bool RaceHarness::raceAgainst(const std::string& path, std::string& problem)
{
    std::unique_ptr<qorm::scenegraph::FlightRecording> ghost = readGhostFile(path, problem);
    if (!ghost) {
        problem = ghostProblemLine(path, problem.empty() ? "no such file" : problem);
        return false;
    }
    LevelEntry& level = *game->levels[size_t(game->currentLevel)];
    for (qorm::scenegraph::FlightRecording* old : level.ghosts)
        delete old;
    level.ghosts.clear();
    const double time = ghost->raceTime;
    level.keepGhost(ghost.release(), time);
    return true;
}

bool RaceHarness::saveFlightGhost(const RaceResult& result, const std::string& path)
{
    const qorm::scenegraph::FlightRecording* ghost = game->levelGhost();
    if (result.kind != RaceResult::finished || (result.ghostGap && *result.ghostGap >= 0) || !ghost) {
        std::cerr << "aerovant-fly: the flight is not the level's ghost; \"" << path << "\" not written\n";
        return false;
    }
    return platform::replaceFile(path, ghostFileContents(*ghost));
}

void RaceHarness::apply(const ScriptEvent& event)
{
    qorm::scenegraph::Airplane* airplane = game->airplane;
    if (!airplane)
        return;
    if (event.key == "up")
        airplane->handleSpecialKey(GLUT_KEY_UP, event.down);
    else if (event.key == "down")
        airplane->handleSpecialKey(GLUT_KEY_DOWN, event.down);
    else if (event.key == "left")
        airplane->handleSpecialKey(GLUT_KEY_LEFT, event.down);
    else if (event.key == "right")
        airplane->handleSpecialKey(GLUT_KEY_RIGHT, event.down);
    else if (!event.key.empty())
        airplane->handleKey(static_cast<unsigned char>(event.key[0]), event.down);
}

RaceResult RaceHarness::fly(std::vector<ScriptEvent>& events, int framesPerSecond, bool render,
                            const Pilot& pilot)
{
    RaceResult result;
    if (!ready || framesPerSecond <= 0)
        return result;
    const int64_t frequency = platform::queryPerformanceFrequency();
    size_t next = 0;
    for (int64_t frame = 0;; ++frame) {
        const int64_t frameTicks = startTicks + frame * frequency / framesPerSecond;
        // Keys reach the airplane at their own instants, between the frames, as a player's do.
        while (next < events.size() && instantOf(events[next].milliseconds) <= frameTicks) {
            ticks = instantOf(events[next].milliseconds);
            apply(events[next]);
            ++next;
        }
        ticks = frameTicks;
        game->updateFrame();

        if (render) {
            const auto begin = std::chrono::steady_clock::now();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            game->displayFrame();
            glutSwapBuffers();
            glFinish();
            const auto end = std::chrono::steady_clock::now();
            frameMilliseconds.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
            glutMainLoopEvent();
        }

        result.milliseconds = game->raceTime;
        result.gate = game->currentGate;
        result.gateCount = game->gateCount;
        result.splits = game->splits;
        // A finish faster than the ghost makes the flight the level's ghost: the game kept the gap
        // to the ghost it raced against.
        result.ghostGap = game->ghostGap;
        const qorm::scenegraph::FlightRecording* ghost = game->levelGhost();
        const size_t common = ghost ? std::min(result.splits.size(), ghost->splits.size()) : 0;
        if (game->racing && common > 0)
            result.ghostGap = result.splits[common - 1] - ghost->splits[common - 1];
        if (game->airplane && game->airplane->crashed) {
            result.kind = RaceResult::crashed;
            return result;
        }
        if (!game->racing) {
            result.kind = RaceResult::finished;
            return result;
        }
        if (game->raceTime >= double(raceTimeLimit)) {
            result.kind = RaceResult::timeout;
            return result;
        }
        if (pilot)
            pilot(*game, double(frameTicks - startTicks) * 1000.0 / double(frequency), events);
    }
}

} // namespace fly
