// Text drawn with FreeType into pictures: the font page and the lettering on the menu pictures and
// the cockpit panel.
#pragma once

#include "Image.h"

#include <string>

namespace content
{

class TextRenderer
{
  public:
    // Opens the font file; throws std::runtime_error naming it when FreeType cannot.
    explicit TextRenderer(const std::string& fontFile);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // Pen advance of one character at `pixelSize`, in pixels (fractional).
    double advance(char c, double pixelSize);
    // Width of a string at `pixelSize`.
    double width(const std::string& text, double pixelSize);
    // Distance from the top of a line to its baseline for `pixelSize`.
    double ascender(double pixelSize);

    // Draws `text` with its baseline starting at (x, y), blending `colour` by the glyph coverage.
    // `stretchX` widens the letters, for pictures that the game stretches unevenly on screen.
    void draw(Canvas& canvas, double x, double y, const std::string& text, double pixelSize,
              const Colour& colour, double stretchX = 1.0);

  private:
    void setSize(double pixelSize, double stretchX = 1.0);

    void* library = nullptr; // FT_Library
    void* face = nullptr;    // FT_Face
};

} // namespace content
