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
class Model;
class OptionMessages;
class Scene;
class ShadowMapRenderer;
namespace qorm
{
namespace scenegraph
{
class Airplane;
class FlightRecording;
class PursuitCam;
} // namespace scenegraph
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

    // The race (GameRace.cpp).
    // Makes level `index` (>= 0) the current one: drops the previous level's scene, builds this
    // one's from its file (compiling its display lists while they are on) and resets the gates.
    void selectLevel(int index);
    // (Re)starts the race on the current level with a new airplane on the ground at the origin.
    // Without a level, or with one lacking a terrain or gates (one line on standard error names the
    // file), no race starts and the track selection shows.
    void startRace();
    // Makes gate `index` the next one to fly through: its large arrow shows, the previous current
    // gate loses both arrows. Indices outside the course only move `currentGate`.
    void setCurrentGate(int index);
    // Offers the finished flight's recording to the current level as its ghost, with the finish time
    // and the splits; a recording the level keeps is written to its ghost file when
    // `savesGhostFiles` is on.
    void finishRace();
    // The ghost of the current level (the one the race runs against), or null.
    const qorm::scenegraph::FlightRecording* levelGhost() const;
    // The rules applied after every simulation step, on that step's pose: the gate test, then the
    // scenery, bounds and altitude tests. False when the step crashed or finished the race, which
    // stops the flight in that step.
    bool raceStep();
    // Draws the ghost airplanes of the current level (when the ghost switch is on) half
    // see-through, with depth writes off, at animation time `time` (seconds).
    void drawGhosts(double& time);
    // Whether the finished race's time enters the current level's highscore table as a new entry
    // (a time the table already holds does not).
    bool finishQualifies() const;
    // The menu page to show once no race runs (1 crash, 2 race finished, 3 track selection).
    void showPage(int page);

    // The help overlay, white, at (50, 100) line under line; cached in `helpList` while display
    // lists are on.
    void drawHelp();

    // The texts of the race-finished page under its items: the time, or the name prompt when the
    // time enters the level's table, or the time with "Highscore saved." once the name is stored;
    // and the gap to the ghost when the race ran against one.
    void drawRaceFinished();

    // During a race, for splitShownMilliseconds of race time after each gate: its split under the
    // race time and, when the level's ghost passed that gate, the gap to the ghost's split there.
    void drawSplit();
    static constexpr double splitShownMilliseconds = 2000.0;

    // The name prompt is on screen: the race-finished page shows, the finished race's time enters
    // the current level's table, it has not been saved yet and a name is being typed. Only then do
    // letters, Backspace and Enter reach the name.
    bool namePromptShown() const;

    // Releases what the Game owns; the exit handler runs it before deleting the object.
    void cleanUp();

    int64_t counterFrequency;              // counter ticks per second
    int64_t lastFrameCounter;              // counter value at the previous display step
    Scene* scene;                          // not owned (its level entry owns it): the current level's scene
    qorm::scenegraph::Airplane* airplane;  // owned: the airplane of the current race; null before the first
    qorm::scenegraph::PursuitCam* camera;  // owned: the one camera, pursuit view at first
    Model* airplaneModel;                  // owned: models\airplane.dae; also drawn for the ghosts, and its
                                           // bounding sphere is the airplane's collision volume
    int32_t frameCount;                    // frames drawn in the current frame-rate window
    double frameSeconds;                   // seconds accumulated in the current frame-rate window
    bool racing;                           // a race runs; selects race or menu in both steps
    bool enteringName;                     // a highscore name is being typed
    bool highscoreSaved;                   // the finished race's highscore has been stored
    bool highscoreWritten;                 // ... and its file written (false: kept in memory only)
    std::optional<std::string> playerName; // the name being typed; exists from the start of name
                                           // entry until it is saved; at most maxNameLength letters
    std::string dataDirectory;             // data directory with trailing separator
    int32_t currentGate;                   // index of the next gate to fly through
    int32_t gateCount;                     // number of gates of the current level
    int64_t raceStart;                     // counter value at race start: the first update of the race
    double raceTime;                       // race time in whole milliseconds: simulated steps x 1000 / 60;
                                           // once finished, the instant the last gate was entered
    bool raceClockRunning;                 // the first update of the race has started its clock
    std::vector<double> splits;            // race time (ms) at which each gate of this race was passed:
                                           // the instant the centre entered its box, as for the finish
    std::optional<double> ghostGap;        // finish time minus the time of the ghost the finished race
                                           // ran against (ms); empty without a ghost
    bool savesGhostFiles;                  // a ghost the level keeps is written to its file (the race
                                           // tool turns this off)
    Menu* menu;                            // owned: the menu; its menuState is the page shown
    OptionMessages* optionMessages;        // owned: the timed status lines of the F-keys
    GLuint helpList;                       // cached help overlay display list; 0 = none
    ShadowMapRenderer* shadowMap;          // owned: frame buffers and passes of the cartoon race view
    std::vector<LevelEntry*> levels;       // owned: the level catalogue, one entry per track, in file order
    int32_t currentLevel;                  // index of the selected level; -1 = none yet

    // Frames per second over the current window: frameCount / frameSeconds, truncated.
    int framesPerSecond() const;

    static constexpr std::size_t maxNameLength = 16; // letters of a highscore name; more would
                                                     // run off the finished page

  private:
    // The race branch of the update step: starts the race clock at the first update, flies the
    // steps due at `now` (counter ticks), moves the ghosts along and updates the race time.
    void updateRace(int64_t now);
    // The race view: scene, airplane, see-through objects, ghosts, cockpit panel.
    void drawRaceView(double time);
};

// The one controller; created by main, deleted by its exit handler. Every GLUT callback reaches the
// Game through it.
extern Game* game;
