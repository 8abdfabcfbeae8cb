#include "app/Game.h"

#include "app/LevelCatalogue.h"
#include "app/LevelEntry.h"
#include "app/RaceView.h"
#include "flight/Airplane.h"
#include "flight/PursuitCam.h"
#include "loaders/ColladaLoader.h"
#include "platform/Clock.h"
#include "render/Globals.h"
#include "render/RenderSettings.h"
#include "scene/Model.h"
#include "shading/CgCartoon.h"
#include "shading/ShadowMapRenderer.h"

#include <GL/freeglut.h>

#include <cstdlib>

Game* game = nullptr;

Game::Game(const std::string& directory)
    : counterFrequency(0), lastFrameCounter(0), scene(nullptr), airplane(nullptr), camera(nullptr),
      airplaneModel(nullptr), frameCount(0), frameSeconds(0.0), racing(false), enteringName(false),
      highscoreSaved(false), dataDirectory(directory), currentGate(0), gateCount(0), raceStart(0),
      raceTime(0.0), raceClockRunning(false), pageRequested(-1), helpList(0), shadowMap(nullptr),
      currentLevel(-1)
{
    levels = loadLevelCatalogue(dataDirectory);

    shadowMap = new ShadowMapRenderer(dataDirectory);

    CgCartoon* cartoon = new CgCartoon(dataDirectory);
    delete cartoonShader;
    cartoonShader = cartoon;

    camera = new qorm::scenegraph::PursuitCam(qorm::scenegraph::PursuitCam::Pursuit);
    airplaneModel = loadModel(dataDirectory, "models\\airplane.dae");

    counterFrequency = platform::queryPerformanceFrequency();
    lastFrameCounter = platform::queryPerformanceCounter();
}

void Game::updateFrame()
{
    if (racing)
        updateRace(platform::queryPerformanceCounter());
    glutPostRedisplay();
}

void Game::displayFrame()
{
    const int64_t now = platform::queryPerformanceCounter();
    frameSeconds += double(now - lastFrameCounter) / double(counterFrequency);
    lastFrameCounter = now;
    frameCount += 1;

    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);

    if (racing) {
        drawRaceView(raceTime / 1000.0);
        // The crash shows from the next frame on; this one still shows the race.
        if (airplane && airplane->crashed) {
            showPage(1); // the crash page
            racing = false;
        }
    } else {
        if (RenderSettings::transparency)
            enableBlending();
        if (RenderSettings::wireframe)
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }

    if (RenderSettings::transparency)
        enableBlending();

    glColor3f(1, 1, 1);

    // The displayed rate is the average over a window that restarts once it spans a second or more.
    if (frameSeconds >= 1.0) {
        frameCount = 0;
        frameSeconds = 0.0;
    }

    if (RenderSettings::wireframe)
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);

    // Everything drawn in this frame has re-applied the texture filters.
    if (RenderSettings::filterChanged)
        RenderSettings::filterChanged = false;
}

int Game::framesPerSecond() const
{
    if (frameSeconds <= 0.0)
        return 0;
    return int(double(frameCount) / frameSeconds);
}

void Game::handleKeyboard(unsigned char key)
{
    if (key == 27) {
        // The main menu is the only page so far: ESC there ends the program.
        racing = false;
        std::exit(0);
    }
}

void Game::handleSpecial(int key)
{
    (void)key;
    RenderSettings::updateFilters();
}

void Game::cleanUp()
{
    delete airplane;
    airplane = nullptr;
    delete airplaneModel;
    airplaneModel = nullptr;
    delete camera;
    camera = nullptr;
    delete shadowMap;
    shadowMap = nullptr;
    delete cartoonShader;
    cartoonShader = nullptr;
    for (LevelEntry* level : levels) {
        level->releaseLevel();
        delete level;
    }
    levels.clear();
}
