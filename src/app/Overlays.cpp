#include "app/Overlays.h"

#include "loaders/Font.h"

#include <GL/glew.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace
{

// Positions in overlay units.
constexpr float raceTextX = 625.0f;
constexpr float raceTimeY = 20.0f;
constexpr float gateCounterY = 40.0f;
constexpr float splitY = 60.0f;
constexpr float splitGapY = 80.0f;
constexpr float frameRateX = 10.0f;
constexpr float frameRateY = 20.0f;
constexpr float helpX = 50.0f;
constexpr float helpTop = 100.0f;
constexpr float helpPitch = 20.0f;
constexpr float finishedLeft = 190.0f;
constexpr float finishedTop = 190.0f;
constexpr float finishedPitch = 20.0f;
constexpr float typedNameX = 290.0f;
constexpr float yourTimeX = 390.0f;
constexpr float ghostGapY = finishedTop - finishedPitch; // above the time, clear of the menu panel

// Beyond every race anyone flies, and well inside what int64 holds.
constexpr double longestShownTime = 1e15;

} // namespace

void setOverlayRed()
{
    glColor3f(0.8f, 0.1f, 0.0f);
}

void setOverlayGreen()
{
    glColor3f(0.0f, 0.8f, 0.2f);
}

namespace
{

// A gap to the ghost over a dark shadow, which keeps it readable over white clouds as over green
// land: red behind the ghost, green level with it or ahead.
void drawGapText(Font& font, float x, float y, const std::string& text, double gap)
{
    constexpr float shadowOffset = 1.5f;
    glColor3f(0.05f, 0.05f, 0.05f);
    font.drawText(x + shadowOffset, y + shadowOffset, text, 1.0f);
    if (gap > 0.0)
        setOverlayRed();
    else
        setOverlayGreen();
    font.drawText(x, y, text, 1.0f);
}

} // namespace

std::string formatGap(double milliseconds)
{
    return (milliseconds < 0.0 ? "-" : "+") + formatRaceTime(std::fabs(milliseconds));
}

std::string formatRaceTime(double milliseconds)
{
    int64_t ms = 0;
    if (milliseconds > 0.0)
        ms = int64_t(milliseconds < longestShownTime ? milliseconds : longestShownTime);
    char text[64];
    std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%03" PRId64, ms / 60000,
                  (ms % 60000) / 1000, ms % 1000);
    return text;
}

std::string gateCounterText(int currentGate, int gateCount)
{
    return std::to_string(currentGate) + "/" + std::to_string(gateCount);
}

void drawRaceOverlay(Font& font, double raceTime, int currentGate, int gateCount)
{
    setOverlayRed();
    font.drawText(raceTextX, raceTimeY, formatRaceTime(raceTime), 1.0f);
    font.drawText(raceTextX, gateCounterY, gateCounterText(currentGate, gateCount), 1.0f);
}

void drawSplitOverlay(Font& font, double split, const std::optional<double>& gap)
{
    setOverlayRed();
    font.drawText(raceTextX, splitY, formatRaceTime(split), 1.0f);
    if (!gap)
        return;
    const std::string text = formatGap(*gap);
    drawGapText(font, raceTextX - font.textWidth(text.substr(0, 1), 1.0f), splitGapY, text, *gap);
}

void drawGhostGap(Font& font, double gap)
{
    drawGapText(font, yourTimeX, ghostGapY, "GHOST: " + formatGap(gap), gap);
}

void drawFrameRate(Font& font, int framesPerSecond)
{
    setOverlayRed();
    font.drawText(frameRateX, frameRateY, "FPS: " + std::to_string(framesPerSecond), 1.0f);
}

const std::vector<std::string>& helpText()
{
    static const std::vector<std::string> lines = {
        "W/S: beschleunigen/bremsen",
        "A/D: Seitenruder links/rechts",
        "LEFT/RIGHT: Querruder links/rechts",
        "UP/DOWN: Hoehenruder hoch/nieder",
        "",
        "1: Cockpit-Kamera",
        "3: Verfolger-Kamera",
        "",
        "F1: Hilfe",
        "F2: Framerate",
        "F3: Wireframe",
        "F4: Texture Filtering",
        "F5: MipMapping",
        "F6: Geometry Mode",
        "F7: Display Lists",
        "F8: View frustum culling",
        "F9: Transparenz",
        "F10: CG Shaders",
        "F11: Ghost Players",
        "",
        "ESC: Spiel beenden",
    };
    return lines;
}

void drawHelpLines(const Font& font)
{
    const std::vector<std::string>& lines = helpText();
    for (std::size_t k = 0; k < lines.size(); ++k)
        font.drawLine(helpX, helpTop + helpPitch * float(k), lines[k], 1.0f);
}

void drawFinishedScreen(Font& font, FinishedScreen screen, double raceTime, const std::string& name)
{
    setOverlayRed();
    if (screen == FinishedScreen::enteringName) {
        font.drawText(finishedLeft, finishedTop, "Great race!", 1.0f);
        font.drawText(finishedLeft, finishedTop + finishedPitch, "Please enter your name:", 1.0f);
        font.drawText(typedNameX, finishedTop + 2.0f * finishedPitch, name, 1.0f);
        return;
    }
    font.drawText(yourTimeX, finishedTop, "YOUR TIME: " + formatRaceTime(raceTime), 1.0f);
    // Kept under the time for as long as the page shows this race, so it cannot be missed.
    if (screen == FinishedScreen::saved)
        font.drawText(yourTimeX, finishedTop + finishedPitch, "Highscore saved.", 1.0f);
    else if (screen == FinishedScreen::notSaved)
        font.drawText(yourTimeX, finishedTop + finishedPitch, "Highscore not saved.", 1.0f);
}
