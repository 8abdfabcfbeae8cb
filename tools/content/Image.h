// Pictures in memory and the files they become. Rows are stored top row first, as the picture is
// seen; each writer puts them into its format's own row order (PNG and JPEG top-down, TGA bottom-up),
// which is the order the game's texture loader hands to OpenGL unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace content
{

struct Colour {
    double r = 0, g = 0, b = 0, a = 1; // 0..1, straight (not premultiplied) alpha
};

Colour rgb(double r, double g, double b, double a = 1.0);
Colour lerp(const Colour& x, const Colour& y, double t);

// A floating-point RGBA picture with a few drawing operations. Shapes are anti-aliased: four
// sub-scanlines per pixel row, each with its exact covered length.
class Canvas
{
  public:
    Canvas(int width, int height, const Colour& fill = Colour{});

    int width() const { return w; }
    int height() const { return h; }
    Colour get(int x, int y) const { return pixels[size_t(y) * size_t(w) + size_t(x)]; }
    void set(int x, int y, const Colour& c) { pixels[size_t(y) * size_t(w) + size_t(x)] = c; }
    // Blends `c` over the pixel with `coverage` (0..1) times its alpha.
    void blend(int x, int y, const Colour& c, double coverage);

    void fillRect(double x0, double y0, double x1, double y1, const Colour& c);
    void fillCircle(double cx, double cy, double radius, const Colour& c);
    // Filled polygon, points as x0, y0, x1, y1, ...
    void fillPolygon(const std::vector<double>& points, const Colour& c);
    // Several closed outlines filled together by the even-odd rule (so one inside another is a hole).
    void fillContours(const std::vector<std::vector<double>>& contours, const Colour& c);
    // A thick straight line with square ends.
    void line(double x0, double y0, double x1, double y1, double width, const Colour& c);

    // 8-bit channels, top row first; `channels` 1 (grey from red), 3 or 4.
    std::vector<uint8_t> bytes(int channels) const;

  private:
    int w, h;
    std::vector<Colour> pixels;
};

// Writers. Each creates missing parent folders, overwrites an existing file and throws
// std::runtime_error naming the file when it cannot be written.
void savePng(const std::string& path, const Canvas& picture, int channels);
void saveGreyPng16(const std::string& path, int width, int height, const std::vector<uint16_t>& samples);
void saveJpeg(const std::string& path, const Canvas& picture, int quality);
// Run-length encoded 32-bit TGA with an alpha channel, stored bottom row first (the format's usual
// origin in the lower left corner).
void saveTga(const std::string& path, const Canvas& picture);
// Plain text files (XML documents); byte for byte as given.
void saveText(const std::string& path, const std::string& text);

// Makes the folders of `path` exist.
void makeParentFolders(const std::string& path);

} // namespace content
