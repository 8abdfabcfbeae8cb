#include "app/LevelXMLHandler.h"

#include "loaders/XmlParser.h"

#include <cctype>
#include <iostream>

bool isInsideDataDirectory(const std::string& levelPath)
{
    if (levelPath.empty() || levelPath[0] == '/' || levelPath[0] == '\\')
        return false;
    // "C:\..." and "file:..." name places of their own.
    if (levelPath.find(':') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= levelPath.size()) {
        const std::size_t end = levelPath.find_first_of("/\\", start);
        const std::size_t length = (end == std::string::npos ? levelPath.size() : end) - start;
        if (levelPath.compare(start, length, "..") == 0)
            return false;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return true;
}

std::string samePlace(const std::string& levelPath)
{
    // The level's files are named by appending to the path, so its last part counts as written.
    const std::size_t last = levelPath.find_last_of("/\\");
    if (last == std::string::npos)
        return levelPath;
    std::string place;
    std::size_t start = 0;
    while (start <= last) {
        const std::size_t end = levelPath.find_first_of("/\\", start);
        const std::string part = levelPath.substr(start, end - start);
        if (!part.empty() && part != ".")
            place += part + "/";
        start = end + 1;
    }
    return place + levelPath.substr(last + 1);
}

void LevelXMLHandler::startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                                   const xercesc::Attributes& attributes)
{
    if (transcode(qname) != "level")
        return;
    std::string path;
    std::string name;
    if (!findAttribute(attributes, "path", path) || !findAttribute(attributes, "name", name)) {
        std::cerr << "couldn't parse attribute path in LevelXMLHandler\n";
        return;
    }
    // The program writes the highscore file at this path, so it must not point anywhere else.
    if (!isInsideDataDirectory(path)) {
        std::cerr << "levels\\config.xml: level \"" << name << "\" skipped: its path \"" << path
                  << "\" must be relative to the data directory and stay inside it\n";
        return;
    }
    // Two entries on one path would keep two tables of one highscore file, and the later save
    // would overwrite the scores stored through the other.
    const auto [first, isNew] = levelOfPath.emplace(samePlace(path), name);
    if (!isNew) {
        std::cerr << "levels\\config.xml: level \"" << name << "\" skipped: its path \"" << path
                  << "\" is already used by level \"" << first->second << "\"\n";
        return;
    }
    paths.push_back(path);
    names.push_back(name);
}
