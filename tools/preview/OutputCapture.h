// Catches everything written to standard output and standard error (by our streams, by C stdio
// and by libraries alike) between start and finish, so the tool can tell whether loading reported
// a problem and still show the messages unchanged.
#pragma once

#include <string>

class OutputCapture
{
  public:
    // Starts catching at once. When the temporary files cannot be made nothing is caught.
    OutputCapture();
    // Finishes, if finish was not called, and writes nothing back.
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Restores both streams; afterwards `output` and `errors` hold what was caught.
    void finish();

    std::string output; // text written to standard output while catching
    std::string errors; // text written to standard error while catching

  private:
    struct Stream {
        int descriptor = -1; // 1 or 2
        int saved = -1;      // duplicate of the original descriptor; -1 when not catching
        int file = -1;       // the temporary file receiving the text
    };
    static void begin(Stream& stream, int descriptor);
    static std::string end(Stream& stream);

    Stream out;
    Stream err;
};
