// The one controller object: owns everything that lives for the whole run and drives the two steps
// of every frame, the idle step updateFrame and the display step displayFrame.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class LevelEntry;
class Menu;
class OptionMessages;
class Scene;
namespace qorm
{
namespace scenegraph
{
class PursuitCam;
}
} // namespace qorm

class Game
{
  public:
    // Publishes `dataDirectory` (with its trailing separator) as the process-wide data directory.
    explicit Game(const std::string& dataDirectory);

    void updateFrame();  // idle step: advances the race to now, then requests a redisplay
    void displayFrame(); // display step: between the display callback's clear and buffer swap

    void handleKeyboard(unsigned char key);
    void handleSpecial(int key);

    void selectLevel(int index); // makes level `index` the current one, loading its scene
    void startRace();            // starts a race on the current level

    // The help overlay, white, at (50, 100) line under line; cached in `helpList` while display
    // lists are on.
    void drawHelp();

    // The texts of the race-finished page under its items: the time, or the name prompt when the
    // time enters the level's table, or the time with "Highscore saved." once the name is stored.
    void drawRaceFinished();

    // The name prompt is on screen: the race-finished page shows, the finished race's time enters
    // the current level's table, it has not been saved yet and a name is being typed. Only then do
    // letters, Backspace and Enter reach the name.
    bool namePromptShown() const;

    // Releases what the Game owns; the exit handler runs it before deleting the object.
    void cleanUp();

    int64_t counterFrequency;              // counter ticks per second
    int64_t lastFrameCounter;              // counter value at the previous display step
    Scene* scene;                          // not owned (its level entry owns it): the current level's scene
    qorm::scenegraph::PursuitCam* camera;  // owned: the one camera, pursuit view at first
    int32_t frameCount;                    // frames drawn in the current frame-rate window
    double frameSeconds;                   // seconds accumulated in the current frame-rate window
    bool racing;                           // a race runs; selects race or menu in both steps
    bool enteringName;                     // a highscore name is being typed
    bool highscoreSaved;                   // the finished race's highscore has been stored
    std::optional<std::string> playerName; // the name being typed; exists from the start of name
                                           // entry until it is saved; at most maxNameLength letters
    std::string dataDirectory;             // data directory with trailing separator
    int32_t currentGate;                   // index of the next gate to fly through
    int32_t gateCount;                     // number of gates of the current level
    int64_t raceStart;                     // counter value at race start
    double raceTime;                       // elapsed race time in whole milliseconds
    Menu* menu;                            // owned: the menu; its menuState is the page shown
    OptionMessages* optionMessages;        // owned: the timed status lines of the F-keys
    GLuint helpList;                       // cached help overlay display list; 0 = none
    std::vector<LevelEntry*> levels;       // owned: the level catalogue, one entry per track, in file order
    int32_t currentLevel;                  // index of the selected level; -1 = none yet

    // Frames per second over the current window: frameCount / frameSeconds, truncated.
    int framesPerSecond() const;

    static constexpr std::size_t maxNameLength = 16; // letters of a highscore name; more would
                                                     // run off the finished page
};
