#include "Shapes.h"

#include "Random.h"

#include <cmath>
#include <map>
#include <utility>

namespace content
{

namespace
{
constexpr double pi = 3.14159265358979323846;
}

std::vector<Vec3> ring(const Vec3& centre, const Vec3& e1, const Vec3& e2, double r1, double r2, int n,
                       double phase)
{
    std::vector<Vec3> points;
    for (int i = 0; i < n; ++i) {
        double angle = phase + 2.0 * pi * i / n;
        points.push_back(centre + e1 * (r1 * std::cos(angle)) + e2 * (r2 * std::sin(angle)));
    }
    return points;
}

std::vector<Vec3> ringY(const Vec3& centre, double rx, double rz, int n, double phase)
{
    // x then -z: x cross -z is +y, so tubes built upwards face outwards.
    return ring(centre, {1, 0, 0}, {0, 0, -1}, rx, rz, n, phase);
}

void addLoft(MeshBuilder& mesh, const std::vector<std::vector<Vec3>>& rings, bool capFirst, bool capLast)
{
    for (size_t k = 0; k + 1 < rings.size(); ++k) {
        double v0 = 1.0 - double(k + 1) / double(rings.size() - 1),
               v1 = 1.0 - double(k) / double(rings.size() - 1);
        mesh.loft(rings[k], rings[k + 1], capFirst && k == 0, capLast && k + 2 == rings.size(), v0, v1);
    }
}

void addCylinder(MeshBuilder& mesh, const Vec3& base, double radiusBottom, double radiusTop, double height,
                 int sides, bool capBottom, bool capTop)
{
    mesh.loft(ringY(base, radiusBottom, radiusBottom, sides),
              ringY(base + Vec3{0, height, 0}, radiusTop, radiusTop, sides), capBottom, capTop);
}

void addCone(MeshBuilder& mesh, const Vec3& base, double radius, double height, int sides, bool capBottom)
{
    std::vector<Vec3> rim = ringY(base, radius, radius, sides);
    Vec3 apex = base + Vec3{0, height, 0};
    for (int i = 0; i < sides; ++i) {
        int j = (i + 1) % sides;
        double u0 = double(i) / sides, u1 = double(i + 1) / sides;
        mesh.triangle(rim[i], rim[j], apex, {u0, 1}, {u1, 1}, {(u0 + u1) * 0.5, 0});
        if (capBottom)
            mesh.triangle(base, rim[j], rim[i], {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5});
    }
}

void addBox(MeshBuilder& mesh, const Vec3& l, const Vec3& h)
{
    // Corners named by x (l/h), y, z.
    Vec3 lll{l.x, l.y, l.z}, hll{h.x, l.y, l.z}, lhl{l.x, h.y, l.z}, hhl{h.x, h.y, l.z};
    Vec3 llh{l.x, l.y, h.z}, hlh{h.x, l.y, h.z}, lhh{l.x, h.y, h.z}, hhh{h.x, h.y, h.z};
    Uv a{0, 1}, b{1, 1}, c{1, 0}, d{0, 0};
    mesh.quad(llh, hlh, hhh, lhh, a, b, c, d); // +z
    mesh.quad(hll, lll, lhl, hhl, a, b, c, d); // -z
    mesh.quad(hlh, hll, hhl, hhh, a, b, c, d); // +x
    mesh.quad(lll, llh, lhh, lhl, a, b, c, d); // -x
    mesh.quad(lhh, hhh, hhl, lhl, a, b, c, d); // +y
    mesh.quad(lll, hll, hlh, llh, a, b, c, d); // -y
}

void addBeam(MeshBuilder& mesh, const Vec3& a, const Vec3& b, double halfWidth, double halfHeight,
             const Vec3& up)
{
    Vec3 axis = normalised(b - a);
    Vec3 side = cross(up, axis);
    if (dot(side, side) < 1e-8)
        side = cross(Vec3{1, 0, 0}, axis);
    side = normalised(side);
    Vec3 top = normalised(cross(axis, side));
    // side x top = axis: the rings follow along the axis and face outwards.
    std::vector<Vec3> r0, r1;
    const double sx[4] = {1, -1, -1, 1}, sy[4] = {1, 1, -1, -1};
    for (int i = 0; i < 4; ++i) {
        Vec3 offset = side * (sx[i] * halfWidth) + top * (sy[i] * halfHeight);
        r0.push_back(a + offset);
        r1.push_back(b + offset);
    }
    mesh.loft(r0, r1, true, true);
}

void addLumpySphere(MeshBuilder& mesh, const Vec3& centre, const Vec3& radii, double roughness, uint32_t seed,
                    int subdivisions)
{
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Vec3> points = {{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                                {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    std::vector<std::vector<int>> faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                           {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                           {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                           {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    for (Vec3& p : points)
        p = normalised(p);
    for (int s = 0; s < subdivisions; ++s) {
        std::map<std::pair<int, int>, int> middles;
        auto middle = [&](int a, int b) {
            std::pair<int, int> key{std::min(a, b), std::max(a, b)};
            auto found = middles.find(key);
            if (found != middles.end())
                return found->second;
            points.push_back(normalised((points[size_t(a)] + points[size_t(b)]) * 0.5));
            int index = int(points.size()) - 1;
            middles[key] = index;
            return index;
        };
        std::vector<std::vector<int>> next;
        for (const auto& f : faces) {
            int ab = middle(f[0], f[1]), bc = middle(f[1], f[2]), ca = middle(f[2], f[0]);
            next.push_back({f[0], ab, ca});
            next.push_back({f[1], bc, ab});
            next.push_back({f[2], ca, bc});
            next.push_back({ab, bc, ca});
        }
        faces = next;
    }
    std::vector<Vec3> placed;
    for (const Vec3& p : points) {
        double bump = 1.0 + roughness * valueNoise3(p.x * 1.7 + 3.1, p.y * 1.7 - 1.3, p.z * 1.7 + 0.7, seed);
        placed.push_back(centre + Vec3{p.x * radii.x * bump, p.y * radii.y * bump, p.z * radii.z * bump});
    }
    for (const auto& f : faces) {
        auto uvOf = [&](int i) {
            const Vec3& p = points[size_t(i)];
            return Uv{0.5 + 0.5 * p.x, 0.5 - 0.5 * p.y};
        };
        mesh.triangle(placed[size_t(f[0])], placed[size_t(f[1])], placed[size_t(f[2])], uvOf(f[0]),
                      uvOf(f[1]), uvOf(f[2]));
    }
}

} // namespace content
