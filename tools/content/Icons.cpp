#include "Icons.h"

#include "Image.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

namespace content
{

const char* const iconName = "org.aerovant.Aerovant";

namespace
{

constexpr int iconSizes[] = {32, 48, 64, 128, 256};

// The hill's top edge at x (both in the icon's units).
double hillTop(double x)
{
    return 80 - 6 * std::sin(x / 100 * 3.14159265358979 * 1.3);
}

// Drawn in units of a 100 x 100 square; `scale` pixels per unit.
Canvas icon(int size)
{
    const double scale = size / 100.0;
    Canvas c(size, size, rgb(0, 0, 0, 0));

    // A rounded square of sky, darker at the top, over a green hill, with four sub-samples per axis
    // at the corners.
    const double inset = 4, radius = 18;
    const Colour skyTop = rgb(0.13, 0.36, 0.78), skyLow = rgb(0.72, 0.86, 0.97), grass = rgb(0.3, 0.6, 0.25);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            int inside = 0, ground = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    double x = (px + (sx + 0.5) / 4) / scale, y = (py + (sy + 0.5) / 4) / scale;
                    double dx = std::max({inset + radius - x, x - (100 - inset - radius), 0.0});
                    double dy = std::max({inset + radius - y, y - (100 - inset - radius), 0.0});
                    if (x >= inset && x <= 100 - inset && y >= inset && y <= 100 - inset &&
                        dx * dx + dy * dy <= radius * radius) {
                        ++inside;
                        if (y > hillTop(x))
                            ++ground;
                    }
                }
            if (inside > 0) {
                Colour sky = lerp(skyTop, skyLow, std::pow((py + 0.5) / size, 1.3));
                c.blend(px, py, lerp(sky, grass, double(ground) / inside), inside / 16.0);
            }
        }
    }

    // A race gate: two red and white pylons.
    for (double x : {16.0, 40.0}) {
        double base = hillTop(x) + 2;
        for (int band = 0; band < 3; ++band) {
            double y1 = base - band * 9, y0 = y1 - 9;
            c.fillRect((x - 2.6) * scale, y0 * scale, (x + 2.6) * scale, y1 * scale,
                       band % 2 ? rgb(0.97, 0.97, 0.95) : rgb(0.85, 0.12, 0.1));
        }
    }

    // The sports plane climbing out of the gate, nose to the upper right.
    const double pitch = 0.42, length = 62, cx = 60, cy = 38;
    auto polygon = [&](std::initializer_list<std::pair<double, double>> points, const Colour& colour) {
        std::vector<double> out;
        for (auto [x, y] : points) {
            double px = x * length, py = -y * length;
            out.push_back((cx + px * std::cos(pitch) + py * std::sin(pitch)) * scale);
            out.push_back((cy - px * std::sin(pitch) + py * std::cos(pitch)) * scale);
        }
        c.fillPolygon(out, colour);
    };
    // A trail of smoke behind the tail.
    for (int k = 0; k < 12; ++k) {
        double t = k / 12.0;
        c.fillCircle((10 + 22 * t) * scale, (62 - 11 * t) * scale, (3.5 - 1.5 * t) * scale,
                     rgb(1, 1, 1, 0.45));
    }
    const Colour body = rgb(0.97, 0.97, 0.95), trim = rgb(0.85, 0.12, 0.1);
    polygon({{0.5, 0.0},
             {0.42, 0.07},
             {0.1, 0.085},
             {-0.2, 0.06},
             {-0.45, 0.05},
             {-0.5, 0.04},
             {-0.46, -0.02},
             {-0.1, -0.07},
             {0.3, -0.075},
             {0.46, -0.04}},
            body);
    polygon({{-0.31, 0.05}, {-0.43, 0.24}, {-0.5, 0.24}, {-0.48, 0.04}}, trim);                // fin
    polygon({{0.24, -0.02}, {-0.08, -0.02}, {-0.12, -0.08}, {0.2, -0.08}}, trim);              // wing
    polygon({{0.17, 0.08}, {0.05, 0.15}, {-0.09, 0.14}, {-0.15, 0.07}}, rgb(0.2, 0.35, 0.55)); // canopy
    polygon({{0.49, 0.0}, {0.51, 0.22}, {0.535, 0.22}, {0.52, -0.22}, {0.5, -0.22}}, rgb(0.25, 0.25, 0.28));
    return c;
}

} // namespace

void writeIcons(const std::string& dataFolder)
{
    for (int size : iconSizes) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        savePng(dataFolder + "/icons/hicolor/" + name + "/apps/" + iconName + ".png", icon(size), 4);
    }
}

} // namespace content
