// The race half of the Game: choosing a level, starting a race, the rules run after every
// simulation step, the finish and the ghosts, and the race view with the airplane.
#include "app/Game.h"

#include "app/GhostFile.h"
#include "app/LevelEntry.h"
#include "app/Menu.h"
#include "app/RaceRules.h"
#include "app/RaceView.h"
#include "flight/Airplane.h"
#include "flight/FlightRecording.h"
#include "flight/PursuitCam.h"
#include "platform/Clock.h"
#include "render/RenderSettings.h"
#include "scene/Group.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/Terrain.h"

#include <GL/glew.h>

#include <cassert>
#include <iostream>

using qorm::scenegraph::Airplane;
using qorm::scenegraph::FlightRecording;

namespace
{

// Menu pages the race sends the player to.
constexpr int crashPageNumber = 1;
constexpr int raceFinishedPageNumber = 2;
constexpr int trackSelectionPageNumber = 3;

// A gate's two arrows: child 2 the small one shown over gates still ahead, child 3 the large one
// over the gate to fly through next.
constexpr int smallArrowSlot = 2;
constexpr int largeArrowSlot = 3;

Group* gateAt(Scene* scene, int index)
{
    if (!scene || !scene->gates)
        return nullptr;
    return dynamic_cast<Group*>(scene->gates->getChild(index));
}

void showArrows(Group* gate, bool small, bool large)
{
    if (!gate)
        return;
    if (Node* arrow = gate->getChild(smallArrowSlot))
        arrow->visible = small;
    if (Node* arrow = gate->getChild(largeArrowSlot))
        arrow->visible = large;
}

// Steps flown since the race started.
int64_t stepsFlown(const Airplane& airplane)
{
    return airplane.stepCount - airplane.recordingStartStep;
}

// Where a ghost is drawn at `now`: at the same step position as the player's drawn pose, which lies
// between the last two steps.
double ghostPosition(const Airplane& airplane, int64_t now)
{
    const int64_t steps = stepsFlown(airplane);
    if (steps == 0)
        return 0.0;
    return double(steps - 1) + airplane.stepFraction(now);
}

} // namespace

void Game::selectLevel(int index)
{
    assert(index >= 0);
    if (index < 0 || index >= int(levels.size()))
        return;
    if (currentLevel >= 0 && currentLevel < int(levels.size())) {
        LevelEntry* previous = levels[size_t(currentLevel)];
        delete previous->scene;
        previous->scene = nullptr;
        previous->loaded = false;
    }
    scene = nullptr;

    LevelEntry* level = levels[size_t(index)];
    level->loadScene();
    scene = level->scene;
    currentLevel = index;

    delete airplane;
    airplane = nullptr;

    gateCount = (scene && scene->gates) ? int32_t(scene->gates->childCount) : 0;
    // Display lists are only ever compiled by the switch; a level loaded while they are on must
    // get its own, or it would be drawn without them until the switch is pressed twice.
    if (scene && RenderSettings::displayLists)
        scene->compileGeometry();
    // The gate index of the last race means nothing in this scene: only gate 0 changes its arrows.
    currentGate = -1;
    setCurrentGate(0);
}

void Game::startRace()
{
    if (!scene) {
        showPage(trackSelectionPageNumber);
        return;
    }
    // The start height, the bounds and the finish need a terrain and at least one gate.
    const char* missing = nullptr;
    if (!scene->terrain || !scene->terrain->loaded)
        missing = "no terrain";
    else if (!scene->gates || scene->gates->childCount == 0)
        missing = "no gates";
    if (missing) {
        const std::string file =
            currentLevel >= 0 ? levels[size_t(currentLevel)]->path + ".xml" : "the level";
        std::cerr << file << ": the level has " << missing << " and cannot be raced\n";
        showPage(trackSelectionPageNumber);
        return;
    }

    racing = true;
    highscoreSaved = false;
    splits.clear();
    ghostGap.reset();
    delete airplane;
    airplane = nullptr;

    // Every gate shows its small arrow again; then gate 0 becomes the current one. The gate that
    // was current when the last race ended is not current any more, so it keeps its small arrow.
    for (int i = 0; i < int(scene->gates->children.size()); ++i)
        showArrows(gateAt(scene, i), true, false);
    currentGate = -1;
    setCurrentGate(0);

    airplane = new Airplane(dataDirectory);
    airplane->followCamera = camera;
    airplane->cockpit.camera = camera;
    airplane->cockpit.model = airplaneModel;

    // On the ground at the origin, nose along +Z: half the airplane's height above the terrain.
    const float ground = scene->terrain->getHeight(0.0f, 0.0f);
    const float extent = airplaneModel ? airplaneModel->bounds.max[1] - airplaneModel->bounds.min[1] : 0.0f;
    airplane->groundHeight = double(ground + extent * 0.5f);
    airplane->transform[12] = 0.0;
    airplane->transform[13] = airplane->groundHeight;
    airplane->transform[14] = 0.0;

    raceStart = platform::queryPerformanceCounter();
    airplane->startRecording(raceStart);
    if (currentLevel >= 0) {
        for (FlightRecording* ghost : levels[size_t(currentLevel)]->ghosts)
            ghost->startTicks = raceStart;
    }
    raceTime = 0.0;
    raceClockRunning = false;
    airplane->afterStep = [this] { return raceStep(); };
    // No step is due yet: this only places the camera and the drawn pose for the first frame.
    airplane->advanceTo(raceStart);
}

