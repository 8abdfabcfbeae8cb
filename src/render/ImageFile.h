// Which image files the game lets its image library decode. The library is old and has not been
// hardened against hostile files, so it only ever sees the three formats the game ships, with the
// decoder picked by us from the file name, and only after the file header has shown a size we are
// willing to decode.
#pragma once

#include <IL/il.h>

#include <string>

// IL_PNG, IL_JPG or IL_TGA from the extension (".png", ".jpg", ".jpeg", ".tga", any case);
// IL_TYPE_UNKNOWN for anything else.
ILenum imageFileType(const std::string& fileName);

// True when the header of the file at `path` (a native path) names a size of 1..maxSide pixels on
// both axes for an image of `type`; false for a missing, short or malformed header.
bool imageSizeAcceptable(const std::string& path, ILenum type, int maxSide);
