#include "FontPage.h"

#include "Collada.h"
#include "Text.h"

#include <cmath>
#include <vector>

namespace content
{

const char* const fontCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 :/-,.!?'()+_";

namespace
{

// Rows of the page, each cut into glyph cells left to right. Between glyphs lie blank cells, so that
// mipmapped sampling near a cell's edge never picks up a neighbour's ink.
const std::vector<std::string> pageRows = {"ABCDEFGHI", "JKLMNOPQR", "STUVWXYZ", "0123456789",
                                           ":/-,.!?'()+_ "};
constexpr double gap = 6.0; // blank pixels between glyph cells

std::string escaped(char c)
{
    switch (c) {
    case '\'':
        return "&apos;";
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    default:
        return std::string(1, c);
    }
}

} // namespace

void writeFont(const std::string& dataFolder, const std::string& fontFile)
{
    TextRenderer text(fontFile);
    // DejaVu's ascender plus descender is 1.164 em: this size fills a row exactly.
    const double pixelSize = fontRowHeight / 1.164;
    const double page = fontPageSize;
    Canvas canvas(fontPageSize, fontPageSize, rgb(1, 1, 1, 0));
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<font texture=\"bendable.png\">\n";
    for (size_t row = 0; row < pageRows.size(); ++row) {
        double top = row * fontRowHeight, baseline = top + text.ascender(pixelSize);
        xml += "  <row end=\"" + number((row + 1) * fontRowHeight / page) + "\">\n";
        double pen = gap;
        // The first blank cell. Blank cells are named by the space character, whose real cell comes
        // last in the file: a later definition replaces an earlier one.
        xml += "    <letter char=\" \" end=\"" + number(pen / page) + "\"/>\n";
        for (char c : pageRows[row]) {
            double advance = text.advance(c, pixelSize);
            text.draw(canvas, pen, baseline, std::string(1, c), pixelSize, rgb(1, 1, 1, 1));
            pen += advance;
            xml += "    <letter char=\"" + escaped(c) + "\" end=\"" + number(pen / page) + "\"/>\n";
            if (c == ' ')
                break; // the real space: nothing may follow it
            pen += gap;
            xml += "    <letter char=\" \" end=\"" + number(pen / page) + "\"/>\n";
        }
        xml += "  </row>\n";
    }
    xml += "</font>\n";
    savePng(dataFolder + "/fonts/bendable.png", canvas, 4);
    saveText(dataFolder + "/fonts/bendable.xml", xml);
}

} // namespace content
