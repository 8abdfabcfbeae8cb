// The Game's key handlers: the F-keys that switch the render settings, the keys that leave the race,
// choose the camera and change the terrain detail, and the typing of a highscore name.
#include "app/Game.h"

#include "app/Menu.h"
#include "app/OptionMessages.h"
#include "flight/Airplane.h"
#include "flight/PursuitCam.h"
#include "render/RenderSettings.h"
#include "scene/Scene.h"
#include "scene/Terrain.h"

#include <GL/freeglut.h>

#include <cstdlib>

namespace
{

constexpr unsigned char enterKey = 13;
constexpr unsigned char escapeKey = 27;
constexpr unsigned char backspaceKey = 8;

bool isLetter(unsigned char key)
{
    return (key >= 'A' && key <= 'Z') || (key >= 'a' && key <= 'z');
}

} // namespace

void Game::handleSpecial(int key)
{
    // Messages carry the time of the last display step, the clock the overlay expires them by.
    const double now = double(lastFrameCounter) / double(counterFrequency);
    switch (key) {
    case GLUT_KEY_F1:
        RenderSettings::showHelp = !RenderSettings::showHelp;
        break;
    case GLUT_KEY_F2:
        RenderSettings::showFramerate = !RenderSettings::showFramerate;
        break;
    case GLUT_KEY_F3:
        glPolygonMode(GL_FRONT_AND_BACK, RenderSettings::wireframe ? GL_FILL : GL_LINE);
        RenderSettings::wireframe = !RenderSettings::wireframe;
        optionMessages->showMessage(RenderSettings::wireframe ? wireframeOn : wireframeOff, now);
        break;
    case GLUT_KEY_F4:
        RenderSettings::linearFiltering = !RenderSettings::linearFiltering;
        RenderSettings::filterChanged = true;
        optionMessages->showMessage(RenderSettings::linearFiltering ? filteringLinear : filteringNearest,
                                    now);
        break;
    case GLUT_KEY_F5:
        RenderSettings::mipmapMode = (RenderSettings::mipmapMode + 1) % 3;
        RenderSettings::filterChanged = true;
        optionMessages->showMessage(mipmappingLinear + RenderSettings::mipmapMode, now);
        break;
    case GLUT_KEY_F6:
        RenderSettings::geometryMode = (RenderSettings::geometryMode + 1) % 3;
        if (RenderSettings::geometryMode != 0) {
            glBindBuffer(GL_ARRAY_BUFFER, 0);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        }
        optionMessages->showMessage(geometryBufferObjects + RenderSettings::geometryMode, now);
        // Display lists hold geometry in the mode they were recorded in.
        if (RenderSettings::displayLists && scene)
            scene->compileGeometry();
        break;
    case GLUT_KEY_F7:
        RenderSettings::displayLists = !RenderSettings::displayLists;
        optionMessages->showMessage(RenderSettings::displayLists ? displayListsOn : displayListsOff, now);
        if (scene) {
            if (RenderSettings::displayLists)
                scene->compileGeometry();
            else
                scene->releaseGeometry();
        }
        break;
    case GLUT_KEY_F8:
        RenderSettings::frustumCulling = !RenderSettings::frustumCulling;
        optionMessages->showMessage(RenderSettings::frustumCulling ? frustumCullingOn : frustumCullingOff,
                                    now);
        break;
    case GLUT_KEY_F9:
        RenderSettings::transparency = !RenderSettings::transparency;
        optionMessages->showMessage(RenderSettings::transparency ? blendingOn : blendingOff, now);
        break;
    case GLUT_KEY_F10:
        RenderSettings::cgShaders = !RenderSettings::cgShaders;
        optionMessages->showMessage(RenderSettings::cgShaders ? cgShaderOn : cgShaderOff, now);
        break;
    case GLUT_KEY_F11:
        RenderSettings::ghostPlayers = !RenderSettings::ghostPlayers;
        optionMessages->showMessage(RenderSettings::ghostPlayers ? ghostOn : ghostOff, now);
        break;
    default:
        // Arrows and the other keys steer during a race.
        if (racing && airplane)
            airplane->handleSpecialKey(key, true);
        break;
    }
    RenderSettings::updateFilters();
}

void Game::handleKeyboard(unsigned char key)
{
    switch (key) {
    case enterKey:
        // Only the prompt on screen takes Enter, so a later finish is never saved under a name
        // typed for another race.
        if (namePromptShown() && !playerName->empty())
            enteringName = false;
        break;
    case escapeKey:
        racing = false;
        if (menu->menuState == mainMenuPage)
            std::exit(0);
        menu->menuState = mainMenuPage;
        break;
    case '+':
        if (scene && scene->terrain)
            scene->terrain->raiseDepth();
        break;
    case '-':
        if (scene && scene->terrain)
            scene->terrain->lowerDepth();
        break;
    case '1':
        camera->mode = qorm::scenegraph::PursuitCam::Cockpit;
        break;
    case '3':
        camera->mode = qorm::scenegraph::PursuitCam::Pursuit;
        break;
    default:
        break;
    }

    if (racing) {
        if (airplane)
            airplane->handleKey(key, true);
        return;
    }
    if (namePromptShown()) {
        if (isLetter(key) && playerName->size() < maxNameLength)
            playerName->push_back(char(key));
        else if (key == backspaceKey && !playerName->empty())
            playerName->pop_back();
    }
}
