// One race track of the level catalogue. It lives for the whole run and holds the track's
// highscores; its scene exists only while it is the current level.
#pragma once

#include "app/HighscoreTable.h"

#include <string>

class Scene;

class LevelEntry
{
  public:
    // An entry with no scene and an empty table (the catalogue reads the table right after).
    LevelEntry(const std::string& path, const std::string& name);
    // Deletes the scene if one is still loaded; writes nothing (releaseLevel does).
    ~LevelEntry();
    LevelEntry(const LevelEntry&) = delete;
    LevelEntry& operator=(const LevelEntry&) = delete;

    // Builds the scene from the scene file `path` + ".xml" in the data directory, replacing a scene
    // that is still loaded. Problems in the file are reported by the loader; a scene is built anyway.
    void loadScene();

    // At program end: deletes the scene and writes the highscore file (an empty table writes
    // nothing, so the file is neither created nor changed).
    void releaseLevel();

    std::string path;          // relative to the data directory, without extension: levels\alpine
    std::string name;          // shown in the menus
    bool loaded;               // `scene` exists
    Scene* scene;              // owned; null unless this is the current level
    HighscoreTable highscores; // best times of this track, mirrored in path + ".highscore"
};
