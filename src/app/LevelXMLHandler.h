// Collects the "level" elements of the level catalogue file, at any depth and in document order.
#pragma once

#include <xercesc/sax2/DefaultHandler.hpp>

#include <map>
#include <string>
#include <vector>

class LevelXMLHandler : public xercesc::DefaultHandler
{
  public:
    ~LevelXMLHandler() override = default;

    // Takes an element named exactly "level" with both a "path" and a "name" attribute. A missing
    // attribute writes "couldn't parse attribute path in LevelXMLHandler" and a path that could
    // lead out of the data directory (absolute, or with a ".." part) or that an earlier level
    // already uses (the two would share one highscore file) writes its own line, all on standard
    // error; such an element is skipped.
    void startElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname,
                      const xercesc::Attributes& attributes) override;

    std::vector<std::string> paths; // the "path" attributes, in document order
    std::vector<std::string> names; // the "name" attributes, parallel to `paths`

  private:
    std::map<std::string, std::string> levelOfPath; // samePlace(path) -> name of the level using it
};

// Whether a catalogue path stays inside the data directory when appended to it: not empty, not
// absolute (no leading separator, no drive or URL prefix) and without a ".." part.
bool isInsideDataDirectory(const std::string& levelPath);

// One spelling for the ways of writing the same catalogue path: '/' as separator, folders without
// empty or "." parts (levels\.\alpine and levels//alpine both give levels/alpine).
std::string samePlace(const std::string& levelPath);
