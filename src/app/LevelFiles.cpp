#include "app/LevelFiles.h"

#include "platform/AtomicFile.h"
#include "platform/DataPath.h"
#include "render/Globals.h"

#include <filesystem>

namespace
{

// The player's copy of the level's file, or "" when the player has no data folder.
std::string playerLevelFile(const std::string& levelPath, const std::string& extension)
{
    const std::string folder = platform::playerDataDirectory();
    return folder.empty() ? "" : folder + levelPath + extension;
}

} // namespace

std::string levelFileToSave(const std::string& levelPath, const std::string& extension)
{
    const std::string shipped = baseDirectory + levelPath + extension;
    if (platform::canSaveAt(shipped))
        return shipped;
    const std::string player = playerLevelFile(levelPath, extension);
    return player.empty() ? shipped : player;
}

std::string levelFileToLoad(const std::string& levelPath, const std::string& extension)
{
    const std::string shipped = baseDirectory + levelPath + extension;
    if (platform::canSaveAt(shipped))
        return shipped;
    const std::string player = playerLevelFile(levelPath, extension);
    std::error_code error;
    if (!player.empty() && std::filesystem::exists(platform::nativePath(player), error))
        return player;
    return shipped;
}

bool saveLevelFile(const std::string& levelPath, const std::string& extension, const std::string& contents)
{
    const std::string path = levelFileToSave(levelPath, extension);
    if (path != baseDirectory + levelPath + extension) {
        // A failure here shows as the save's own message about the file.
        std::error_code error;
        std::filesystem::create_directories(platform::directoryOf(platform::nativePath(path)), error);
    }
    return platform::replaceFile(path, contents);
}
