#include "app/GhostFile.h"

#include "app/LevelEntry.h"
#include "app/LevelFiles.h"
#include "app/RaceRules.h"
#include "platform/DataPath.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

using qorm::scenegraph::FlightRecording;

namespace
{

const char* const ghostMagic = "aerovant-ghost";
const char* const ghostExtension = ".ghost";
constexpr std::size_t maxDigits = 9; // whole milliseconds up to eleven days; counts far beyond any bound

void appendDouble(std::string& out, double value)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int byte = 0; byte < 8; ++byte)
        out += char((bits >> (8 * byte)) & 0xff);
}

double readDouble(const char* in)
{
    uint64_t bits = 0;
    for (int byte = 0; byte < 8; ++byte)
        bits |= uint64_t(static_cast<unsigned char>(in[byte])) << (8 * byte);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The words of `line` split at single spaces; false when a word is empty (two spaces in a row, a
// leading or trailing space).
bool splitWords(const std::string& line, std::vector<std::string>& words)
{
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(' ', start);
        words.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (words.back().empty())
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

bool parseWhole(const std::string& word, uint64_t& value)
{
    if (word.empty() || word.size() > maxDigits || word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoull(word);
    return true;
}

std::unique_ptr<FlightRecording> refuse(std::string& problem, const std::string& why)
{
    problem = why;
    return nullptr;
}

} // namespace

std::string ghostFileContents(const FlightRecording& ghost)
{
    std::string text = std::string(ghostMagic) + " " + std::to_string(ghostFormatVersion) + " " +
                       std::to_string(int64_t(ghost.raceTime)) + " " + std::to_string(ghost.sampleCount()) +
                       " " + std::to_string(ghost.splits.size());
    for (double split : ghost.splits)
        text += " " + std::to_string(int64_t(split));
    text += "\n";
    text.reserve(text.size() + ghost.samples.size() * ghostPoseBytes);
    for (const FlightRecording::Pose& pose : ghost.samples)
        for (double value : pose)
            appendDouble(text, value);
    return text;
}

std::unique_ptr<FlightRecording> parseGhost(const std::string& contents, std::string& problem)
{
    const std::size_t lineEnd = contents.find('\n');
    if (lineEnd == std::string::npos || lineEnd >= maxGhostHeaderLength)
        return refuse(problem, "no header line");
    std::vector<std::string> words;
    if (!splitWords(contents.substr(0, lineEnd), words) || words.size() < 5 || words[0] != ghostMagic)
        return refuse(problem, "not a ghost file");
    uint64_t version = 0, raceTime = 0, poses = 0, splitCount = 0;
    if (!parseWhole(words[1], version))
        return refuse(problem, "not a ghost file");
    if (version != uint64_t(ghostFormatVersion))
        return refuse(problem, "format version " + std::to_string(version) + ", this game reads " +
                                   std::to_string(ghostFormatVersion));

    if (!parseWhole(words[2], raceTime) || !parseWhole(words[3], poses) || !parseWhole(words[4], splitCount))
        return refuse(problem, "the header's numbers are not whole milliseconds and counts");
    if (poses < 2 || poses > uint64_t(FlightRecording::maxSamples))
        return refuse(problem, std::to_string(poses) + " poses (2 to " +
                                   std::to_string(FlightRecording::maxSamples) + " allowed)");
    if (splitCount < 1 || splitCount > maxGhostSplits)
        return refuse(problem, std::to_string(splitCount) + " splits (1 to " +
                                   std::to_string(maxGhostSplits) + " allowed)");
    if (words.size() != 5 + splitCount)
        return refuse(problem, "the header declares " + std::to_string(splitCount) + " splits but holds " +
                                   std::to_string(words.size() - 5));

    auto ghost = std::make_unique<FlightRecording>(0);
    ghost->raceTime = double(raceTime);
    uint64_t previous = 0;
    for (std::size_t k = 0; k < splitCount; ++k) {
        uint64_t split = 0;
        if (!parseWhole(words[5 + k], split) || split < previous)
            return refuse(problem, "split " + std::to_string(k + 1) + " is not a time after the one before");
        ghost->splits.push_back(double(split));
        previous = split;
    }
    if (previous != raceTime)
        return refuse(problem, "the last split is not the race time");

    // The finish lies within the last recorded step (a flight beyond the longest recording keeps
    // only its first poses).
    const double earliest = raceMilliseconds(int64_t(poses) - 2);
    const double latest = raceMilliseconds(int64_t(poses) - 1);
    if (double(raceTime) < earliest ||
        (double(raceTime) > latest && poses < uint64_t(FlightRecording::maxSamples)))
        return refuse(problem, "the race time " + std::to_string(raceTime) + " ms does not match " +
                                   std::to_string(poses) + " poses");

    const uint64_t body = uint64_t(contents.size() - lineEnd - 1);
    if (body != poses * ghostPoseBytes)
        return refuse(problem, "it declares " + std::to_string(poses) + " poses of " +
                                   std::to_string(ghostPoseBytes) + " bytes but holds " +
                                   std::to_string(body) + " bytes of them");
    const char* in = contents.data() + lineEnd + 1;
    ghost->samples.resize(std::size_t(poses));
    for (FlightRecording::Pose& pose : ghost->samples) {
        for (double& value : pose) {
            value = readDouble(in);
            in += sizeof(double);
            if (!std::isfinite(value))
                return refuse(problem, "a pose holds a number that is not finite");
        }
    }
    return ghost;
}

std::unique_ptr<FlightRecording> readGhostFile(const std::string& path, std::string& problem)
{
    problem.clear();
    const std::string native = platform::nativePath(path);
    std::error_code error;
    if (!std::filesystem::exists(native, error))
        return nullptr;
    const uint64_t size = std::filesystem::file_size(native, error);
    if (error)
        return refuse(problem, "cannot be read");
    if (size > maxGhostFileSize)
        return refuse(problem, std::to_string(size) + " bytes, more than a ghost can hold");
    std::ifstream in(native, std::ios::in | std::ios::binary);
    std::string contents;
    contents.resize(std::size_t(size));
    if (!in || !in.read(contents.data(), std::streamsize(size)))
        return refuse(problem, "cannot be read");
    return parseGhost(contents, problem);
}

std::string ghostProblemLine(const std::string& path, const std::string& problem)
{
    return "Ignoring ghost file \"" + path + "\": " + problem;
}

bool saveLevelGhost(const std::string& levelPath, const FlightRecording& ghost)
{
    return saveLevelFile(levelPath, ghostExtension, ghostFileContents(ghost));
}

void loadLevelGhost(LevelEntry& entry)
{
    const std::string path = levelFileToLoad(entry.path, ghostExtension);
    std::string problem;
    std::unique_ptr<FlightRecording> ghost = readGhostFile(path, problem);
    if (!ghost) {
        if (!problem.empty())
            std::cerr << ghostProblemLine(path, problem) << "\n";
        return;
    }
    const double time = ghost->raceTime;
    entry.keepGhost(ghost.release(), time);
}
