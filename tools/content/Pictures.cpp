#include "Pictures.h"

#include "Random.h"
#include "Text.h"

#include <cmath>
#include <vector>

namespace content
{

namespace
{

constexpr double pi = 3.14159265358979323846;

// ---------------------------------------------------------------------------------------------
// Menu pictures. The game shows the upper three quarters of the picture over its 800 x 600 screen,
// so a 1024 x 1024 picture maps 1.28 pixels to a screen unit on both axes. Everything is drawn in
// screen units; the menu's red lines start at x = 430, y = 250 and stay on a light panel.

constexpr int menuSize = 1024;
constexpr double menuScale = menuSize / 800.0;

struct MenuMood {
    Colour skyTop, skyHorizon, hills, ground, panel;
    bool crashed;
};

std::vector<double> scaled(std::vector<double> points)
{
    for (double& v : points)
        v *= menuScale;
    return points;
}

// A side view of the sports plane, nose to the right, centred on (cx, cy), `length` screen units
// long, pitched by `pitch` radians (positive: nose up).
void drawPlane(Canvas& c, double cx, double cy, double length, double pitch, const Colour& body,
               const Colour& trim)
{
    auto at = [&](double x, double y) {
        double px = x * length, py = -y * length;
        double rx = px * std::cos(pitch) + py * std::sin(pitch),
               ry = -px * std::sin(pitch) + py * std::cos(pitch);
        return std::vector<double>{(cx + rx) * menuScale, (cy + ry) * menuScale};
    };
    auto polygon = [&](std::initializer_list<std::pair<double, double>> points, const Colour& colour) {
        std::vector<double> out;
        for (auto [x, y] : points) {
            std::vector<double> p = at(x, y);
            out.insert(out.end(), p.begin(), p.end());
        }
        c.fillPolygon(out, colour);
    };
    polygon({{0.5, 0.0},
             {0.42, 0.06},
             {0.1, 0.075},
             {-0.2, 0.055},
             {-0.45, 0.05},
             {-0.5, 0.04},
             {-0.46, -0.01},
             {-0.1, -0.06},
             {0.3, -0.065},
             {0.46, -0.04}},
            body);                                                                              // fuselage
    polygon({{-0.33, 0.05}, {-0.44, 0.2}, {-0.5, 0.2}, {-0.48, 0.04}}, trim);                   // fin
    polygon({{0.2, -0.03}, {-0.05, -0.03}, {-0.08, -0.05}, {0.18, -0.055}}, trim);              // wing edge
    polygon({{0.16, 0.07}, {0.05, 0.13}, {-0.08, 0.12}, {-0.14, 0.06}}, rgb(0.55, 0.75, 0.92)); // canopy
    polygon({{0.1, -0.06}, {0.14, -0.17}, {0.17, -0.17}, {0.14, -0.06}}, rgb(0.2, 0.2, 0.22));  // gear leg
    std::vector<double> wheel = at(0.155, -0.18);
    c.fillCircle(wheel[0], wheel[1], 0.035 * length * menuScale, rgb(0.15, 0.15, 0.15));
    polygon({{0.48, 0.0}, {0.5, 0.2}, {0.52, 0.2}, {0.51, -0.2}, {0.49, -0.2}},
            rgb(0.3, 0.3, 0.32)); // propeller
}

Canvas menuPicture(TextRenderer& text, const MenuMood& mood)
{
    Canvas c(menuSize, menuSize);
    const double horizon = 400; // screen units
    for (int py = 0; py < menuSize; ++py) {
        double y = (py + 0.5) / menuScale;
        for (int px = 0; px < menuSize; ++px) {
            double x = (px + 0.5) / menuScale;
            Colour col = lerp(mood.skyTop, mood.skyHorizon, std::pow(std::min(1.0, y / horizon), 1.5));
            // Soft clouds (or smoke) drifting across the sky.
            double n = fractal2(x / 140, y / 60, 5, 0.55, mood.crashed ? 911 : 910);
            double cloud = smoothstep(0.15, 0.55, n) * (1 - smoothstep(horizon - 80, horizon, y));
            col = lerp(col, mood.crashed ? rgb(0.25, 0.22, 0.22) : rgb(1, 1, 1), cloud * 0.7);
            c.set(px, py, col);
        }
    }
    // Two ranges of hills, then the airfield.
    for (int layer = 0; layer < 2; ++layer) {
        std::vector<double> hills = {0, 800 * menuScale};
        for (int i = 0; i <= 64; ++i) {
            double x = 800.0 * i / 64;
            double h = horizon - (layer == 0 ? 55 : 25) -
                       (layer == 0 ? 45 : 30) * (0.5 + 0.5 * fractal2(x / 150, layer * 7.0, 4, 0.5, 920));
            hills.push_back(x * menuScale);
            hills.push_back(h * menuScale);
        }
        hills.push_back(800 * menuScale);
        hills.push_back(800 * menuScale);
        c.fillPolygon(hills, lerp(mood.hills, mood.ground, layer * 0.5));
    }
    c.fillRect(0, horizon * menuScale, menuSize, menuSize, mood.ground);
    // The runway running into the distance.
    c.fillPolygon(scaled({330, 400, 370, 400, 560, 800, 140, 800}), rgb(0.32, 0.32, 0.34));
    for (int k = 0; k < 6; ++k) {
        double y0 = 410 + k * k * 8.0, y1 = y0 + 4 + k * 3.0;
        double w0 = 1 + (y0 - 400) * 0.02, w1 = 1 + (y1 - 400) * 0.02;
        c.fillPolygon(scaled({350 - w0, y0, 350 + w0, y0, 350 + w1, y1, 350 - w1, y1}), rgb(0.9, 0.9, 0.86));
    }

    if (!mood.crashed) {
        // A plane climbing away from the airfield, with its smoke trail.
        for (int k = 0; k < 40; ++k) {
            double t = k / 40.0;
            double x = 40 + t * 250, y = 330 - 120 * t - 30 * std::sin(t * pi);
            c.fillCircle(x * menuScale, y * menuScale, (6 + 10 * (1 - t)) * menuScale, rgb(1, 1, 1, 0.25));
        }
        drawPlane(c, 320, 190, 150, 0.45, rgb(0.95, 0.95, 0.93), rgb(0.82, 0.1, 0.08));
    } else {
        // A plane going down in a column of smoke.
        for (int k = 0; k < 50; ++k) {
            double t = k / 50.0;
            double x = 330 - 40 * t + 15 * std::sin(t * 9), y = 90 + 300 * t;
            c.fillCircle(x * menuScale, y * menuScale, (10 + 24 * (1 - t)) * menuScale,
                         rgb(0.12, 0.1, 0.1, 0.3));
        }
        c.fillCircle(335 * menuScale, 395 * menuScale, 30 * menuScale, rgb(1.0, 0.55, 0.1, 0.8));
        drawPlane(c, 330, 330, 130, -1.0, rgb(0.6, 0.58, 0.55), rgb(0.5, 0.1, 0.08));
    }

    // The title.
    const std::string title = "AEROVANT";
    const double titleSize = 86 * menuScale;
    double titleX = 40 * menuScale, titleY = 125 * menuScale;
    text.draw(c, titleX + 5 * menuScale, titleY + 5 * menuScale, title, titleSize, rgb(0, 0, 0, 0.45));
    text.draw(c, titleX, titleY, title, titleSize, mood.crashed ? rgb(0.95, 0.75, 0.2) : rgb(1, 1, 1));
    text.draw(c, titleX + 6 * menuScale, titleY + 38 * menuScale, mood.crashed ? "CRASHED!" : "AIR RACING",
              26 * menuScale, mood.crashed ? rgb(1, 0.85, 0.8) : rgb(0.1, 0.15, 0.35));

    // The panel behind the menu lines: light, so the game's red text reads well.
    c.fillRect(415 * menuScale, 238 * menuScale, 790 * menuScale, 590 * menuScale, rgb(0, 0, 0, 0.25));
    c.fillRect(410 * menuScale, 232 * menuScale, 785 * menuScale, 585 * menuScale, mood.panel);
    c.fillRect(410 * menuScale, 232 * menuScale, 785 * menuScale, 236 * menuScale, rgb(0.8, 0.1, 0.0, 0.9));
    return c;
}

// ---------------------------------------------------------------------------------------------
// Cockpit panel. The game draws it over the lower half of its 800 x 600 screen (y 300 to 600) with
// the texture inset by 0.01 on each side, and t = 0.99 at the top. Drawing happens in those screen
// units; the picture is 1024 x 512 and stored bottom row first, as TGA files usually are.

constexpr int panelWidth = 1024, panelHeight = 512;

double panelX(double sx)
{
    return (0.01 + 0.98 * sx / 800.0) * panelWidth;
}
double panelY(double sy)
{
    return (0.01 + 0.98 * (sy - 300.0) / 300.0) * panelHeight;
}
const double stretchX = (panelWidth * 0.98 / 800.0) / (panelHeight * 0.98 / 300.0);

std::vector<double> panelPoints(std::initializer_list<double> screen)
{
    std::vector<double> out(screen);
    for (size_t i = 0; i + 1 < out.size(); i += 2) {
        out[i] = panelX(out[i]);
        out[i + 1] = panelY(out[i + 1]);
    }
    return out;
}

std::vector<double> panelEllipse(double cx, double cy, double radius, int segments = 64)
{
    std::vector<double> out;
    for (int i = 0; i < segments; ++i) {
        double a = 2 * pi * i / segments;
        out.push_back(panelX(cx + radius * std::cos(a)));
        out.push_back(panelY(cy + radius * std::sin(a)));
    }
    return out;
}

void panelLine(Canvas& c, double x0, double y0, double x1, double y1, double width, const Colour& colour)
{
    double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
    double nx = -dy / len * width * 0.5, ny = dx / len * width * 0.5;
    c.fillPolygon(panelPoints({x0 + nx, y0 + ny, x1 + nx, y1 + ny, x1 - nx, y1 - ny, x0 - nx, y0 - ny}),
                  colour);
}

void gauge(Canvas& c, TextRenderer& text, double cx, double cy, double r, const std::string& label,
           double needle, int ticks)
{
    c.fillPolygon(panelEllipse(cx, cy, r + 4), rgb(0.55, 0.56, 0.58));
    c.fillPolygon(panelEllipse(cx, cy, r), rgb(0.06, 0.06, 0.07));
    for (int k = 0; k < ticks; ++k) {
        double a = -pi * 1.25 + 1.5 * pi * k / (ticks - 1);
        double inner = (k % 2 == 0) ? r * 0.75 : r * 0.84;
        panelLine(c, cx + inner * std::cos(a), cy + inner * std::sin(a), cx + r * 0.95 * std::cos(a),
                  cy + r * 0.95 * std::sin(a), k % 2 == 0 ? 2.0 : 1.2, rgb(0.92, 0.92, 0.9));
    }
    double a = -pi * 1.25 + 1.5 * pi * needle;
    panelLine(c, cx, cy, cx + r * 0.8 * std::cos(a), cy + r * 0.8 * std::sin(a), 2.5, rgb(1.0, 0.55, 0.1));
    c.fillPolygon(panelEllipse(cx, cy, 3.5, 16), rgb(0.7, 0.7, 0.7));
    double size = r * 0.28 * panelHeight * 0.98 / 300.0;
    double w = text.width(label, size) * stretchX;
    text.draw(c, panelX(cx) - w * 0.5, panelY(cy + r * 0.55), label, size, rgb(0.85, 0.85, 0.82), stretchX);
}

Canvas cockpitPanel(TextRenderer& text)
{
    Canvas c(panelWidth, panelHeight, rgb(0, 0, 0, 0));
    const Colour frame = rgb(0.16, 0.17, 0.19), panel = rgb(0.22, 0.23, 0.25), edge = rgb(0.1, 0.1, 0.11);
    // Windshield frame posts on both sides, a glare shield and the panel below it. Everything above
    // and between them stays fully transparent.
    c.fillPolygon(panelPoints({0, 300, 45, 300, 175, 452, 0, 480}), frame);
    c.fillPolygon(panelPoints({800, 300, 755, 300, 625, 452, 800, 480}), frame);
    std::vector<double> shield;
    for (int i = 0; i <= 40; ++i) {
        double x = 800.0 * i / 40;
        double y = 428 + 32 * std::pow((x - 400) / 400, 2);
        shield.push_back(x);
        shield.push_back(y);
    }
    std::vector<double> top = shield;
    top.insert(top.end(), {800, 620, 0, 620});
    std::vector<double> mapped;
    for (size_t i = 0; i < top.size(); i += 2) {
        mapped.push_back(panelX(top[i]));
        mapped.push_back(panelY(top[i + 1]));
    }
    c.fillPolygon(mapped, edge);
    for (size_t i = 1; i < mapped.size(); i += 2)
        mapped[i] += 0.98 * 12 / 300.0 * panelHeight;
    c.fillPolygon(mapped, panel);
    // Brushed metal: faint lines along the rows, which also keeps the run-length encoding short.
    for (int py = 0; py < panelHeight; ++py) {
        double n = 0.03 * valueNoise2(0.5, py * 0.4, 930);
        for (int px = 0; px < panelWidth; ++px) {
            Colour p = c.get(px, py);
            if (p.a > 0.99 && std::fabs(p.r - panel.r) < 0.01)
                c.set(px, py, rgb(p.r + n, p.g + n, p.b + n));
        }
    }

    gauge(c, text, 110, 535, 42, "SPEED", 0.35, 11);
    gauge(c, text, 215, 515, 42, "ALT", 0.6, 11);
    gauge(c, text, 585, 515, 42, "RPM", 0.7, 11);
    gauge(c, text, 690, 535, 42, "FUEL", 0.85, 5);
    // The attitude indicator in the middle: sky over ground.
    {
        const double cx = 400, cy = 525, r = 50;
        c.fillPolygon(panelEllipse(cx, cy, r + 5), rgb(0.55, 0.56, 0.58));
        c.fillPolygon(panelEllipse(cx, cy, r), rgb(0.25, 0.5, 0.85));
        std::vector<double> ground;
        for (int i = 0; i <= 32; ++i) {
            double a = pi * i / 32;
            ground.push_back(panelX(cx + r * std::cos(a)));
            ground.push_back(panelY(cy + r * std::sin(a)));
        }
        c.fillPolygon(ground, rgb(0.55, 0.35, 0.18));
        panelLine(c, cx - r, cy, cx + r, cy, 1.5, rgb(1, 1, 1));
        panelLine(c, cx - 28, cy + 2, cx - 8, cy + 2, 3, rgb(1.0, 0.6, 0.1));
        panelLine(c, cx + 8, cy + 2, cx + 28, cy + 2, 3, rgb(1.0, 0.6, 0.1));
        c.fillPolygon(panelEllipse(cx, cy + 2, 3, 12), rgb(1.0, 0.6, 0.1));
    }
    // Switches and the type plate.
    for (int k = 0; k < 6; ++k) {
        double x = 300 + k * 40;
        c.fillPolygon(panelEllipse(x, 588, 5, 16), rgb(0.12, 0.12, 0.12));
        panelLine(c, x, 588, x, 578, 2.5, rgb(0.8, 0.8, 0.78));
    }
    double plateSize = 14 * panelHeight * 0.98 / 300.0;
    double w = text.width("E300", plateSize) * stretchX;
    text.draw(c, panelX(400) - w * 0.5, panelY(470), "E300", plateSize, rgb(0.85, 0.7, 0.3), stretchX);
    return c;
}

} // namespace

void writeMenuPictures(const std::string& dataFolder, const std::string& fontFile)
{
    TextRenderer text(fontFile);
    MenuMood normal{rgb(0.2, 0.42, 0.8), rgb(0.78, 0.86, 0.95),       rgb(0.45, 0.58, 0.55),
                    rgb(0.4, 0.6, 0.28), rgb(0.97, 0.95, 0.88, 0.88), false};
    MenuMood crash{rgb(0.25, 0.12, 0.1), rgb(0.85, 0.5, 0.3),        rgb(0.35, 0.28, 0.25),
                   rgb(0.35, 0.38, 0.2), rgb(0.95, 0.92, 0.86, 0.9), true};
    saveJpeg(dataFolder + "/menu/normal.jpg", menuPicture(text, normal), 88);
    saveJpeg(dataFolder + "/menu/crash.jpg", menuPicture(text, crash), 88);
}

void writeCockpitPanel(const std::string& dataFolder, const std::string& fontFile)
{
    TextRenderer text(fontFile);
    saveTga(dataFolder + "/cockpit/e300.tga", cockpitPanel(text));
}

} // namespace content
