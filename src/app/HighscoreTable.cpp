#include "app/HighscoreTable.h"

#include "app/LevelEntry.h"
#include "app/LevelFiles.h"
#include "platform/AtomicFile.h"
#include "platform/DataPath.h"

#include <algorithm>
#include <fstream>
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

// The lines of a highscore file: "name, time" per entry in ascending time order.
std::string highscoreText(const HighscoreTable& table)
{
    std::string text;
    for (const auto& [time, name] : table)
        text += name + ", " + std::to_string(time) + "\n";
    return text;
}

} // namespace

std::string highscoreFileToSave(const std::string& levelPath)
{
    return levelFileToSave(levelPath, ".highscore");
}

std::string highscoreFileToLoad(const std::string& levelPath)
{
    return levelFileToLoad(levelPath, ".highscore");
}

bool saveLevelHighscores(const std::string& levelPath, const HighscoreTable& table)
{
    if (table.empty())
        return true;
    return saveLevelFile(levelPath, ".highscore", highscoreText(table));
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

bool addHighscore(LevelEntry& entry, const std::string& name, double raceTime)
{
    HighscoreTable& table = entry.highscores;
    if (qualifies(table, raceTime)) {
        table.emplace(highscoreKey(raceTime), name.substr(0, highscoreNameLength));
        while (table.size() > highscoreTableSize)
            table.erase(std::prev(table.end()));
    }
    if (!saveLevelHighscores(entry.path, table))
        return false;
    loadLevelHighscores(entry.path, table);
    return true;
}

bool saveHighscores(const std::string& path, const HighscoreTable& table)
{
    if (table.empty())
        return true;
    return platform::replaceFile(path, highscoreText(table));
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
