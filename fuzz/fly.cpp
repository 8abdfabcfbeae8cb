// aerovant-fly scripts: the parser, and formatting each event back into a line.
#include "FlightScript.h"

#include <cstddef>
#include <cstdint>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<fly::ScriptEvent> events;
    std::string error;
    if (fly::parseScript(in, events, error)) {
        std::string lines;
        for (const fly::ScriptEvent& event : events)
            lines += fly::formatEvent(event) + "\n";
        // What was read reads back the same.
        std::istringstream again(lines);
        std::vector<fly::ScriptEvent> reread;
        if (!fly::parseScript(again, reread, error) || reread.size() != events.size())
            __builtin_trap();
    }
    return 0;
}
