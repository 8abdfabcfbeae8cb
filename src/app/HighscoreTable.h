// A level's ten best race times with their pilots' names, and the small text file beside the
// level's scene file that keeps them between runs ("Pilot, 83456" per line, fastest first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

class LevelEntry;

// Race time in whole milliseconds -> pilot name, fastest first. Times are unique keys: a second
// entry with a time already present leaves the first name in place.
using HighscoreTable = std::map<uint32_t, std::string>;

constexpr std::size_t highscoreTableSize = 10; // entries kept after each insertion

// The table key of a race time in milliseconds: truncated towards zero. Times that do not fit the
// key (negative, not a number, beyond 2^32 - 1 ms) are clamped to its range.
uint32_t highscoreKey(double raceTime);

// Would `raceTime` (milliseconds) enter the table: never when its key is already there (the table
// keeps the first name of a time), otherwise always while it holds fewer than ten entries, and then
// only when it beats the slowest one.
bool qualifies(const HighscoreTable& table, double raceTime);

// Stores (name, raceTime) in the level's table if it qualifies, keeps the ten fastest and writes
// the level's highscore file. When the file was written the table is read back from it; when it
// could not be written the table in memory keeps the new entry, so a later save can still store it.
void addHighscore(LevelEntry& entry, const std::string& name, double raceTime);

// Writes `table` to `path` (a data path), one "name, time" line per entry in ascending time order.
// An empty table writes nothing and leaves any existing file alone. The file is replaced at once:
// the lines go to `path` + ".tmp" in the same folder, which then takes the old file's place, so a
// failed write never leaves a cut-off file. A failure writes "Could not open file "PATH"" (or
// "Could not write file" / "Could not replace file") on standard error and returns false; the old
// file is then unchanged.
bool saveHighscores(const std::string& path, const HighscoreTable& table);

// Replaces `table` by the first ten lines of the file at `path`. A missing file gives an empty table
// without a message. Each line is split at its first comma (lines without one are skipped); the
// time is read from two characters after the comma, up to the first non-digit, and is 0 when there
// is no number there.
void loadHighscores(const std::string& path, HighscoreTable& table);
