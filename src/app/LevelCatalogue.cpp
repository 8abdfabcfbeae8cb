#include "app/LevelCatalogue.h"

#include "app/GhostFile.h"
#include "app/LevelEntry.h"
#include "app/LevelXMLHandler.h"
#include "loaders/XmlParser.h"
#include "render/Globals.h"

#include <iostream>

std::vector<LevelEntry*> loadLevelCatalogue(const std::string& directory)
{
    baseDirectory = directory;
    std::vector<LevelEntry*> levels;

    LevelXMLHandler handler;
    // Entries are made only from a complete parse: a broken catalogue offers no track at all.
    if (parseXmlFile(directory + "levels\\config.xml", handler, std::cerr) != XmlParseResult::completed)
        return levels;

    for (std::size_t i = 0; i < handler.paths.size(); ++i) {
        LevelEntry* entry = new LevelEntry(handler.paths[i], handler.names[i]);
        loadLevelHighscores(entry->path, entry->highscores);
        loadLevelGhost(*entry);
        levels.push_back(entry);
    }
    return levels;
}
