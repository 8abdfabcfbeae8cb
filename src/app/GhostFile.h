// A level's ghost on disk, so that the best flight comes back in the next run: the small file
// levelPath + ".ghost" beside the level's highscores (or in the player's data directory, as they are).
//
// The format, version 1: one text line
//     aerovant-ghost 1 RACE_MS POSES SPLITS S1 ... Sn
// (the format version, the race time, the number of poses, the number of splits and the split times,
// all whole milliseconds in decimal, single spaces, ending in '\n'), then exactly POSES poses, one per
// simulation step from the start pose on, each the 16 numbers of the column-major model matrix as
// IEEE-754 doubles, little-endian: 128 bytes a pose. The poses are kept bit for bit, so a ghost read
// back replays exactly the flight that was flown.
#pragma once

#include "flight/FlightRecording.h"

#include <cstdint>
#include <memory>
#include <string>

class LevelEntry;

constexpr int ghostFormatVersion = 1;
constexpr std::size_t ghostPoseBytes = 16 * sizeof(double);
constexpr std::size_t maxGhostSplits = 1000;        // gates of a course, far beyond any level
constexpr std::size_t maxGhostHeaderLength = 16384; // the text line with its '\n'
// No valid ghost is larger: a longer file is refused before it is read.
constexpr uint64_t maxGhostFileSize =
    maxGhostHeaderLength + uint64_t(qorm::scenegraph::FlightRecording::maxSamples) * ghostPoseBytes;

// The file's contents for `ghost` (its race time, splits and poses).
std::string ghostFileContents(const qorm::scenegraph::FlightRecording& ghost);

// The ghost held by `contents`, or null with `problem` saying why the contents are refused: no
// header line, a wrong format version, numbers that are not whole non-negative milliseconds, more
// poses or splits than a ghost may hold, splits that go backwards or do not end at the race time,
// a race time that does not lie in the last recorded step, fewer or more pose bytes than declared,
// or a pose number that is not finite. The returned recording starts at tick 0.
std::unique_ptr<qorm::scenegraph::FlightRecording> parseGhost(const std::string& contents,
                                                              std::string& problem);

// Reads the ghost file at `path` (a data path): null with `problem` empty when there is no file,
// null with `problem` set when it cannot be read, is larger than maxGhostFileSize or is refused
// by parseGhost.
std::unique_ptr<qorm::scenegraph::FlightRecording> readGhostFile(const std::string& path,
                                                                 std::string& problem);

// The one-line message for a refused ghost file: Ignoring ghost file "F": PROBLEM
std::string ghostProblemLine(const std::string& path, const std::string& problem);

// Writes `ghost` as the ghost file of the level at `levelPath`, atomically; false (with the save's
// message on standard error) when it could not be written.
bool saveLevelGhost(const std::string& levelPath, const qorm::scenegraph::FlightRecording& ghost);

// Reads the ghost file of `entry` and, when it is valid, makes it the level's ghost. A refused file
// is reported in one line on standard error and leaves the level's ghosts as they are; a missing
// one says nothing.
void loadLevelGhost(LevelEntry& entry);
