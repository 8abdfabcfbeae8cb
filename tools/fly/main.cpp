// aerovant-fly [--fps N] [--render] [--plain|--cartoon] [--ghost FILE] LEVEL SCRIPT: flies one race
// of LEVEL with the flight keys of SCRIPT through the game's own update (and display) steps on a
// manual counter, N frames per simulated second, and prints the split times and how it ended:
//   splits MS MS ...
//   finished MS | crashed MS gate G/N | timeout MS gate G/N
// With --ghost the race runs against the ghost file FILE and "gap +MS|-MS|none" comes before the
// splits; --save-ghost FILE writes the flight's ghost file when it finished ahead of any ghost. With --render
// every frame is drawn into the 800 x 600 window and the first line gives the frame times. Exit status: 0
// finished, 3 crashed, 4 timeout, 1 when loading reported a problem, 2 for wrong arguments.
#include "FlightScript.h"
#include "RaceHarness.h"

#include "app/LevelXMLHandler.h"
#include "platform/DataPath.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace
{

constexpr int maxFramesPerSecond = 10000;

int usage(const std::string& problem)
{
    if (!problem.empty())
        std::cerr << "aerovant-fly: " << problem << "\n";
    std::cerr
        << "usage: aerovant-fly [--fps N] [--render] [--plain|--cartoon] [--ghost FILE] [--save-ghost FILE]\n"
           "                    LEVEL SCRIPT\n"
           "  --fps N     frames per simulated second, 1 to "
        << maxFramesPerSecond
        << " (default 60)\n"
           "  --render    draw every frame and report the frame times\n"
           "  --plain     draw with the fixed-function path\n"
           "  --cartoon   draw with the cartoon shaders\n"
           "  --ghost FILE       race against the ghost file FILE and print the final gap\n"
           "  --save-ghost FILE  write the flight as a ghost file when it finished ahead\n"
           "  LEVEL       a level path as the level catalogue writes it, for example levels\\alpine\n"
           "  SCRIPT      a text file of lines MILLISECONDS KEY down|up\n";
    return 2;
}

bool parseCount(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(text);
    return value >= 1 && value <= maxFramesPerSecond;
}

// The value at rank ceil(share x count) of the sorted times (nearest rank).
double percentile(const std::vector<double>& sorted, double share)
{
    const size_t rank = size_t(std::ceil(share * double(sorted.size())));
    return sorted[std::min(sorted.size(), std::max<size_t>(rank, 1)) - 1];
}

std::string frameLine(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    char line[160];
    if (times.empty())
        return "frames 0 median_ms 0.00 p95_ms 0.00 p99_ms 0.00";
    std::snprintf(line, sizeof line, "frames %zu median_ms %.2f p95_ms %.2f p99_ms %.2f", times.size(),
                  percentile(times, 0.5), percentile(times, 0.95), percentile(times, 0.99));
    return line;
}

} // namespace

int main(int argc, char** argv)
{
    int framesPerSecond = 60;
    bool render = false;
    int cartoon = -1;
    std::string ghostFile, savedGhostFile;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--fps") {
            if (i + 1 >= argc || !parseCount(argv[i + 1], framesPerSecond))
                return usage("--fps needs a whole number from 1 to " + std::to_string(maxFramesPerSecond));
            ++i;
        } else if (argument == "--ghost" || argument == "--save-ghost") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return usage(argument + " needs a file");
            (argument == "--ghost" ? ghostFile : savedGhostFile) = argv[++i];
        } else if (argument == "--render") {
            render = true;
        } else if (argument == "--plain" || argument == "--cartoon") {
            const int chosen = argument == "--cartoon" ? 1 : 0;
            if (cartoon >= 0 && cartoon != chosen)
                return usage("--plain and --cartoon exclude each other");
            cartoon = chosen;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return usage("unknown option " + argument);
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 2)
        return usage("");
    const std::string level = positional[0];
    if (!isInsideDataDirectory(level))
        return usage("the level path \"" + level +
                     "\" must be relative to the data directory and stay inside it");

    std::ifstream scriptFile(positional[1]);
    if (!scriptFile)
        return usage("couldn't open the script \"" + positional[1] + "\"");
    std::vector<fly::ScriptEvent> events;
    std::string error;
    if (!fly::parseScript(scriptFile, events, error))
        return usage(positional[1] + ", " + error);

    if (!fly::openWindow(argc, argv, "aerovant-fly"))
        return 1;

    int status = 0;
    {
        fly::RaceHarness harness(platform::dataDirectory(argv[0]), level, cartoon);
        if (!harness.ready) {
            std::cerr << "aerovant-fly: no race could be started on " << level << "\n";
            return 1;
        }
        if (!ghostFile.empty()) {
            std::string problem;
            if (!harness.raceAgainst(ghostFile, problem)) {
                std::cerr << "aerovant-fly: " << problem << "\n";
                return 1;
            }
        }
        const fly::RaceResult result = harness.fly(events, framesPerSecond, render);
        if (render)
            std::cout << frameLine(harness.frameMilliseconds) << "\n";
        if (!ghostFile.empty())
            std::cout << fly::describeGap(result) << "\n";
        std::cout << fly::describeSplits(result) << "\n" << fly::describe(result) << "\n" << std::flush;
        status = harness.loadProblems ? 1 : fly::exitStatus(result);
        if (!savedGhostFile.empty() && !harness.saveFlightGhost(result, savedGhostFile) && status == 0)
            status = 1;
    }
    return status;
}
