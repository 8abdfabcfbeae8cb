// Where the player's own files of a level live: its highscores and its ghost, beside the level's
// scene file in the data directory, or in the player's data directory when the game may not write
// there (an installed game in a folder the player may not change).
#pragma once

#include <string>

// The file levelPath + `extension` (levelPath relative to the data directory, without extension) to
// save, as a data path: in the data directory (`baseDirectory`) whenever the player may save it
// there (its folder is writable, or the folder a link there leads to, or the file itself);
// otherwise the player's copy below platform::playerDataDirectory(), or the data directory's file
// when the player has no data folder either.
std::string levelFileToSave(const std::string& levelPath, const std::string& extension);

// The file to read: the one levelFileToSave gives when the player may save in the data directory;
// otherwise the player's copy when it exists, and the file in the data directory (the one shipped
// with the game) when it does not.
std::string levelFileToLoad(const std::string& levelPath, const std::string& extension);

// Writes `contents` to levelFileToSave atomically (platform::replaceFile), first making the folders
// of the player's copy; false, with replaceFile's message, when it could not be written.
bool saveLevelFile(const std::string& levelPath, const std::string& extension, const std::string& contents);
