// One race track of the level catalogue. It lives for the whole run and holds the track's
// highscores; its scene exists only while it is the current level.
#pragma once

#include "app/HighscoreTable.h"

#include <string>
#include <vector>

class Scene;
namespace qorm
{
namespace scenegraph
{
class FlightRecording;
}
} // namespace qorm

class LevelEntry
{
  public:
    // An entry with no scene and an empty table (the catalogue reads the table right after).
    LevelEntry(const std::string& path, const std::string& name);
    // Deletes the scene if one is still loaded and the ghosts; writes nothing (releaseLevel does).
    ~LevelEntry();
    LevelEntry(const LevelEntry&) = delete;
    LevelEntry& operator=(const LevelEntry&) = delete;

    // Builds the scene from the scene file `path` + ".xml" in the data directory, replacing a scene
    // that is still loaded. Problems in the file are reported by the loader; a scene is built anyway.
    void loadScene();

    // At program end: deletes the scene, writes the highscore file (an empty table writes
    // nothing, so the file is neither created nor changed) and deletes the ghosts.
    void releaseLevel();

    // Offers the recording of a finished race with its time (whole milliseconds) as this level's
    // ghost and takes ownership of it. The level keeps the faster flight: a ghost at least as fast
    // stays and `recording` is deleted; otherwise the old ghost goes and `recording` takes its place
    // with `time` stored in it. Returns whether `recording` became the ghost. Writes nothing: the
    // race saves the ghost file (saveLevelGhost).
    bool keepGhost(qorm::scenegraph::FlightRecording* recording, double time);

    std::string path;          // relative to the data directory, without extension: levels\alpine
    std::string name;          // shown in the menus
    bool loaded;               // `scene` exists
    Scene* scene;              // owned; null unless this is the current level
    HighscoreTable highscores; // best times of this track, mirrored in its highscore file
    std::vector<qorm::scenegraph::FlightRecording*> ghosts; // owned; at most one: the fastest
                                                            // finished flight of this run, or the
                                                            // one read from the ghost file
};
