// The game's bitmap font: fonts/bendable.xml and its page fonts/bendable.png.
#pragma once

#include <string>

namespace content
{

// The characters on the page: upper-case letters, digits, space and the punctuation of the game's
// texts (lower case is drawn with the upper-case glyphs).
extern const char* const fontCharacters;

// Page size and row height in pixels. A glyph is drawn 20 units high and 10 x its texture width
// wide, so a row 1/10 of the page width high keeps letters in their true proportions.
constexpr int fontPageSize = 512;
constexpr double fontRowHeight = fontPageSize / 10.0;

void writeFont(const std::string& dataFolder, const std::string& fontFile);

} // namespace content
