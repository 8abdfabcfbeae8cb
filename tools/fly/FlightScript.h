// Flight scripts: the flight keys of one race as a text file, one control change per line,
//   MILLISECONDS KEY down|up
// where MILLISECONDS is the race time of the change and KEY one of w s a d up down left right.
// Blank lines and everything after a '#' are ignored.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace fly
{

struct ScriptEvent {
    int64_t milliseconds = 0; // race time of the change
    std::string key;          // w s a d up down left right
    bool down = false;        // pressed (true) or released
};

// Reads a script. The times must not decrease from one change to the next (changes at the same time
// apply in file order). On a problem returns false with `error` naming the line:
// "line 4: unknown key \"q\"".
bool parseScript(std::istream& in, std::vector<ScriptEvent>& events, std::string& error);

// One script line for `event`, without the line feed: "1234 up down".
std::string formatEvent(const ScriptEvent& event);

// Whether `key` is one of the eight script key names.
bool isScriptKey(const std::string& key);

} // namespace fly
