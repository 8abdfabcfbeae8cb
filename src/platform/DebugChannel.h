// The debugger output channel. Linux has no debugger string channel, so the text goes to standard
// error, unbuffered, exactly as given (callers include their own line feed).
#pragma once

#include <string>

namespace platform
{

void debugOutput(const std::string& text);

} // namespace platform
