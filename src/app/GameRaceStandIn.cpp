// Stand-in for the race start until the race rules land: loads the level and flags a race.
#include "app/Game.h"

#include "app/LevelEntry.h"
#include "platform/Clock.h"

void Game::selectLevel(int index)
{
    if (index < 0 || index >= int(levels.size()))
        return;
    currentLevel = index;
    levels[std::size_t(index)]->loadScene();
    scene = levels[std::size_t(index)]->scene;
}

void Game::startRace()
{
    racing = true;
    highscoreSaved = false;
    currentGate = 0;
    raceStart = platform::queryPerformanceCounter();
    raceTime = 0.0;
}
