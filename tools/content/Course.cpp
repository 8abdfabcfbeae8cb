#include "Course.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace content
{

namespace
{

constexpr double pi = 3.14159265358979323846;

Point2 catmullRom(const Point2& p0, const Point2& p1, const Point2& p2, const Point2& p3, double t)
{
    double t2 = t * t, t3 = t2 * t;
    auto blend = [&](double a, double b, double c, double d) {
        return 0.5 *
               (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
    };
    return {blend(p0.x, p1.x, p2.x, p3.x), blend(p0.z, p1.z, p2.z, p3.z)};
}

double segmentDistance2(const Point2& a, const Point2& b, double x, double z)
{
    double dx = b.x - a.x, dz = b.z - a.z, len2 = dx * dx + dz * dz;
    double t = len2 > 0 ? std::clamp(((x - a.x) * dx + (z - a.z) * dz) / len2, 0.0, 1.0) : 0.0;
    double ex = a.x + dx * t - x, ez = a.z + dz * t - z;
    return ex * ex + ez * ez;
}

} // namespace

CoursePath::CoursePath(const std::vector<Point2>& gates)
{
    controls.push_back({0, -200});
    controls.push_back({0, 0});
    controls.insert(controls.end(), gates.begin(), gates.end());
    const Point2& last = controls.back();
    const Point2& before = controls[controls.size() - 2];
    double dx = last.x - before.x, dz = last.z - before.z, len = std::sqrt(dx * dx + dz * dz);
    controls.push_back({last.x + dx / len * 150.0, last.z + dz / len * 150.0});

    const int steps = 24;
    for (size_t k = 0; k + 1 < controls.size(); ++k) {
        const Point2& p0 = controls[k == 0 ? 0 : k - 1];
        const Point2& p3 = controls[std::min(k + 2, controls.size() - 1)];
        for (int s = 0; s < steps; ++s) {
            if (k + 2 == controls.size() - 1 && s == 0)
                lastGateSample = samples.size();
            samples.push_back(catmullRom(p0, controls[k], controls[k + 1], p3, double(s) / steps));
        }
    }
    samples.push_back(controls.back());

    grid.resize(size_t(gridSide * gridSide));
    for (size_t i = 0; i + 1 < samples.size(); ++i) {
        double x0 = std::min(samples[i].x, samples[i + 1].x), x1 = std::max(samples[i].x, samples[i + 1].x);
        double z0 = std::min(samples[i].z, samples[i + 1].z), z1 = std::max(samples[i].z, samples[i + 1].z);
        for (int gz = int(std::floor(z0 / cell)); gz <= int(std::floor(z1 / cell)); ++gz)
            for (int gx = int(std::floor(x0 / cell)); gx <= int(std::floor(x1 / cell)); ++gx) {
                int cx = gx - gridOrigin, cz = gz - gridOrigin;
                if (cx >= 0 && cz >= 0 && cx < gridSide && cz < gridSide)
                    grid[size_t(cz * gridSide + cx)].push_back(i);
            }
    }
}

double CoursePath::distance(double x, double z) const
{
    // Search rings of grid cells outwards until the nearest segment cannot lie further out.
    int cx = int(std::floor(x / cell)) - gridOrigin, cz = int(std::floor(z / cell)) - gridOrigin;
    double best = std::numeric_limits<double>::max();
    for (int radius = 0; radius < gridSide; ++radius) {
        for (int dz = -radius; dz <= radius; ++dz)
            for (int dx = -radius; dx <= radius; ++dx) {
                if (std::max(std::abs(dx), std::abs(dz)) != radius)
                    continue;
                int gx = cx + dx, gz = cz + dz;
                if (gx < 0 || gz < 0 || gx >= gridSide || gz >= gridSide)
                    continue;
                for (size_t i : grid[size_t(gz * gridSide + gx)])
                    best = std::min(best, segmentDistance2(samples[i], samples[i + 1], x, z));
            }
        double reach = radius * cell;
        if (best < std::numeric_limits<double>::max() && reach * reach >= best)
            break;
    }
    if (best == std::numeric_limits<double>::max()) {
        for (size_t i = 0; i + 1 < samples.size(); ++i)
            best = std::min(best, segmentDistance2(samples[i], samples[i + 1], x, z));
    }
    return std::sqrt(best);
}

double CoursePath::heading(size_t index) const
{
    // Catmull-Rom tangent at the gate's control point.
    size_t k = index + 2;
    const Point2 &a = controls[k - 1], &b = controls[k + 1];
    return std::atan2(b.x - a.x, b.z - a.z) * 180.0 / pi;
}

double CoursePath::length() const
{
    // From the origin (the first 24 samples lie behind the start) to the last gate.
    double total = 0;
    for (size_t i = 24; i < lastGateSample + 24 && i + 1 < samples.size(); ++i)
        total += std::hypot(samples[i + 1].x - samples[i].x, samples[i + 1].z - samples[i].z);
    return total;
}

} // namespace content
