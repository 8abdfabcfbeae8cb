#include "app/Game.h"

#include "app/LevelCatalogue.h"
#include "app/LevelEntry.h"
#include "app/Menu.h"
#include "app/OptionMessages.h"
#include "app/Overlays.h"
#include "app/RaceView.h"
#include "flight/Airplane.h"
#include "flight/PursuitCam.h"
#include "loaders/ColladaLoader.h"
#include "platform/Clock.h"
#include "render/Globals.h"
#include "render/RenderSettings.h"
#include "render/ShadingState.h"
#include "scene/Model.h"
#include "shading/CgCartoon.h"
#include "shading/ShadowMapRenderer.h"

#include <GL/freeglut.h>

#include <cstdlib>

Game* game = nullptr;

Game::Game(const std::string& directory)
    : counterFrequency(0), lastFrameCounter(0), scene(nullptr), airplane(nullptr), camera(nullptr),
      airplaneModel(nullptr), frameCount(0), frameSeconds(0.0), racing(false), enteringName(false),
      highscoreSaved(false), highscoreWritten(false), dataDirectory(directory), currentGate(0), gateCount(0),
      raceStart(0), raceTime(0.0), raceClockRunning(false), savesGhostFiles(true), menu(nullptr),
      optionMessages(nullptr), helpList(0), shadowMap(nullptr), currentLevel(-1)
{
    levels = loadLevelCatalogue(dataDirectory);
    menu = new Menu(this, dataDirectory);
    optionMessages = new OptionMessages(menu->font.get());

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
        drawRaceOverlay(*menu->font, raceTime, currentGate, gateCount);
        drawSplit();
        // The crash shows from the next frame on; this one still shows the race.
        if (airplane && airplane->crashed) {
            showPage(crashPage);
            racing = false;
        }
    } else {
        if (RenderSettings::transparency)
            enableBlending();
        if (RenderSettings::wireframe)
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        menu->draw();
        if (menu->menuState == raceFinishedPage)
            drawRaceFinished();
    }

    if (RenderSettings::transparency)
        enableBlending();

    if (RenderSettings::showFramerate)
        drawFrameRate(*menu->font, framesPerSecond());

    glColor3f(1, 1, 1);

    // The displayed rate is the average over a window that restarts once it spans a second or more.
    if (frameSeconds >= 1.0) {
        frameCount = 0;
        frameSeconds = 0.0;
    }

    if (RenderSettings::showHelp)
        drawHelp();

    optionMessages->drawMessages(double(lastFrameCounter) / double(counterFrequency));

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

void Game::cleanUp()
{
    delete airplane;
    airplane = nullptr;
    delete airplaneModel;
    airplaneModel = nullptr;
    delete camera;
    camera = nullptr;
    delete menu;
    menu = nullptr;
    delete optionMessages;
    optionMessages = nullptr;
    if (helpList != 0) {
        glDeleteLists(helpList, 1);
        helpList = 0;
    }
    delete shadowMap;
    shadowMap = nullptr;
    delete cartoonShader;
    cartoonShader = nullptr;
    for (LevelEntry* level : levels) {
        level->releaseLevel();
        delete level;
    }
    levels.clear();
    // The textures every airplane and shader share go last, after everything that samples them.
    qorm::scenegraph::releasePanelTexture();
    releaseWhiteTexture();
}
