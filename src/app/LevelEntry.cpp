#include "app/LevelEntry.h"

#include "render/Globals.h"
#include "loaders/SceneXMLHandler.h"
#include "scene/Scene.h"

LevelEntry::LevelEntry(const std::string& levelPath, const std::string& levelName)
    : path(levelPath), name(levelName), loaded(false), scene(nullptr)
{
}

LevelEntry::~LevelEntry()
{
    delete scene;
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
}
