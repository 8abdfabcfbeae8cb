#include "Image.h"

#include "render/ImageWriter.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace content
{

Colour rgb(double r, double g, double b, double a)
{
    return Colour{r, g, b, a};
}

Colour lerp(const Colour& x, const Colour& y, double t)
{
    return Colour{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

Canvas::Canvas(int width, int height, const Colour& fill)
    : w(width), h(height), pixels(size_t(width) * size_t(height), fill)
{
}

void Canvas::blend(int x, int y, const Colour& c, double coverage)
{
    if (x < 0 || y < 0 || x >= w || y >= h)
        return;
    Colour& d = pixels[size_t(y) * size_t(w) + size_t(x)];
    double a = c.a * coverage;
    double outA = a + d.a * (1.0 - a);
    if (outA <= 0.0) {
        d = Colour{0, 0, 0, 0};
        return;
    }
    d.r = (c.r * a + d.r * d.a * (1.0 - a)) / outA;
    d.g = (c.g * a + d.g * d.a * (1.0 - a)) / outA;
    d.b = (c.b * a + d.b * d.a * (1.0 - a)) / outA;
    d.a = outA;
}

void Canvas::fillContours(const std::vector<std::vector<double>>& contours, const Colour& c)
{
    // Four sub-scanlines per pixel row; along each, the exact covered length of every pixel.
    double top = 1e30, bottom = -1e30;
    for (const auto& points : contours)
        for (size_t i = 1; i < points.size(); i += 2) {
            top = std::min(top, points[i]);
            bottom = std::max(bottom, points[i]);
        }
    int row0 = std::max(0, int(std::floor(top))), row1 = std::min(h - 1, int(std::ceil(bottom)));
    std::vector<double> coverage(size_t(w) + 1), crossings;
    for (int y = row0; y <= row1; ++y) {
        std::fill(coverage.begin(), coverage.end(), 0.0);
        int first = w, last = -1;
        for (int sub = 0; sub < 4; ++sub) {
            double sy = y + (sub + 0.5) / 4.0;
            crossings.clear();
            for (const auto& points : contours) {
                size_t n = points.size() / 2;
                for (size_t i = 0, j = n - 1; i < n; j = i++) {
                    double xi = points[2 * i], yi = points[2 * i + 1], xj = points[2 * j],
                           yj = points[2 * j + 1];
                    if ((yi > sy) != (yj > sy))
                        crossings.push_back((xj - xi) * (sy - yi) / (yj - yi) + xi);
                }
            }
            std::sort(crossings.begin(), crossings.end());
            for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
                double xa = std::clamp(crossings[k], 0.0, double(w)),
                       xb = std::clamp(crossings[k + 1], 0.0, double(w));
                if (xb <= xa)
                    continue;
                int pa = int(xa), pb = std::min(w - 1, int(xb));
                first = std::min(first, pa);
                last = std::max(last, pb);
                if (pa == pb) {
                    coverage[size_t(pa)] += (xb - xa) / 4.0;
                    continue;
                }
                coverage[size_t(pa)] += (pa + 1 - xa) / 4.0;
                for (int p = pa + 1; p < pb; ++p)
                    coverage[size_t(p)] += 0.25;
                coverage[size_t(pb)] += (xb - pb) / 4.0;
            }
        }
        for (int x = first; x <= last; ++x)
            if (coverage[size_t(x)] > 0.0)
                blend(x, y, c, std::min(1.0, coverage[size_t(x)]));
    }
}

void Canvas::fillRect(double x0, double y0, double x1, double y1, const Colour& c)
{
    fillPolygon({x0, y0, x1, y0, x1, y1, x0, y1}, c);
}

namespace
{

std::vector<double> circlePoints(double cx, double cy, double radius)
{
    std::vector<double> points;
    const int segments = std::clamp(int(radius * 2.0), 16, 256);
    for (int i = 0; i < segments; ++i) {
        double a = 6.283185307179586 * i / segments;
        points.push_back(cx + radius * std::cos(a));
        points.push_back(cy + radius * std::sin(a));
    }
    return points;
}

} // namespace

void Canvas::fillCircle(double cx, double cy, double radius, const Colour& c)
{
    fillPolygon(circlePoints(cx, cy, radius), c);
}

void Canvas::fillPolygon(const std::vector<double>& points, const Colour& c)
{
    if (points.size() >= 6)
        fillContours({points}, c);
}

void Canvas::line(double x0, double y0, double x1, double y1, double width, const Colour& c)
{
    double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
    if (len <= 0)
        return;
    double nx = -dy / len * width * 0.5, ny = dx / len * width * 0.5;
    fillPolygon({x0 + nx, y0 + ny, x1 + nx, y1 + ny, x1 - nx, y1 - ny, x0 - nx, y0 - ny}, c);
}

namespace
{

uint8_t toByte(double v)
{
    return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

void check(bool written, const std::string& path)
{
    if (!written)
        throw std::runtime_error("couldn't write image " + path);
}

} // namespace

std::vector<uint8_t> Canvas::bytes(int channels) const
{
    std::vector<uint8_t> out;
    out.reserve(pixels.size() * size_t(channels));
    for (const Colour& c : pixels) {
        out.push_back(toByte(c.r));
        if (channels >= 3) {
            out.push_back(toByte(c.g));
            out.push_back(toByte(c.b));
        }
        if (channels == 4)
            out.push_back(toByte(c.a));
    }
    return out;
}

void savePng(const std::string& path, const Canvas& picture, int channels)
{
    std::vector<uint8_t> data = picture.bytes(channels);
    makeParentFolders(path);
    check(writePng(path, picture.width(), picture.height(), channels, data.data()), path);
}

void saveGreyPng16(const std::string& path, int width, int height, const std::vector<uint16_t>& samples)
{
    makeParentFolders(path);
    check(writeGreyPng16(path, width, height, samples.data()), path);
}

void saveJpeg(const std::string& path, const Canvas& picture, int quality)
{
    std::vector<uint8_t> data = picture.bytes(3);
    makeParentFolders(path);
    check(writeJpeg(path, picture.width(), picture.height(), 3, data.data(), quality), path);
}

void saveTga(const std::string& path, const Canvas& picture)
{
    // Written by hand, to keep the exact run-length packets the panel has always had.
    const int w = picture.width(), h = picture.height();
    std::vector<uint8_t> out = {0,
                                0,
                                10,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                uint8_t(w & 255),
                                uint8_t(w >> 8),
                                uint8_t(h & 255),
                                uint8_t(h >> 8),
                                32,
                                8}; // RLE true colour, 32 bits, 8 alpha bits, origin lower left
    std::vector<uint8_t> rgba = picture.bytes(4);
    for (int row = h - 1; row >= 0; --row) {
        const uint8_t* line = rgba.data() + size_t(row) * size_t(w) * 4;
        auto same = [&](int a, int b) { return std::equal(line + a * 4, line + a * 4 + 4, line + b * 4); };
        auto putPixel = [&](int x) {
            const uint8_t* p = line + x * 4;
            out.insert(out.end(), {p[2], p[1], p[0], p[3]}); // BGRA
        };
        int x = 0;
        while (x < w) {
            int run = 1;
            while (x + run < w && run < 128 && same(x, x + run))
                ++run;
            if (run > 1) {
                out.push_back(uint8_t(0x80 | (run - 1)));
                putPixel(x);
                x += run;
                continue;
            }
            int start = x, count = 0;
            while (x < w && count < 128 && !(x + 1 < w && same(x, x + 1))) {
                ++x;
                ++count;
            }
            out.push_back(uint8_t(count - 1));
            for (int i = start; i < start + count; ++i)
                putPixel(i);
        }
    }
    makeParentFolders(path);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    if (!file)
        throw std::runtime_error("couldn't write image " + path);
}

void saveText(const std::string& path, const std::string& text)
{
    makeParentFolders(path);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file)
        throw std::runtime_error("couldn't write file " + path);
}

void makeParentFolders(const std::string& path)
{
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent);
}

} // namespace content
