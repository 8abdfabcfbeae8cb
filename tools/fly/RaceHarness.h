// Runs one race of the real Game on a manual performance counter: the level is loaded as the game
// loads it, the flight keys of a script reach the airplane at their exact race times, and the
// game's own update (and, when asked, display) steps run at a fixed number of frames per simulated
// second. The result depends on the script alone, never on the machine.
#pragma once

#include "FlightScript.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Game;

namespace fly
{

constexpr int windowWidth = 800;
constexpr int windowHeight = 600;
constexpr int64_t raceTimeLimit = 10 * 60 * 1000; // ten simulated minutes, in milliseconds

struct RaceResult {
    enum Kind { finished, crashed, timeout } kind = timeout;
    double milliseconds = 0;        // race time at the end
    int gate = 0;                   // gates passed
    int gateCount = 0;              // gates of the course
    std::vector<double> splits;     // race time of each gate passed, milliseconds
    std::optional<double> ghostGap; // against a ghost: the gap (ms) at the last gate both passed
};

// The result line: "finished MS", "crashed MS gate G/N" or "timeout MS gate G/N".
std::string describe(const RaceResult& result);

// "splits MS MS ...", one time per gate passed ("splits" alone before the first gate).
std::string describeSplits(const RaceResult& result);

// "gap +MS" or "gap -MS" (milliseconds behind or ahead of the ghost at the last gate both passed,
// the finish when the race finished), or "gap none" before the first gate.
std::string describeGap(const RaceResult& result);

// The exit status of a result: 0 finished, 3 crashed, 4 timeout.
int exitStatus(const RaceResult& result);

// Creates the 800 x 600 window with its GL context, initialises GLEW, the extensions the game
// needs. False (with the game's own message) when the GL context is unusable.
bool openWindow(int& argc, char** argv, const char* title);

// Called after each frame's update with the game and the race time of the frame in milliseconds
// (possibly fractional); may append control changes at times not before that to `events`.
using Pilot = std::function<void(Game& game, double raceMilliseconds, std::vector<ScriptEvent>& events)>;

class RaceHarness
{
  public:
    // Installs the manual counter, builds the Game on `dataDirectory` with ghost files neither
    // used (the ghosts read at start-up are dropped) nor written, selects `level` (a level path as the
    // catalogue writes it; a path the catalogue does not list is added for this run) and starts the race.
    // `cartoon`: 1 cartoon path, 0 plain path, -1 the game's default. Everything the loaders print is passed
    // through; `loadProblems` tells whether there was anything.
    RaceHarness(const std::string& dataDirectory, const std::string& level, int cartoon);
    // Races against the ghost in the file `path` instead of the level's own ghost. False, with the
    // one-line reason in `problem`, when the file is missing or refused.
    bool raceAgainst(const std::string& path, std::string& problem);

    // After a finished race that became the level's ghost (no ghost, or a faster finish than the
    // ghost's): writes that ghost to `path` as the game writes ghost files. False with a message
    // on standard error otherwise, or when the file could not be written.
    bool saveFlightGhost(const RaceResult& result, const std::string& path);

    // Releases the game without writing any file and restores the real counter.
    ~RaceHarness();
    RaceHarness(const RaceHarness&) = delete;
    RaceHarness& operator=(const RaceHarness&) = delete;

    // Flies the race at `framesPerSecond` frames per simulated second until it finishes, crashes
    // or reaches the time limit. `events` are applied at their race times; `pilot` may add more.
    // With `render` every frame is drawn through the game's display step and its wall-clock time
    // is kept in `frameMilliseconds`.
    RaceResult fly(std::vector<ScriptEvent>& events, int framesPerSecond, bool render,
                   const Pilot& pilot = Pilot());

    Game* game;                            // owned
    bool loadProblems;                     // loading printed anything on either stream
    bool ready;                            // a race is running after the start
    std::vector<double> frameMilliseconds; // wall-clock time of each drawn frame

  private:
    void apply(const ScriptEvent& event);
};

} // namespace fly