void Game::setCurrentGate(int index)
{
    showArrows(gateAt(scene, currentGate), false, false);
    showArrows(gateAt(scene, index), false, true);
    currentGate = index;
}

void Game::finishRace()
{
    if (currentLevel < 0 || !airplane)
        return;
    FlightRecording* recording = airplane->recording;
    airplane->recording = nullptr;
    if (!recording)
        return;
    recording->splits = splits;
    LevelEntry& level = *levels[size_t(currentLevel)];
    if (level.keepGhost(recording, raceTime) && savesGhostFiles)
        saveLevelGhost(level.path, *recording);
}

const FlightRecording* Game::levelGhost() const
{
    if (currentLevel < 0 || currentLevel >= int(levels.size()))
        return nullptr;
    const std::vector<FlightRecording*>& ghosts = levels[size_t(currentLevel)]->ghosts;
    return ghosts.empty() ? nullptr : ghosts.front();
}

bool Game::raceStep()
{
    if (!racing || !airplane || !scene || !scene->gates || !scene->terrain)
        return false; // startRace makes sure these exist; nothing to judge without them
    const double* pose = airplane->transform;
    const double position[3] = {pose[12], pose[13], pose[14]};
    const float centre[3] = {float(position[0]), float(position[1]), float(position[2])};
    const float radius = airplaneModel ? airplaneModel->sphere.radius : 0.0f;

    Node* gate = scene->gates->getChild(currentGate);
    const GateResult result = testGate(gate, centre, radius);
    if (result == GateResult::pylonTouched) {
        airplane->crashed = true;
        return false;
    }
    if (result == GateResult::passed) {
        // A gate's split, like the finish, is the instant the centre entered its box within this step.
        const double* before = airplane->previousTransform;
        const double from[3] = {before[12], before[13], before[14]};
        splits.push_back(
            raceMilliseconds(stepsFlown(*airplane) - 1, gateEntryFraction(gate, from, position)));
        setCurrentGate(currentGate + 1);
        if (currentGate >= gateCount) {
            raceTime = splits.back();
            if (const FlightRecording* ghost = levelGhost())
                ghostGap = raceTime - ghost->raceTime;
            racing = false;
            showPage(raceFinishedPageNumber);
            finishRace();
            return false;
        }
    }

    if (hitsScenery(*scene, centre, radius) ||
        outsideCourse(position, scene->terrain->sizeX, scene->terrain->sizeZ)) {
        airplane->crashed = true;
        return false;
    }
    return true;
}

void Game::updateRace(int64_t now)
{
    if (!airplane)
        return;
    if (!raceClockRunning) {
        // The race clock starts here, not at startRace: whatever the first frame took to show the
        // level is not flown.
        raceClockRunning = true;
        raceStart = now;
        airplane->restartClock(now);
        if (airplane->recording)
            airplane->recording->startTicks = now;
        if (currentLevel >= 0) {
            for (FlightRecording* ghost : levels[size_t(currentLevel)]->ghosts)
                ghost->startTicks = now;
        }
    }

    // Steps stop in the one that crashes or finishes; once crashed none runs again.
    airplane->advanceTo(now);

    if (currentLevel >= 0) {
        const double position = ghostPosition(*airplane, now);
        for (FlightRecording* ghost : levels[size_t(currentLevel)]->ghosts)
            ghost->seek(position);
    }
    // After the finish raceTime holds the finish instant.
    if (racing)
        raceTime = raceMilliseconds(stepsFlown(*airplane));
}

void Game::drawRaceView(double time)
{
    RaceActors actors;
    if (airplane) {
        actors.airplane = [this](double t) {
            qorm::scenegraph::drawAirplaneModel(airplaneModel, airplane->drawnTransform, t);
        };
        // The cockpit's own drawing without its model is the panel alone (in cockpit view only).
        actors.panel = [this](double t) {
            qorm::scenegraph::Cockpit panelOnly = airplane->cockpit;
            panelOnly.model = nullptr;
            panelOnly.draw(*airplane, airplane->drawnTransform, t);
            airplane->cockpit.panelTexture = panelOnly.panelTexture;
        };
    }
    actors.ghosts = [this](double t) { drawGhosts(t); };
    renderRaceView(*camera, scene, time, actors, shadowMap);
}

void Game::drawGhosts(double& time)
{
    if (!RenderSettings::ghostPlayers || currentLevel < 0 || !airplaneModel)
        return;
    const std::vector<FlightRecording*>& ghosts = levels[size_t(currentLevel)]->ghosts;
    if (ghosts.empty())
        return;
    // Without depth writes a ghost can never hide what is drawn after it, even where it flies
    // exactly on the player's airplane.
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    glDepthMask(GL_FALSE);
    for (FlightRecording* ghost : ghosts) {
        glPushMatrix();
        glLoadMatrixd(camera->view);
        glMultMatrixd(ghost->current);
        if (RenderSettings::transparency)
            enableBlending();
        airplaneModel->setAlpha(0.5f);
        airplaneModel->draw(time);
        airplaneModel->resetAlpha();
        glPopMatrix();
    }
    glDepthMask(depthWrites);
}

bool Game::finishQualifies() const
{
    if (currentLevel < 0 || currentLevel >= int(levels.size()))
        return false;
    // A time already in the table would keep the earlier name: it does not count as a new entry.
    const HighscoreTable& table = levels[size_t(currentLevel)]->highscores;
    return qualifies(table, raceTime) && table.count(highscoreKey(raceTime)) == 0;
}

void Game::showPage(int page)
{
    menu->menuState = page;
}
