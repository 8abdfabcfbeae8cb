#include "app/HighscoreTable.h"

#include "app/LevelEntry.h"
#include "platform/DataPath.h"
#include "render/Globals.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>

namespace
{

// A line longer than this (only a hand-edited or damaged file has one) keeps just its beginning.
constexpr std::size_t maxLineLength = 1024;

// Reads one line into `line` without its line break; false at the end of the file.
bool readLine(std::istream& in, std::string& line)
{
    line.clear();
    std::istream::int_type c = in.get();
    if (c == std::char_traits<char>::eof())
        return false;
    while (c != std::char_traits<char>::eof() && c != '\n') {
        if (line.size() < maxLineLength)
            line += char(c);
        c = in.get();
    }
    return true;
}

// The unsigned decimal number at `text` + `start` (after white space, up to the first non-digit);
// 0 when there is none, the largest key when it is too large for one.
uint32_t readTime(const std::string& text, std::size_t start)
{
    std::size_t i = start;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
        ++i;
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + uint64_t(text[i] - '0');
        if (value > std::numeric_limits<uint32_t>::max())
            return std::numeric_limits<uint32_t>::max();
    }
    return uint32_t(value);
}

} // namespace

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
        table.emplace(highscoreKey(raceTime), name);
        while (table.size() > highscoreTableSize)
            table.erase(std::prev(table.end()));
    }
    const std::string path = baseDirectory + entry.path + ".highscore";
    if (saveHighscores(path, table))
        loadHighscores(path, table);
}

bool saveHighscores(const std::string& path, const HighscoreTable& table)
{
    if (table.empty())
        return true;

    const std::string file = platform::nativePath(path);
    const std::string temporary = file + ".tmp";
    std::ofstream out(temporary, std::ios::out | std::ios::trunc);
    if (!out) {
        std::cerr << "Could not open file \"" << file << "\"\n";
        return false;
    }
    for (const auto& [time, name] : table)
        out << name << ", " << time << std::endl;
    out.close();
    if (!out) {
        std::remove(temporary.c_str());
        std::cerr << "Could not write file \"" << file << "\"\n";
        return false;
    }
    if (std::rename(temporary.c_str(), file.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::cerr << "Could not replace file \"" << file << "\"\n";
        return false;
    }
    return true;
}

void loadHighscores(const std::string& path, HighscoreTable& table)
{
    table.clear();
    std::ifstream in(platform::nativePath(path), std::ios::in | std::ios::binary);
    if (!in)
        return;
    std::string line;
    for (std::size_t count = 0; count < highscoreTableSize && readLine(in, line); ++count) {
        const std::size_t comma = line.find(',');
        if (comma == std::string::npos)
            continue;
        table.emplace(readTime(line, comma + 2), line.substr(0, comma));
    }
}
