#include "FlightScript.h"

#include <sstream>

namespace fly
{

namespace
{

// A race time of at most ten digits: whole milliseconds, no sign, no fraction.
bool parseMilliseconds(const std::string& text, int64_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

} // namespace

bool isScriptKey(const std::string& key)
{
    static const char* const keys[] = {"w", "s", "a", "d", "up", "down", "left", "right"};
    for (const char* name : keys) {
        if (key == name)
            return true;
    }
    return false;
}

bool parseScript(std::istream& in, std::vector<ScriptEvent>& events, std::string& error)
{
    events.clear();
    std::string line;
    int number = 0;
    int64_t previous = 0;
    while (std::getline(in, line)) {
        ++number;
        const size_t comment = line.find('#');
        if (comment != std::string::npos)
            line.erase(comment);
        std::istringstream fields(line);
        std::string time, key, state, extra;
        if (!(fields >> time))
            continue; // blank or comment only
        const std::string where = "line " + std::to_string(number) + ": ";
        if (!(fields >> key >> state) || (fields >> extra)) {
            error = where + "expected MILLISECONDS KEY down|up";
            return false;
        }
        ScriptEvent event;
        if (!parseMilliseconds(time, event.milliseconds)) {
            error = where + "\"" + time + "\" is not a time in whole milliseconds";
            return false;
        }
        if (!isScriptKey(key)) {
            error = where + "unknown key \"" + key + "\" (w s a d up down left right)";
            return false;
        }
        if (state != "down" && state != "up") {
            error = where + "\"" + state + "\" is neither down nor up";
            return false;
        }
        if (event.milliseconds < previous) {
            error = where + "the time " + time + " is earlier than the line before";
            return false;
        }
        previous = event.milliseconds;
        event.key = key;
        event.down = state == "down";
        events.push_back(event);
    }
    if (in.bad()) {
        error = "couldn't read the script";
        return false;
    }
    return true;
}

std::string formatEvent(const ScriptEvent& event)
{
    return std::to_string(event.milliseconds) + " " + event.key + (event.down ? " down" : " up");
}

} // namespace fly
