#include "Models.h"

#include "Random.h"
#include "Shapes.h"

#include <cmath>

namespace content
{

namespace
{

constexpr double pi = 3.14159265358979323846;

Material colourMaterial(const std::string& id, const Colour& diffuse, double shininess = 10.0,
                        double opacity = 1.0)
{
    Material m;
    m.id = id;
    m.diffuse = diffuse;
    m.ambient = rgb(diffuse.r * 0.5, diffuse.g * 0.5, diffuse.b * 0.5);
    m.specular = rgb(0.15, 0.15, 0.15);
    m.shininess = shininess;
    m.opacity = opacity;
    return m;
}

Material textureMaterial(const std::string& id, const std::string& texture)
{
    Material m = colourMaterial(id, rgb(1, 1, 1), 20.0);
    m.texture = texture;
    return m;
}

Part part(const std::string& id, const MeshBuilder& mesh, const std::string& material)
{
    Part p;
    p.id = id;
    p.mesh = mesh;
    p.material = material;
    return p;
}

// ---------------------------------------------------------------------------------------------
// Airplane: a low-wing aerobatic single-seater. The thrust line is the z axis, so the propeller
// turns about its own node's origin without an offset; the wheels reach exactly as far below the
// axis as the fin reaches above it, so a plane placed half its height above the ground stands on
// its wheels.

// Texture regions of airplane.png (picture coordinates): fuselage in the top half, wings and
// stabilisers in the third quarter, the fin in the last quarter.
Uv fuselageUv(double z, double angle)
{
    double u = (0.52 - z) / 1.0;
    double v = 0.5 * std::fmod(angle / (2.0 * pi) + 1.0, 1.0);
    return {u, v};
}

Uv wingUv(double x, double z)
{
    return {(x + 0.5), 0.5 + 0.25 * (0.2 - z) / 0.7};
}

void addFuselage(MeshBuilder& mesh)
{
    struct Section {
        double z, halfWidth, halfHeight, centreY;
    };
    const Section sections[] = {{-0.47, 0.012, 0.025, 0.03}, {-0.35, 0.028, 0.04, 0.02},
                                {-0.15, 0.05, 0.06, 0.012},  {0.05, 0.068, 0.075, 0.006},
                                {0.25, 0.07, 0.075, 0.003},  {0.40, 0.06, 0.064, 0.0},
                                {0.455, 0.045, 0.05, 0.0}};
    const int n = 12;
    auto point = [&](const Section& s, int i) {
        double angle = 2.0 * pi * i / n;
        double c = std::cos(angle), sn = std::sin(angle);
        // A rounded square cross-section.
        double x = s.halfWidth * (c < 0 ? -1 : 1) * std::pow(std::fabs(c), 0.7);
        double y = s.centreY + s.halfHeight * (sn < 0 ? -1 : 1) * std::pow(std::fabs(sn), 0.7);
        return Vec3{x, y, s.z};
    };
    const size_t count = sizeof sections / sizeof sections[0];
    for (size_t k = 0; k + 1 < count; ++k)
        for (int i = 0; i < n; ++i) {
            const Section &a = sections[k], &b = sections[k + 1];
            double angle0 = 2.0 * pi * i / n, angle1 = 2.0 * pi * (i + 1) / n;
            Uv ta = fuselageUv(a.z, angle0), tb = fuselageUv(a.z, angle1 - 1e-9);
            Uv tc = fuselageUv(b.z, angle1 - 1e-9), td = fuselageUv(b.z, angle0);
            mesh.quad(point(a, i), point(a, i + 1), point(b, i + 1), point(b, i), ta, tb, tc, td);
        }
    for (size_t end = 0; end < 2; ++end) {
        const Section& s = sections[end == 0 ? 0 : count - 1];
        Vec3 centre{0, s.centreY, s.z};
        for (int i = 0; i < n; ++i) {
            Uv t = fuselageUv(s.z, 2.0 * pi * (i + 0.5) / n);
            if (end == 0)
                mesh.triangle(centre, point(s, i + 1), point(s, i), t, t, t);
            else
                mesh.triangle(centre, point(s, i), point(s, i + 1), t, t, t);
        }
    }
}

// A thin lifting surface from tip to tip along x, with a diamond cross-section.
void addWing(MeshBuilder& mesh, double y, double span, double rootFront, double rootBack, double tipFront,
             double tipBack, double rootThickness, double tipThickness)
{
    auto section = [&](double x, double front, double back, double thickness) {
        double mid = front - 0.3 * (front - back);
        // Points top, front, bottom, back: y cross z is x, so the loft along +x faces outwards.
        return std::vector<Vec3>{
            {x, y + thickness * 0.5, mid}, {x, y, front}, {x, y - thickness * 0.5, mid}, {x, y, back}};
    };
    std::vector<std::vector<Vec3>> sections = {section(-span, tipFront, tipBack, tipThickness),
                                               section(0.0, rootFront, rootBack, rootThickness),
                                               section(span, tipFront, tipBack, tipThickness)};
    for (size_t k = 0; k + 1 < sections.size(); ++k)
        for (int i = 0; i < 4; ++i) {
            int j = (i + 1) % 4;
            const Vec3 &a = sections[k][size_t(i)], &b = sections[k][size_t(j)];
            const Vec3 &c = sections[k + 1][size_t(j)], &d = sections[k + 1][size_t(i)];
            mesh.quad(a, b, c, d, wingUv(a.x, a.z), wingUv(b.x, b.z), wingUv(c.x, c.z), wingUv(d.x, d.z));
        }
    for (int end = 0; end < 2; ++end) {
        const auto& s = sections[end == 0 ? 0 : 2];
        Uv t = wingUv(s[0].x, s[0].z);
        if (end == 0) {
            mesh.triangle(s[0], s[2], s[1], t, t, t);
            mesh.triangle(s[0], s[3], s[2], t, t, t);
        } else {
            mesh.triangle(s[0], s[1], s[2], t, t, t);
            mesh.triangle(s[0], s[2], s[3], t, t, t);
        }
    }
}

void addFin(MeshBuilder& mesh)
{
    // Cross-sections front, left side, back, right side: z cross x is y, so the loft upwards faces out.
    auto section = [](double y, double front, double back, double thickness) {
        double mid = front - 0.35 * (front - back);
        return std::vector<Vec3>{
            {0, y, front}, {thickness * 0.5, y, mid}, {0, y, back}, {-thickness * 0.5, y, mid}};
    };
    std::vector<Vec3> root = section(0.035, -0.31, -0.475, 0.014), top = section(0.185, -0.405, -0.48, 0.008);
    auto uv = [](const Vec3& p) { return Uv{(p.z + 0.52) / 0.25, 0.75 + 0.25 * (0.2 - p.y) / 0.2}; };
    for (int i = 0; i < 4; ++i) {
        int j = (i + 1) % 4;
        mesh.quad(root[size_t(i)], root[size_t(j)], top[size_t(j)], top[size_t(i)], uv(root[size_t(i)]),
                  uv(root[size_t(j)]), uv(top[size_t(j)]), uv(top[size_t(i)]));
    }
    Uv t = uv(top[0]);
    mesh.triangle(top[0], top[1], top[2], t, t, t);
    mesh.triangle(top[0], top[2], top[3], t, t, t);
}

ModelFile airplane()
{
    ModelFile file{"airplane.dae", {}};
    ColladaDocument& doc = file.document;
    doc.addMaterial(textureMaterial("livery", "airplane.png"));
    Material glass = colourMaterial("canopy", rgb(0.55, 0.75, 0.9), 60.0, 0.35);
    glass.specular = rgb(0.9, 0.9, 0.9);
    doc.addMaterial(glass);
    doc.addMaterial(colourMaterial("metal", rgb(0.22, 0.22, 0.25), 30.0));
    doc.addMaterial(colourMaterial("spinner", rgb(0.85, 0.1, 0.08), 40.0));

    MeshBuilder body;
    addFuselage(body);
    addWing(body, -0.045, 0.5, 0.17, -0.06, 0.12, 0.0, 0.026, 0.012);
    addWing(body, 0.025, 0.19, -0.36, -0.47, -0.385, -0.46, 0.012, 0.008);
    addFin(body);
    // Wheel spats, part of the painted body.
    for (double side : {-1.0, 1.0}) {
        std::vector<std::vector<Vec3>> rings;
        const double zs[] = {0.17, 0.2, 0.25, 0.28};
        const double scale[] = {0.3, 1.0, 0.9, 0.35};
        for (int k = 0; k < 4; ++k)
            rings.push_back(ring({side * 0.155, -0.15, zs[k]}, {1, 0, 0}, {0, 1, 0}, 0.022 * scale[k],
                                 0.03 * scale[k], 8));
        MeshBuilder spat;
        addLoft(spat, rings, true, true);
        for (Uv& t : spat.uvs)
            t = {0.05, 0.3}; // the red cowling colour
        body.append(spat);
    }
    doc.addPart(part("body", body, "livery"));

    MeshBuilder canopy;
    {
        struct Arc {
            double z, halfWidth, height;
        };
        const Arc arcs[] = {{-0.12, 0.015, 0.01},
                            {-0.08, 0.045, 0.035},
                            {0.0, 0.058, 0.058},
                            {0.1, 0.055, 0.052},
                            {0.17, 0.02, 0.01}};
        std::vector<std::vector<Vec3>> rings;
        for (const Arc& a : arcs) {
            std::vector<Vec3> r;
            for (int i = 0; i <= 6; ++i) {
                double angle = pi * i / 6.0;
                r.push_back({a.halfWidth * std::cos(angle), 0.068 + a.height * std::sin(angle), a.z});
            }
            rings.push_back(r);
        }
        addLoft(canopy, rings, true, true);
    }
    doc.addPart(part("canopy", canopy, "canopy"));

    MeshBuilder gear;
    for (double side : {-1.0, 1.0}) {
        addBeam(gear, {side * 0.06, -0.055, 0.2}, {side * 0.15, -0.145, 0.215}, 0.008, 0.014, {0, 0, 1});
        std::vector<Vec3> inner = ring({side * 0.145, -0.153, 0.22}, {0, 1, 0}, {0, 0, 1}, 0.032, 0.032, 10);
        std::vector<Vec3> outer = ring({side * 0.165, -0.153, 0.22}, {0, 1, 0}, {0, 0, 1}, 0.032, 0.032, 10);
        // The wheel's axis is x; y cross z is +x, so build from the inner to the outer face.
        if (side > 0)
            gear.loft(inner, outer, true, true);
        else
            gear.loft(ring({-0.165, -0.153, 0.22}, {0, 1, 0}, {0, 0, 1}, 0.032, 0.032, 10),
                      ring({-0.145, -0.153, 0.22}, {0, 1, 0}, {0, 0, 1}, 0.032, 0.032, 10), true, true);
    }
    addBeam(gear, {0, 0.0, -0.44}, {0, -0.045, -0.47}, 0.005, 0.005, {0, 0, 1}); // tail skid
    doc.addPart(part("gear", gear, "metal"));

    // The propeller and its spinner turn about the z axis, five turns a second.
    MeshBuilder blades;
    for (double side : {-1.0, 1.0}) {
        Vec3 root{0, side * 0.03, 0.475}, tip{0, side * 0.16, 0.47};
        addBeam(blades, root, tip, 0.016, 0.004, {0, 0, 1});
    }
    Part propeller = part("propeller", blades, "metal");
    propeller.spinPeriod = 0.2;
    doc.addPart(propeller);
    MeshBuilder hub;
    hub.loft(ring({0, 0, 0.455}, {1, 0, 0}, {0, 1, 0}, 0.042, 0.042, 10),
             ring({0, 0, 0.5}, {1, 0, 0}, {0, 1, 0}, 0.03, 0.03, 10), true, false);
    {
        std::vector<Vec3> rim = ring({0, 0, 0.5}, {1, 0, 0}, {0, 1, 0}, 0.03, 0.03, 10);
        for (int i = 0; i < 10; ++i)
            hub.triangle(rim[size_t(i)], rim[size_t((i + 1) % 10)], {0, 0, 0.525});
    }
    Part spinner = part("spinner", hub, "spinner");
    spinner.spinPeriod = 0.2;
    doc.addPart(spinner);
    return file;
}

Canvas airplaneTexture()
{
    const int size = 256;
    Canvas t(size, size, rgb(0.96, 0.96, 0.94));
    const Colour red = rgb(0.82, 0.1, 0.08), navy = rgb(0.08, 0.14, 0.4), gold = rgb(0.95, 0.75, 0.15);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double u = (x + 0.5) / size, v = (y + 0.5) / size;
            Colour c = t.get(x, y);
            if (v < 0.5) {
                // Fuselage: u runs from nose to tail, the angle around from the left side over the
                // top (0.125), the right side (0.25) and the bottom (0.375).
                double angle = v * 2.0 * 2.0 * pi;
                double side = std::cos(angle); // +1 left, -1 right
                double up = std::sin(angle);   // +1 top, -1 bottom
                if (u < 0.12)
                    c = red; // cowling
                else if (up < -0.55)
                    c = navy;
                else {
                    // A red flash sweeping back along both sides with a gold pinstripe.
                    double centre = 0.1 - 0.5 * (u - 0.12);
                    double d = std::fabs(up - centre);
                    if (std::fabs(side) > 0.3 && d < 0.22)
                        c = red;
                    else if (std::fabs(side) > 0.3 && d < 0.28)
                        c = gold;
                }
            } else if (v < 0.75) {
                // Wings seen from above: x across, z down the picture.
                double x = u - 0.5;
                if (std::fabs(x) > 0.36)
                    c = red;
                else if (std::fabs(std::fabs(x) - 0.3) < 0.025)
                    c = navy;
                else if ((v - 0.5) < 0.025)
                    c = gold; // leading edges
            } else {
                // Fin: red with a white band and a navy top.
                c = (v < 0.8) ? navy : ((v > 0.86 && v < 0.9) ? rgb(0.96, 0.96, 0.94) : red);
            }
            t.set(x, y, c);
        }
    return t;
}

// ---------------------------------------------------------------------------------------------
// Gate parts.

ModelFile pylonModel()
{
    ModelFile file{"pylon.dae", {}};
    file.document.addMaterial(textureMaterial("stripes", "pylon.png"));
    // A tall fin, long along the flight direction so that a fast airplane cannot step over the
    // gate's box between two frames; a lens-shaped cross-section that narrows towards the top.
    auto section = [](double y, double scale) {
        std::vector<Vec3> r;
        const int n = 12;
        for (int i = 0; i < n; ++i) {
            double angle = 2.0 * pi * i / n;
            double c = std::cos(angle), s = std::sin(angle);
            double x = pylon::halfWidth * scale * c;
            double z = pylon::halfDepth * scale * (s < 0 ? -1 : 1) * std::pow(std::fabs(s), 1.6);
            r.push_back({x, y, -z});
        }
        return r;
    };
    std::vector<std::vector<Vec3>> rings = {section(-pylon::buried, 1.0), section(0.0, 1.0),
                                            section(8.0, 0.85), section(pylon::height - 0.6, 0.7)};
    MeshBuilder mesh;
    for (size_t k = 0; k + 1 < rings.size(); ++k)
        for (size_t i = 0; i < rings[k].size(); ++i) {
            size_t j = (i + 1) % rings[k].size();
            auto uv = [](const Vec3& p, size_t index) {
                return Uv{double(index) / 12.0, 1.0 - (p.y + 3.0) / 15.0};
            };
            mesh.quad(rings[k][i], rings[k][j], rings[k + 1][j], rings[k + 1][i], uv(rings[k][i], i),
                      uv(rings[k][j], i + 1), uv(rings[k + 1][j], i + 1), uv(rings[k + 1][i], i));
        }
    // A rounded top.
    const std::vector<Vec3>& top = rings.back();
    Vec3 apex{0, pylon::height, 0};
    for (size_t i = 0; i < top.size(); ++i)
        mesh.triangle(top[i], top[(i + 1) % top.size()], apex, {0.5, 0.02}, {0.5, 0.02}, {0.5, 0.02});
    file.document.addPart(part("pylon", mesh, "stripes"));
    return file;
}

Canvas pylonTexture()
{
    // Red and white bands up the pylon (v = 0 at the top), with a dark foot.
    Canvas t(32, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 32; ++x) {
            double height = 12.0 - (y + 0.5) / 256.0 * 15.0;
            Colour c = (height < 0.3) ? rgb(0.25, 0.25, 0.28)
                                      : (int(std::floor(height / 2.0)) % 2 == 0 ? rgb(0.95, 0.95, 0.95)
                                                                                : rgb(0.9, 0.12, 0.1));
            t.set(x, y, c);
        }
    return t;
}

// A downward arrow centred on its origin, tip 1.5 units below it.
MeshBuilder arrowMesh()
{
    MeshBuilder mesh;
    addCylinder(mesh, {0, 0.0, 0}, 0.35, 0.35, 1.6, 8);
    // The head: an upside-down cone from y = 0 down to the tip at y = -1.5.
    std::vector<Vec3> rim = ringY({0, 0, 0}, 1.0, 1.0, 8);
    Vec3 tip{0, -1.5, 0};
    for (int i = 0; i < 8; ++i) {
        const Vec3 &a = rim[size_t(i)], &b = rim[size_t((i + 1) % 8)];
        mesh.triangle(b, a, tip);
        mesh.triangle(a, b, {0, 0, 0});
    }
    return mesh;
}

ModelFile arrowModel(const std::string& name, const Colour& colour, double spinPeriod)
{
    ModelFile file{name, {}};
    Material m = colourMaterial("arrow", colour, 40.0);
    m.ambient = rgb(colour.r * 0.8, colour.g * 0.8, colour.b * 0.8);
    file.document.addMaterial(m);
    Part p = part("arrow", arrowMesh(), "arrow");
    p.spinAxis = {0, 1, 0};
    p.spinPeriod = spinPeriod;
    file.document.addPart(p);
    return file;
}

// ---------------------------------------------------------------------------------------------
// Scenery.

ModelFile treeModel()
{
    ModelFile file{"tree.dae", {}};
    file.document.addMaterial(colourMaterial("bark", rgb(0.4, 0.27, 0.15)));
    file.document.addMaterial(colourMaterial("leaves", rgb(0.3, 0.55, 0.18), 5.0));
    MeshBuilder trunk, crown;
    addCylinder(trunk, {0, -0.5, 0}, 0.22, 0.15, 2.9, 6);
    addLumpySphere(crown, {0, 3.4, 0}, {1.6, 1.45, 1.6}, 0.25, 11);
    addLumpySphere(crown, {0.7, 2.8, 0.4}, {0.9, 0.8, 0.9}, 0.25, 12);
    file.document.addPart(part("trunk", trunk, "bark"));
    file.document.addPart(part("crown", crown, "leaves"));
    return file;
}

ModelFile pineModel()
{
    ModelFile file{"pine.dae", {}};
    file.document.addMaterial(colourMaterial("bark", rgb(0.35, 0.24, 0.14)));
    file.document.addMaterial(colourMaterial("needles", rgb(0.12, 0.36, 0.2), 5.0));
    MeshBuilder trunk, needles;
    addCylinder(trunk, {0, -0.5, 0}, 0.2, 0.12, 2.0, 6);
    addCone(needles, {0, 1.0, 0}, 1.4, 2.6, 8);
    addCone(needles, {0, 2.6, 0}, 1.1, 2.3, 8);
    addCone(needles, {0, 4.0, 0}, 0.75, 2.2, 8);
    file.document.addPart(part("trunk", trunk, "bark"));
    file.document.addPart(part("needles", needles, "needles"));
    return file;
}

ModelFile palmModel()
{
    ModelFile file{"palm.dae", {}};
    file.document.addMaterial(colourMaterial("bark", rgb(0.5, 0.38, 0.24)));
    file.document.addMaterial(colourMaterial("fronds", rgb(0.25, 0.6, 0.2), 5.0));
    MeshBuilder trunk, fronds;
    // A gently bent trunk in segments.
    std::vector<std::vector<Vec3>> rings;
    for (int k = 0; k <= 6; ++k) {
        double y = -0.5 + k * 1.0;
        double lean = 0.05 * k * k;
        rings.push_back(ringY({lean, y, 0}, 0.22 - 0.015 * k, 0.22 - 0.015 * k, 6, 0.3 * k));
    }
    addLoft(trunk, rings, true, true);
    Vec3 top{0.05 * 36, 5.5, 0};
    for (int i = 0; i < 7; ++i) {
        double angle = 2.0 * pi * i / 7.0 + 0.3;
        Vec3 dir{std::cos(angle), 0, std::sin(angle)};
        Vec3 side{-dir.z, 0, dir.x};
        Vec3 mid = top + dir * 1.4 + Vec3{0, 0.35, 0};
        Vec3 end = top + dir * 2.6 + Vec3{0, -0.6, 0};
        // Two-sided leaf: a folded strip.
        for (double s : {1.0, -1.0}) {
            fronds.triangle(top, mid + side * (0.45 * s), mid, {}, {}, {});
            fronds.triangle(mid, mid + side * (0.45 * s), end, {}, {}, {});
            fronds.triangle(top, mid, mid + side * (0.45 * s), {}, {}, {});
            fronds.triangle(mid, end, mid + side * (0.45 * s), {}, {}, {});
        }
    }
    file.document.addPart(part("trunk", trunk, "bark"));
    file.document.addPart(part("fronds", fronds, "fronds"));
    return file;
}

ModelFile cactusModel()
{
    ModelFile file{"cactus.dae", {}};
    file.document.addMaterial(colourMaterial("cactus", rgb(0.3, 0.5, 0.25), 8.0));
    MeshBuilder mesh;
    addCylinder(mesh, {0, -0.5, 0}, 0.35, 0.3, 4.3, 8);
    addCone(mesh, {0, 3.8, 0}, 0.3, 0.35, 8, false);
    // Two arms: out sideways, then up.
    for (double side : {-1.0, 1.0}) {
        double y = side > 0 ? 1.6 : 2.2;
        addBeam(mesh, {side * 0.2, y, 0}, {side * 0.95, y + 0.1, 0}, 0.2, 0.2, {0, 0, 1});
        addCylinder(mesh, {side * 0.95, y - 0.1, 0}, 0.22, 0.2, side > 0 ? 1.6 : 1.2, 8);
    }
    file.document.addPart(part("cactus", mesh, "cactus"));
    return file;
}

ModelFile rockModel()
{
    ModelFile file{"rock.dae", {}};
    file.document.addMaterial(colourMaterial("stone", rgb(0.55, 0.53, 0.5), 6.0));
    MeshBuilder mesh;
    addLumpySphere(mesh, {0, 0.3, 0}, {1.6, 1.1, 1.3}, 0.35, 21, 1);
    file.document.addPart(part("rock", mesh, "stone"));
    return file;
}

// A cottage: walls, a gabled roof, a chimney and glass windows (drawn in the transparent pass).
ModelFile houseModel()
{
    ModelFile file{"house.dae", {}};
    file.document.addMaterial(colourMaterial("walls", rgb(0.92, 0.88, 0.78)));
    file.document.addMaterial(colourMaterial("roof", rgb(0.65, 0.2, 0.12)));
    Material glass = colourMaterial("glass", rgb(0.4, 0.6, 0.75), 80.0, 0.55);
    glass.specular = rgb(0.9, 0.9, 0.9);
    file.document.addMaterial(glass);
    file.document.addMaterial(colourMaterial("wood", rgb(0.4, 0.26, 0.16)));
    const double hx = 2.0, hz = 1.5, wall = 2.4, ridge = 4.0;
    MeshBuilder walls, roof, windows, wood;
    addBox(walls, {-hx, -1.0, -hz}, {hx, wall, hz});
    // Gable ends.
    walls.triangle({-hx, wall, hz}, {hx, wall, hz}, {0, ridge, hz});
    walls.triangle({hx, wall, -hz}, {-hx, wall, -hz}, {0, ridge, -hz});
    // Roof planes overhanging the walls a little.
    const double o = 0.3;
    MeshBuilder slab;
    slab.quad({-hx - o, wall - 0.2, hz + o}, {-hx - o, wall - 0.2, -hz - o}, {0, ridge + 0.1, -hz - o},
              {0, ridge + 0.1, hz + o});
    slab.quad({hx + o, wall - 0.2, -hz - o}, {hx + o, wall - 0.2, hz + o}, {0, ridge + 0.1, hz + o},
              {0, ridge + 0.1, -hz - o});
    // The same planes facing the other way: the roof is seen from above and from below.
    slab.quad({0, ridge + 0.1, hz + o}, {0, ridge + 0.1, -hz - o}, {-hx - o, wall - 0.2, -hz - o},
              {-hx - o, wall - 0.2, hz + o});
    slab.quad({0, ridge + 0.1, -hz - o}, {0, ridge + 0.1, hz + o}, {hx + o, wall - 0.2, hz + o},
              {hx + o, wall - 0.2, -hz - o});
    roof.append(slab);
    addBox(roof, {0.8, 2.8, -0.6}, {1.2, 4.4, -0.2}); // chimney
    // Windows just proud of the walls, a door of wood.
    for (double x : {-1.2, 1.2}) {
        windows.quad({x - 0.45, 1.0, hz + 0.02}, {x + 0.45, 1.0, hz + 0.02}, {x + 0.45, 1.8, hz + 0.02},
                     {x - 0.45, 1.8, hz + 0.02});
        windows.quad({x + 0.45, 1.0, -hz - 0.02}, {x - 0.45, 1.0, -hz - 0.02}, {x - 0.45, 1.8, -hz - 0.02},
                     {x + 0.45, 1.8, -hz - 0.02});
    }
    windows.quad({hx + 0.02, 1.0, 0.5}, {hx + 0.02, 1.0, -0.5}, {hx + 0.02, 1.8, -0.5},
                 {hx + 0.02, 1.8, 0.5});
    wood.quad({-0.4, 0.0, hz + 0.03}, {0.4, 0.0, hz + 0.03}, {0.4, 1.9, hz + 0.03}, {-0.4, 1.9, hz + 0.03});
    file.document.addPart(part("walls", walls, "walls"));
    file.document.addPart(part("roof", roof, "roof"));
    file.document.addPart(part("door", wood, "wood"));
    file.document.addPart(part("windows", windows, "glass"));
    return file;
}

// A windmill whose sails turn slowly about the z axis through the hub.
ModelFile windmillModel()
{
    ModelFile file{"windmill.dae", {}};
    file.document.addMaterial(colourMaterial("plaster", rgb(0.9, 0.88, 0.82)));
    file.document.addMaterial(colourMaterial("cap", rgb(0.3, 0.2, 0.14)));
    file.document.addMaterial(colourMaterial("sails", rgb(0.85, 0.8, 0.7), 4.0));
    MeshBuilder tower, cap, sails;
    addCylinder(tower, {0, -1.0, 0}, 2.0, 1.3, 8.5, 8);
    addCone(cap, {0, 7.4, 0}, 1.6, 2.0, 8);
    addBox(cap, {-0.25, 7.4, 1.0}, {0.25, 7.9, 1.9}); // axle housing
    const double hubY = 7.65, hubZ = 2.0;
    addBox(sails, {-0.3, -0.3, -0.1}, {0.3, 0.3, 0.3});
    for (int i = 0; i < 4; ++i) {
        double angle = pi * 0.5 * i + pi * 0.25;
        Vec3 dir{std::cos(angle), std::sin(angle), 0};
        Vec3 side{-dir.y, dir.x, 0};
        addBeam(sails, dir * 0.2, dir * 5.5, 0.09, 0.06, {0, 0, 1});
        // The sail cloth on one side of the stock.
        Vec3 a = dir * 1.2, b = dir * 5.4, c = dir * 5.4 + side * 0.9, d = dir * 1.2 + side * 0.9;
        sails.quad(a + Vec3{0, 0, 0.05}, b + Vec3{0, 0, 0.05}, c + Vec3{0, 0, 0.05}, d + Vec3{0, 0, 0.05});
        sails.quad(d + Vec3{0, 0, -0.02}, c + Vec3{0, 0, -0.02}, b + Vec3{0, 0, -0.02},
                   a + Vec3{0, 0, -0.02});
    }
    file.document.addPart(part("tower", tower, "plaster"));
    file.document.addPart(part("cap", cap, "cap"));
    Part rotor = part("rotor", sails, "sails");
    rotor.translate = {0, hubY, hubZ};
    rotor.spinAxis = {0, 0, 1};
    rotor.spinPeriod = 8.0;
    file.document.addPart(rotor);
    return file;
}

ModelFile hangarModel()
{
    ModelFile file{"hangar.dae", {}};
    file.document.addMaterial(colourMaterial("sheet", rgb(0.62, 0.64, 0.66), 30.0));
    file.document.addMaterial(colourMaterial("door", rgb(0.25, 0.3, 0.35)));
    MeshBuilder shell, door;
    // A half-cylinder roof over a rectangular floor, open end towards +x (the runway).
    const double radius = 5.0, halfLength = 6.0;
    const int n = 10;
    std::vector<Vec3> front, back;
    for (int i = 0; i <= n; ++i) {
        double angle = pi * i / n;
        front.push_back({halfLength, -0.5 + radius * std::sin(angle) * 0.9, radius * std::cos(angle)});
        back.push_back({-halfLength, -0.5 + radius * std::sin(angle) * 0.9, radius * std::cos(angle)});
    }
    for (int i = 0; i < n; ++i) {
        shell.quad(back[size_t(i)], front[size_t(i)], front[size_t(i + 1)], back[size_t(i + 1)]);
    }
    // End walls.
    Vec3 backCentre{-halfLength, -0.5, 0}, frontCentre{halfLength, -0.5, 0};
    for (int i = 0; i < n; ++i) {
        shell.triangle(backCentre, back[size_t(i)], back[size_t(i + 1)]);
        door.triangle(frontCentre, front[size_t(i + 1)], front[size_t(i)]);
    }
    file.document.addPart(part("shell", shell, "sheet"));
    file.document.addPart(part("door", door, "door"));
    return file;
}

ModelFile lighthouseModel()
{
    ModelFile file{"lighthouse.dae", {}};
    file.document.addMaterial(colourMaterial("white", rgb(0.93, 0.93, 0.9)));
    file.document.addMaterial(colourMaterial("red", rgb(0.8, 0.12, 0.1)));
    Material lamp = colourMaterial("lamp", rgb(1.0, 0.9, 0.5), 80.0, 0.6);
    lamp.ambient = rgb(0.9, 0.8, 0.4);
    file.document.addMaterial(lamp);
    MeshBuilder white, red, glass;
    const double bands[] = {-1.0, 2.5, 5.0, 7.5, 10.0, 12.5};
    for (int k = 0; k < 5; ++k) {
        double y0 = bands[k], y1 = bands[k + 1];
        double r0 = 1.8 - 0.06 * (y0 + 1.0), r1 = 1.8 - 0.06 * (y1 + 1.0);
        addCylinder(k % 2 == 0 ? white : red, {0, y0, 0}, r0, r1, y1 - y0, 10, k == 0, false);
    }
    addCylinder(red, {0, 12.5, 0}, 1.5, 1.5, 0.3, 10);
    addCylinder(glass, {0, 12.8, 0}, 0.8, 0.8, 1.4, 10);
    addCone(red, {0, 14.2, 0}, 1.0, 1.0, 10);
    file.document.addPart(part("white", white, "white"));
    file.document.addPart(part("red", red, "red"));
    file.document.addPart(part("lamp", glass, "lamp"));
    return file;
}

// A flat disc of water, radius 1: scaled to ponds, lakes and the sea by the scene files.
ModelFile waterModel()
{
    ModelFile file{"water.dae", {}};
    Material water = colourMaterial("water", rgb(0.2, 0.45, 0.6), 90.0, 0.6);
    water.specular = rgb(0.8, 0.85, 0.9);
    file.document.addMaterial(water);
    MeshBuilder mesh;
    std::vector<Vec3> rim = ringY({0, 0, 0}, 1.0, 1.0, 32);
    for (size_t i = 0; i < rim.size(); ++i)
        mesh.triangle({0, 0, 0}, rim[i], rim[(i + 1) % rim.size()], {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5});
    file.document.addPart(part("surface", mesh, "water"));
    return file;
}

// The sea around an island: a wide flat ring, radius 1 outside and 0.1 inside, scaled by the scene
// file. The hole stays under the island, so that a plane on the runway, whose nearest ground the
// near plane cuts away, sees the sky's dark ground below it rather than the sea.
ModelFile seaModel()
{
    ModelFile file{"sea.dae", {}};
    Material water = colourMaterial("sea", rgb(0.15, 0.4, 0.58), 90.0, 0.6);
    water.specular = rgb(0.8, 0.85, 0.9);
    file.document.addMaterial(water);
    MeshBuilder mesh;
    std::vector<Vec3> outer = ringY({0, 0, 0}, 1.0, 1.0, 64), inner = ringY({0, 0, 0}, 0.1, 0.1, 64);
    for (size_t i = 0; i < outer.size(); ++i) {
        size_t j = (i + 1) % outer.size();
        mesh.quad(inner[i], outer[i], outer[j], inner[j], {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5});
    }
    file.document.addPart(part("surface", mesh, "sea"));
    return file;
}

} // namespace

std::vector<ModelFile> buildModels()
{
    std::vector<ModelFile> models;
    models.push_back(airplane());
    models.push_back(pylonModel());
    // The small arrow marks gates still ahead; the large one, shown over the next gate, turns.
    models.push_back(arrowModel("arrow.dae", rgb(1.0, 0.78, 0.1), 0.0));
    models.push_back(arrowModel("arrow.dae2", rgb(0.15, 0.95, 0.3), 2.0));
    models.push_back(treeModel());
    models.push_back(pineModel());
    models.push_back(palmModel());
    models.push_back(cactusModel());
    models.push_back(rockModel());
    models.push_back(houseModel());
    models.push_back(windmillModel());
    models.push_back(hangarModel());
    models.push_back(lighthouseModel());
    models.push_back(waterModel());
    models.push_back(seaModel());
    return models;
}

void writeModels(const std::string& folder)
{
    for (const ModelFile& model : buildModels())
        saveText(folder + "/" + model.name, model.document.xml());
    savePng(folder + "/airplane.png", airplaneTexture(), 3);
    savePng(folder + "/pylon.png", pylonTexture(), 3);
}

} // namespace content
