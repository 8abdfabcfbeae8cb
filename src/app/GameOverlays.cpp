// The Game's overlays that depend on its state: the help text with its display list, and the texts
// of the race-finished page with the highscore name entry.
#include "app/Game.h"

#include "app/HighscoreTable.h"
#include "app/LevelEntry.h"
#include "app/Menu.h"
#include "app/Overlays.h"
#include "flight/FlightRecording.h"
#include "loaders/Font.h"
#include "render/RenderSettings.h"

void Game::drawHelp()
{
    Font& font = *menu->font;
    glColor3f(1.0f, 1.0f, 1.0f);
    // The font's state set-up stays outside the list: recorded, it would replay whatever texture
    // and lighting state happened to hold while compiling, and the filters of that moment.
    font.beginText();
    if (RenderSettings::displayLists) {
        if (helpList == 0) {
            helpList = glGenLists(1);
            if (helpList != 0)
                glNewList(helpList, GL_COMPILE_AND_EXECUTE);
            drawHelpLines(font);
            if (helpList != 0)
                glEndList();
        } else {
            glCallList(helpList);
        }
    } else {
        if (helpList != 0) {
            glDeleteLists(helpList, 1);
            helpList = 0;
        }
        drawHelpLines(font);
    }
    font.endText();
}

bool Game::namePromptShown() const
{
    return !racing && menu && menu->menuState == raceFinishedPage && enteringName && playerName &&
           !highscoreSaved && finishQualifies();
}

void Game::drawSplit()
{
    if (splits.empty() || raceTime - splits.back() >= splitShownMilliseconds)
        return;
    std::optional<double> gap;
    const std::size_t gate = splits.size() - 1;
    const qorm::scenegraph::FlightRecording* ghost = levelGhost();
    if (ghost && gate < ghost->splits.size())
        gap = splits.back() - ghost->splits[gate];
    drawSplitOverlay(*menu->font, splits.back(), gap);
}

void Game::drawRaceFinished()
{
    Font& font = *menu->font;
    if (ghostGap)
        drawGhostGap(font, *ghostGap);
    const FinishedScreen stored = highscoreWritten ? FinishedScreen::saved : FinishedScreen::notSaved;
    if (highscoreSaved) {
        drawFinishedScreen(font, stored, raceTime, "");
        return;
    }
    if (!finishQualifies()) {
        drawFinishedScreen(font, FinishedScreen::timeOnly, raceTime, "");
        return;
    }
    if (!playerName) {
        enteringName = true;
        playerName.emplace();
    }
    if (enteringName) {
        drawFinishedScreen(font, FinishedScreen::enteringName, raceTime, *playerName);
        return;
    }
    // Enter was pressed on the prompt: store the name, and show the new entry in the menus.
    // A file that cannot be written says so on the console; the page says the entry was not stored.
    highscoreWritten = addHighscore(*levels[std::size_t(currentLevel)], *playerName, raceTime);
    playerName.reset();
    highscoreSaved = true;
    menu->buildPages();
    drawFinishedScreen(font, highscoreWritten ? FinishedScreen::saved : FinishedScreen::notSaved, raceTime,
                       "");
}
