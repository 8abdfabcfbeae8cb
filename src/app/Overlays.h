// The texts the game writes over the picture besides the menu: race time and gate counter, frame
// rate, the help text and the race-finished texts. All of it is drawn with the menu's font in the
// 800 x 600 overlay space; every function leaves the projection it found loaded, the model-view
// matrix selected and unchanged.
#pragma once

#include <optional>
#include <string>
#include <vector>

class Font;

// Colour of every overlay text except the help (which is white): RGB (0.8, 0.1, 0.0).
void setOverlayRed();

// Colour of a gap that gains on the ghost or ties with it: RGB (0.0, 0.8, 0.2), apart from the
// overlay red at a glance. Gaps are drawn over a dark shadow.
void setOverlayGreen();

// A gap to the ghost in milliseconds as a signed race time: "-00:00:456" ahead of the ghost,
// "+00:01:234" behind it or level with it ("+00:00:000").
std::string formatGap(double milliseconds);

// A race time in milliseconds as MM:SS:mmm (whole milliseconds, truncated; minutes take as many
// digits as they need, so a race of an hour or more shows three or more). Negative or undefined
// times read 00:00:000.
std::string formatRaceTime(double milliseconds);

// "3/12": gates passed of all gates.
std::string gateCounterText(int currentGate, int gateCount);

// During a race: the race time at (625, 20) and the gate counter at (625, 40), overlay red.
void drawRaceOverlay(Font& font, double raceTime, int currentGate, int gateCount);

// Under the race time: the split at (625, 60), overlay red, and the gap to the ghost's split when
// there is one at (625, 80), its digits under the split's, overlay red behind and green otherwise.
void drawSplitOverlay(Font& font, double split, const std::optional<double>& gap);

// On the race-finished page, over its other texts: "GHOST: " and the gap at (390, 170), overlay
// red behind the ghost and green otherwise.
void drawGhostGap(Font& font, double gap);

// "FPS: N" at (10, 20), overlay red.
void drawFrameRate(Font& font, int framesPerSecond);

// The 21 lines of the help overlay, three of them empty.
const std::vector<std::string>& helpText();

// The help lines at (50, 100 + 20 k), under the font's beginText: the part of the help overlay that
// may be recorded into a display list.
void drawHelpLines(const Font& font);

// What the race-finished page shows under its menu items.
enum class FinishedScreen {
    timeOnly,     // "YOUR TIME: " and the time
    enteringName, // "Great race!", "Please enter your name:" and the name typed so far
    saved,        // the time, with "Highscore saved." below it
    notSaved,     // the time, with "Highscore not saved." below it (the file could not be written)
};

// Draws the race-finished texts, overlay red. `name` is used only while entering a name.
void drawFinishedScreen(Font& font, FinishedScreen screen, double raceTime, const std::string& name);
