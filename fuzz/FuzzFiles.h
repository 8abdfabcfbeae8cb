// What the fuzz targets share: the game reads files, so each input is written to a file in a data
// directory of the target's own (made once per process, removed at exit) and handed over by path,
// exactly as the game would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzfiles
{

// The data directory, with its trailing separator; it holds an empty "levels" folder.
const std::string& dataDirectory();

// Writes `size` bytes to `relativePath` below the data directory ('/' separators) and returns the
// full path.
std::string writeFile(const std::string& relativePath, const uint8_t* data, size_t size);

// Silences what the game writes on standard output and error while it lives (the messages are
// expected for hostile files, and printing them would be most of the work).
class QuietOutput
{
  public:
    QuietOutput();
    ~QuietOutput();
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;
};

} // namespace fuzzfiles
