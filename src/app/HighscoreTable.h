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
// Longer names are cut to this many characters (bytes) when stored or read: a name typed without
// end, or a damaged file, cannot push the time out of reach or fill the menu.
constexpr std::size_t highscoreNameLength = 32;

// The table key of a race time in milliseconds: truncated towards zero. Times that do not fit the
// key (negative, not a number, beyond 2^32 - 1 ms) are clamped to its range.
uint32_t highscoreKey(double raceTime);

// Would `raceTime` (milliseconds) enter the table: never when its key is already there (the table
// keeps the first name of a time), otherwise always while it holds fewer than ten entries, and then
// only when it beats the slowest one.
bool qualifies(const HighscoreTable& table, double raceTime);

// The highscore file of the level at `levelPath` (relative to the data directory, without
// extension), as a data path. It is levelPath + ".highscore" in the data directory (`baseDirectory`)
// whenever the player may save it there: its folder is writable, or the folder a link there leads
// to, or the file itself. Otherwise (an installed game in a folder the player may not change) scores
// are saved to the player's copy, levelPath + ".highscore" below platform::playerDataDirectory();
// that copy is then the one read when it exists, and the file in the data directory (scores shipped
// with the game) otherwise.
std::string highscoreFileToSave(const std::string& levelPath);
std::string highscoreFileToLoad(const std::string& levelPath);

// saveHighscores / loadHighscores on the level's highscore file as chosen above. Saving to the
// player's copy first makes its folders.
bool saveLevelHighscores(const std::string& levelPath, const HighscoreTable& table);
void loadLevelHighscores(const std::string& levelPath, HighscoreTable& table);

// Stores (name, raceTime) in the level's table if it qualifies (the name cut to highscoreNameLength),
// keeps the ten fastest and writes the level's highscore file. When the file was written the table is
// read back from it; when it could not be written the table in memory keeps the new entry, so a
// later save can still store it. True when the file was written.
bool addHighscore(LevelEntry& entry, const std::string& name, double raceTime);

// Writes `table` to `path` (a data path), one "name, time" line per entry in ascending time order,
// and returns whether the file now holds it. An empty table writes nothing and leaves any existing
// file alone. When `path` is a symbolic link, the file it leads to is written and the link stays.
//
// The file is replaced at once: the lines go to a temporary file (the file's name + ".tmp", in the
// same folder), which then takes the old file's place with the old file's permissions, so a save
// that fails or is interrupted leaves the old file whole. Where no temporary file can be made (a
// writable score file in a folder the player may not write to), the file is overwritten in place
// instead: the entry is kept, though a crash in that moment could cut the file short. A full disk
// does not fall back, which would lose the old file too.
//
// A failure writes "Could not open file "F"", "Could not write file "F"" or "Could not replace file
// "F"" on standard error, F being the file that failed (the temporary file, or the score file itself
// with its links followed), and returns false.
bool saveHighscores(const std::string& path, const HighscoreTable& table);

// Replaces `table` by the first ten lines of the file at `path`. A missing file gives an empty table
// without a message. Lines may be of any length. Each line is split at its first comma (lines
// without one are skipped); the name before it is cut to highscoreNameLength; the time is read from
// two characters after the comma (leading white space skipped, up to the first non-digit), is 0 when
// there is no number there and the largest key when the number is larger.
void loadHighscores(const std::string& path, HighscoreTable& table);
