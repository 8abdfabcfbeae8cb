// The level catalogue, "levels\config.xml", read as the game reads it at start-up, with each level's
// highscore file.
#include "FuzzFiles.h"

#include "app/LevelCatalogue.h"
#include "app/LevelEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzfiles::writeFile("levels/config.xml", data, size);
    fuzzfiles::QuietOutput quiet;
    for (LevelEntry* entry : loadLevelCatalogue(fuzzfiles::dataDirectory()))
        delete entry;
    return 0;
}
