#include "app/LevelEntry.h"

#include "flight/FlightRecording.h"
#include "loaders/SceneXMLHandler.h"
#include "render/Globals.h"
#include "scene/Scene.h"

LevelEntry::LevelEntry(const std::string& levelPath, const std::string& levelName)
    : path(levelPath), name(levelName), loaded(false), scene(nullptr)
{
}

LevelEntry::~LevelEntry()
{
    delete scene;
    for (qorm::scenegraph::FlightRecording* ghost : ghosts)
        delete ghost;
}

void LevelEntry::loadScene()
{
    delete scene;
    scene = loadSceneFile(path + ".xml");
    loaded = true;
}

void LevelEntry::releaseLevel()
{
    if (loaded) {
        delete scene;
        scene = nullptr;
        loaded = false;
    }
    saveHighscores(baseDirectory + path + ".highscore", highscores);
    for (qorm::scenegraph::FlightRecording* ghost : ghosts)
        delete ghost;
    ghosts.clear();
}

void LevelEntry::keepGhost(qorm::scenegraph::FlightRecording* recording, double time)
{
    if (!recording)
        return;
    if (!ghosts.empty() && ghosts.front()->raceTime <= time) {
        delete recording;
        return;
    }
    for (qorm::scenegraph::FlightRecording* ghost : ghosts)
        delete ghost;
    ghosts.clear();
    recording->raceTime = time;
    ghosts.push_back(recording);
}
