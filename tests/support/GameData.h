// A Game on a data directory of the test's own: the bundled font, menu pictures and shaders, and a
// level catalogue the test writes. Highscore files land there, never in the build's data.
#pragma once

#include "app/Game.h"
#include "support/ScratchDirectory.h"

#include <filesystem>
#include <memory>
#include <string>

namespace testsupport
{

// Copies the bundled folders that every Game reads into `scratch` and writes `catalogue` as its
// levels\config.xml.
inline void prepareDataDirectory(const ScratchDirectory& scratch, const std::string& catalogue)
{
    for (const char* folder : {"fonts", "menu", "shader"})
        std::filesystem::copy(std::string(AEROVANT_BIN_DIR) + folder, scratch.path() + folder,
                              std::filesystem::copy_options::recursive);
    scratch.write("levels/config.xml", catalogue);
}

// A Game that releases what it owns when the test ends, as the exit handler does in the program.
struct ScopedGame : Game {
    explicit ScopedGame(const std::string& directory) : Game(directory) {}
    ~ScopedGame() { cleanUp(); }
};

} // namespace testsupport
