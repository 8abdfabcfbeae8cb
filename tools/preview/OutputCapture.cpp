#include "OutputCapture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace
{

void flushEverything()
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
}

} // namespace

OutputCapture::OutputCapture()
{
    flushEverything();
    begin(out, STDOUT_FILENO);
    begin(err, STDERR_FILENO);
}

OutputCapture::~OutputCapture()
{
    finish();
}

void OutputCapture::begin(Stream& stream, int descriptor)
{
    char name[] = "/tmp/aerovant-preview-XXXXXX";
    stream.descriptor = descriptor;
    stream.file = mkstemp(name);
    if (stream.file < 0)
        return;
    unlink(name);
    stream.saved = dup(descriptor);
    if (stream.saved < 0 || dup2(stream.file, descriptor) < 0) {
        close(stream.file);
        stream.file = -1;
    }
}

std::string OutputCapture::end(Stream& stream)
{
    std::string text;
    if (stream.saved >= 0) {
        dup2(stream.saved, stream.descriptor);
        close(stream.saved);
        stream.saved = -1;
    }
    if (stream.file >= 0) {
        lseek(stream.file, 0, SEEK_SET);
        char buffer[4096];
        ssize_t count;
        while ((count = read(stream.file, buffer, sizeof buffer)) > 0)
            text.append(buffer, size_t(count));
        close(stream.file);
        stream.file = -1;
    }
    return text;
}

void OutputCapture::finish()
{
    flushEverything();
    output += end(out);
    errors += end(err);
}
