// A saved ghost file: whatever the reader accepts must write back to the same bytes, so a ghost
// that survives a restart is the ghost that was saved.
#include "app/GhostFile.h"
#include "flight/FlightRecording.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string contents(reinterpret_cast<const char*>(data), size);
    std::string problem;
    const auto ghost = parseGhost(contents, problem);
    if (!ghost)
        return problem.empty() ? (std::abort(), 0) : 0; // a refusal always says why
    std::string again;
    const auto reread = parseGhost(ghostFileContents(*ghost), again);
    if (!reread || ghostFileContents(*reread) != ghostFileContents(*ghost))
        std::abort();
    return 0;
}
