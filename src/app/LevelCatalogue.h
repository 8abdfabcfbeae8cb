// Reading the list of race tracks, "levels\config.xml" in the data directory.
#pragma once

#include <string>
#include <vector>

class LevelEntry;

// Publishes `directory` (the data directory with its trailing separator) as `baseDirectory`, reads
// the catalogue and returns one new entry per level in file order, each with its highscore table
// read from its file and its ghost from its ghost file when there is a valid one. The caller owns the
// entries. A missing or broken catalogue is reported on standard error and gives an empty list; a level
// element without both attributes, or with a path leading out of the data directory, is reported and skipped.
std::vector<LevelEntry*> loadLevelCatalogue(const std::string& directory);
