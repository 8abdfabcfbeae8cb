// A level's highscore file, read and written back as the game does after a race.
#include "FuzzFiles.h"

#include "app/HighscoreTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzzfiles::writeFile("levels/track.highscore", data, size);
    fuzzfiles::QuietOutput quiet;
    HighscoreTable table;
    loadHighscores(path, table);
    qualifies(table, 61.5);
    saveHighscores(path, table);
    HighscoreTable again;
    loadHighscores(path, again);
    return 0;
}
