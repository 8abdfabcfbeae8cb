#include "app/HighscoreTable.h"

#include "app/LevelEntry.h"
#include "platform/DataPath.h"
#include "render/Globals.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>

namespace
{

// ---------------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------------

bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// What one line of a highscore file holds for the table. The line is read to its end, however long,
// but only the name's first highscoreNameLength characters are kept.
struct ScoreLine {
    bool hasComma = false;
    std::string name; // the text before the first comma, cut
    uint32_t time = 0;
};

// Reads the next line; false at the end of the file.
bool readScoreLine(std::istream& in, ScoreLine& line)
{
    constexpr auto eof = std::char_traits<char>::eof();
    line = ScoreLine();
    auto c = in.get();
    if (c == eof)
        return false;
    for (; c != eof && c != '\n' && c != ','; c = in.get())
        if (line.name.size() < highscoreNameLength)
            line.name += char(c);
    if (c == ',') {
        line.hasComma = true;
        // The separator is ", ": the time starts two characters after the comma, whatever the
        // second one is.
        c = in.get();
        if (c != eof && c != '\n')
            c = in.get();
        while (isBlank(c))
            c = in.get();
        uint64_t value = 0;
        for (; c >= '0' && c <= '9'; c = in.get())
            value = std::min<uint64_t>(value * 10 + uint64_t(c - '0'), std::numeric_limits<uint32_t>::max());
        line.time = uint32_t(value);
    }
    while (c != eof && c != '\n')
        c = in.get();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------------------------

// The file a save writes: `file` itself, or where its symbolic links finally lead, so that a
// score file kept elsewhere through a link stays linked.
std::string followLinks(const std::string& file)
{
    namespace fs = std::filesystem;
    fs::path path = file;
    std::error_code error;
    for (int depth = 0; depth < 40 && fs::is_symlink(path, error); ++depth) {
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.string();
}

bool writeAll(int descriptor, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += std::size_t(written);
    }
    return true;
}

bool report(const char* what, const std::string& file)
{
    std::cerr << "Could not " << what << " file \"" << file << "\"\n";
    return false;
}

bool overwriteInPlace(const std::string& file, const std::string& text)
{
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return report("open", file);
    const bool written = writeAll(descriptor, text);
    if (::close(descriptor) != 0 || !written)
        return report("write", file);
    return true;
}

bool isWritable(const std::string& path)
{
    return ::access(path.empty() ? "." : path.c_str(), W_OK) == 0;
}

// Is the file at the data path `path` the player's to save: its folder is writable, or, when it is
// a link, the folder it leads to, or the file itself (saveHighscores then writes it in place).
bool canSaveAt(const std::string& path)
{
    const std::string native = platform::nativePath(path);
    const std::string file = followLinks(native);
    return isWritable(platform::directoryOf(native)) || isWritable(platform::directoryOf(file)) ||
           ::access(file.c_str(), W_OK) == 0;
}

// The player's copy of the level's highscore file, or "" when the player has no data folder.
std::string playerHighscoreFile(const std::string& levelPath)
{
    const std::string folder = platform::playerDataDirectory();
    return folder.empty() ? "" : folder + levelPath + ".highscore";
}

} // namespace

std::string highscoreFileToSave(const std::string& levelPath)
{
    const std::string shipped = baseDirectory + levelPath + ".highscore";
    if (canSaveAt(shipped))
        return shipped;
    const std::string player = playerHighscoreFile(levelPath);
    return player.empty() ? shipped : player;
}

std::string highscoreFileToLoad(const std::string& levelPath)
{
    const std::string shipped = baseDirectory + levelPath + ".highscore";
    if (canSaveAt(shipped))
        return shipped;
    const std::string player = playerHighscoreFile(levelPath);
    std::error_code error;
    if (!player.empty() && std::filesystem::exists(platform::nativePath(player), error))
        return player;
    return shipped;
}

bool saveLevelHighscores(const std::string& levelPath, const HighscoreTable& table)
{
    if (table.empty())
        return true;
    const std::string path = highscoreFileToSave(levelPath);
    if (path != baseDirectory + levelPath + ".highscore") {
        // A failure here shows as the save's own message about the file.
        std::error_code error;
        std::filesystem::create_directories(platform::directoryOf(platform::nativePath(path)), error);
    }
    return saveHighscores(path, table);
}

void loadLevelHighscores(const std::string& levelPath, HighscoreTable& table)
{
    loadHighscores(highscoreFileToLoad(levelPath), table);
}

uint32_t highscoreKey(double raceTime)
{
    if (!(raceTime > 0.0))
        return 0;
    if (raceTime >= double(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return uint32_t(raceTime);
}

bool qualifies(const HighscoreTable& table, double raceTime)
{
    const uint32_t key = highscoreKey(raceTime);
    // A time already in the table would keep the name stored with it.
    if (table.count(key) != 0)
        return false;
    if (table.size() < highscoreTableSize)
        return true;
    return table.rbegin()->first > key;
}

void addHighscore(LevelEntry& entry, const std::string& name, double raceTime)
{
    HighscoreTable& table = entry.highscores;
    if (qualifies(table, raceTime)) {
        table.emplace(highscoreKey(raceTime), name.substr(0, highscoreNameLength));
        while (table.size() > highscoreTableSize)
            table.erase(std::prev(table.end()));
    }
    if (saveLevelHighscores(entry.path, table))
        loadLevelHighscores(entry.path, table);
}

bool saveHighscores(const std::string& path, const HighscoreTable& table)
{
    if (table.empty())
        return true;
    std::string text;
    for (const auto& [time, name] : table)
        text += name + ", " + std::to_string(time) + "\n";

    const std::string file = followLinks(platform::nativePath(path));
    const std::string temporary = file + ".tmp";
    ::unlink(temporary.c_str()); // left by a save that was interrupted
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        if (errno == ENOSPC || errno == EDQUOT)
            return report("open", temporary);
        return overwriteInPlace(file, text);
    }
    struct stat old;
    if (::stat(file.c_str(), &old) == 0)
        ::fchmod(descriptor, old.st_mode & 07777);
    // On the disk before it takes the old file's place, so that not even a power cut leaves an
    // empty file behind.
    const bool written = writeAll(descriptor, text) && ::fsync(descriptor) == 0;
    if (::close(descriptor) != 0 || !written) {
        ::unlink(temporary.c_str());
        return report("write", temporary);
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return report("replace", file);
    }
    return true;
}

void loadHighscores(const std::string& path, HighscoreTable& table)
{
    table.clear();
    std::ifstream in(platform::nativePath(path), std::ios::in | std::ios::binary);
    if (!in)
        return;
    ScoreLine line;
    for (std::size_t count = 0; count < highscoreTableSize && readScoreLine(in, line); ++count)
        if (line.hasComma)
            table.emplace(line.time, line.name);
}
