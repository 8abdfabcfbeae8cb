// Saving a player's file so that it is either the old file or the new one, never a mix: the text
// goes to a temporary file beside it, which then takes its place. Highscores and ghosts are saved
// this way.
#pragma once

#include <string>

namespace platform
{

// The file a save writes: `file` (a native path) itself, or where its symbolic links finally lead,
// so that a file kept elsewhere through a link stays linked.
std::string followLinks(const std::string& file);

// Whether the file at the data path `path` is the player's to save: its folder is writable, or,
// when it is a link, the folder it leads to, or the file itself (replaceFile then writes it in
// place).
bool canSaveAt(const std::string& path);

// Writes `contents` to `path` (a data path) and returns whether the file now holds it. When `path`
// is a symbolic link, the file it leads to is written and the link stays.
//
// The file is replaced at once: the bytes go to a temporary file (the file's name + ".tmp", in the
// same folder), which then takes the old file's place with the old file's permissions, so a save
// that fails or is interrupted leaves the old file whole. Where no temporary file can be made (a
// writable file in a folder the player may not write to), the file is overwritten in place
// instead: the data is kept, though a crash in that moment could cut the file short. A full disk
// does not fall back, which would lose the old file too.
//
// A failure writes "Could not open file "F"", "Could not write file "F"" or "Could not replace file
// "F"" on standard error, F being the file that failed (the temporary file, or the file itself with
// its links followed), and returns false.
bool replaceFile(const std::string& path, const std::string& contents);

} // namespace platform
