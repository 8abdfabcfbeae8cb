#include "app/LevelEntry.h"

#include "flight/FlightRecording.h"
#include "loaders/SceneXMLHandler.h"
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
    saveLevelHighscores(path, highscores);
    for (qorm::scenegraph::FlightRecording* ghost : ghosts)
        delete ghost;
    ghosts.clear();
}

bool LevelEntry::keepGhost(qorm::scenegraph::FlightRecording* recording, double time)
{
    if (!recording)
        return false;
    if (!ghosts.empty() && ghosts.front()->raceTime <= time) {
        delete recording;
        return false;
    }
    for (qorm::scenegraph::FlightRecording* ghost : ghosts)
        delete ghost;
    ghosts.clear();
    recording->raceTime = time;
    ghosts.push_back(recording);
    return true;
}
