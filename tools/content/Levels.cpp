// The four levels: courses, terrain shaping and scenery placement.
#include "Course.h"
#include "Level.h"
#include "Models.h"
#include "Random.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace content
{

namespace
{

constexpr double pi = 3.14159265358979323846;

// Where the terrain is held exactly at the floor height: the runway and its apron, with room for
// the hangar beside it.
constexpr double runwayX0 = -62, runwayX1 = 30, runwayZ0 = -70, runwayZ1 = 360;
constexpr double padRadius = 18; // flat ground around a gate: pylons and the height queries stay on it
constexpr double padBlend = 45;

double rectangleDistance(double x, double z, double x0, double z0, double x1, double z1)
{
    double dx = std::max({x0 - x, 0.0, x - x1}), dz = std::max({z0 - z, 0.0, z - z1});
    return std::sqrt(dx * dx + dz * dz);
}

struct Shape {
    std::function<double(double, double)> base;  // the untouched landscape
    std::function<double(double, double)> floor; // valley floor along the course
    double corridorHalf = 50, corridorBlend = 120;
    bool carveOnlyDown = false; // the corridor only lowers the ground (coasts keep their sea)
    double remoteRise = 0;      // extra height far from the course, so it winds between massifs
    double maxHeight = 1e9;
};

struct Pond {
    double x, z, radius, bottom;
};

void shapeTerrain(Level& level, const Shape& shape, const CoursePath& path, const std::vector<Pond>& ponds)
{
    HeightField& t = level.terrain;
    const double floor = level.floorHeight;
    std::vector<double> padHeights;
    for (const Gate& g : level.gates)
        padHeights.push_back(shape.carveOnlyDown ? std::min(floor, shape.base(g.x, g.z)) : floor);
    const double half = t.sizeX() * 0.5;
    for (int j = 0; j < t.size(); ++j)
        for (int i = 0; i < t.size(); ++i) {
            double x = t.columnX(i), z = t.rowZ(j);
            double d = path.distance(x, z);
            double outer = shape.corridorHalf + shape.corridorBlend;
            double base = std::min(shape.maxHeight,
                                   shape.base(x, z) + shape.remoteRise * smoothstep(outer, outer + 200, d));
            double w = smoothstep(shape.corridorHalf, outer, d);
            double valley = shape.carveOnlyDown ? std::min(base, shape.floor(x, z)) : shape.floor(x, z);
            double h = mix(valley, base, w);
            double runway =
                1.0 - smoothstep(0.0, 50.0, rectangleDistance(x, z, runwayX0, runwayZ0, runwayX1, runwayZ1));
            h = mix(h, floor, runway);
            for (size_t g = 0; g < level.gates.size(); ++g) {
                double r = std::hypot(x - level.gates[g].x, z - level.gates[g].z);
                h = mix(h, padHeights[g], 1.0 - smoothstep(padRadius, padRadius + padBlend, r));
            }
            for (const Pond& p : ponds) {
                double r = std::hypot(x - p.x, z - p.z) / p.radius;
                if (r < 1.6)
                    h = std::min(h, p.bottom + (level.waterLevel + 1.5 - p.bottom) * r * r);
            }
            double edge = half - std::max(std::fabs(x), std::fabs(z));
            h *= smoothstep(15.0, 110.0, edge);
            t.setSample(i, j, t.quantise(std::max(h, 0.0)));
        }
    // Exact floor samples where the game reads heights for the start and the gates.
    uint16_t floorSample = t.quantise(floor);
    for (int j = 0; j < t.size(); ++j)
        for (int i = 0; i < t.size(); ++i) {
            double x = t.columnX(i), z = t.rowZ(j);
            if (rectangleDistance(x, z, runwayX0, runwayZ0, runwayX1, runwayZ1) <= 0.0)
                t.setSample(i, j, floorSample);
            for (size_t g = 0; g < level.gates.size(); ++g)
                if (std::hypot(x - level.gates[g].x, z - level.gates[g].z) <= padRadius)
                    t.setSample(i, j, t.quantise(padHeights[g]));
        }
    for (const Pond& p : ponds)
        level.ponds.push_back({p.x, p.z, p.radius});
}

void setGates(Level& level, const std::vector<Point2>& points, const CoursePath& path)
{
    for (size_t i = 0; i < points.size(); ++i)
        level.gates.push_back({points[i].x, points[i].z, std::round(path.heading(i) * 10.0) / 10.0});
}

// ---------------------------------------------------------------------------------------------
// Scenery.

struct Rules {
    double minHeight = 0.5, maxHeight = 1000, maxSlope = 0.5;
    double clearance = 30; // distance from the course line
    double spacing = 4;    // distance from other objects
};

class Planter
{
  public:
    Planter(Level& level, const CoursePath& path, uint64_t seed) : level(level), path(path), random(seed) {}

    // Tries to put `count` objects of `models` (chosen at random) within `radius` of (gx, gz).
    void group(double gx, double gz, double radius, int count, const std::vector<std::string>& models,
               const Rules& rules, double scaleLow = 0.8, double scaleHigh = 1.25)
    {
        SceneryGroup g{gx, gz, {}};
        for (int attempt = 0; attempt < count * 12 && int(g.objects.size()) < count; ++attempt) {
            double angle = random.range(0, 2 * pi), r = radius * std::sqrt(random.uniform());
            double x = gx + r * std::cos(angle), z = gz + r * std::sin(angle);
            const std::string& model = models[size_t(random.below(int(models.size())))];
            double scale = random.range(scaleLow, scaleHigh), turn = std::round(random.range(0, 360));
            if (!fits(x, z, rules))
                continue;
            g.objects.push_back(place(model, x - gx, z - gz, x, z, turn, scale));
            taken.push_back({x, z});
        }
        if (!g.objects.empty())
            level.groups.push_back(g);
    }

    // One object exactly where it is wanted (buildings, landmarks); the ground there must suit it.
    void single(const std::string& model, double x, double z, double turn, double scale = 1.0)
    {
        // Buildings reach about a unit into the ground: steeper ground would show under their walls.
        if (level.terrain.slope(x, z) > 0.15)
            throw std::runtime_error(level.key + ": the ground under " + model + " is too steep");
        level.groups.push_back({x, z, {place(model, 0, 0, x, z, turn, scale)}});
        taken.push_back({x, z});
    }

    bool fits(double x, double z, const Rules& rules) const
    {
        const HeightField& t = level.terrain;
        double limit = t.sizeX() * 0.5 - 40;
        if (std::fabs(x) > limit || std::fabs(z) > limit)
            return false;
        double h = t.surfaceHeight(x, z);
        if (h < rules.minHeight || h > rules.maxHeight || h < level.waterLevel + 0.6)
            return false;
        if (t.slope(x, z) > rules.maxSlope)
            return false;
        if (path.distance(x, z) < rules.clearance)
            return false;
        if (rectangleDistance(x, z, runwayX0 - 4, runwayZ0 - 4, runwayX1 + 4, runwayZ1 + 4) <= 0)
            return false;
        for (const Gate& g : level.gates)
            if (std::hypot(x - g.x, z - g.z) < 30)
                return false;
        for (const PondArea& p : level.ponds)
            if (std::hypot(x - p.x, z - p.z) < 1.15 * p.radius)
                return false;
        for (const Point2& p : taken)
            if (std::hypot(x - p.x, z - p.z) < rules.spacing)
                return false;
        return true;
    }

  private:
    Placement place(const std::string& model, double localX, double localZ, double x, double z, double turn,
                    double scale)
    {
        // A world height on the drawn ground; never exactly 0, which would ask the game to look the
        // height up itself (with its coarser query).
        double y = std::round(level.terrain.surfaceHeight(x, z) * 1000.0) / 1000.0;
        if (std::fabs(y) < 0.002)
            y = 0.002;
        return {model, std::round(localX * 100) / 100, y, std::round(localZ * 100) / 100,
                turn,  std::round(scale * 100) / 100};
    }

    Level& level;
    const CoursePath& path;
    Random random;
    std::vector<Point2> taken;
};

void addWater(Level& level, double x, double z, double radius)
{
    level.groups.push_back({x, z, {{"water.dae", 0, level.waterLevel, 0, 0, radius}}});
}

// ---------------------------------------------------------------------------------------------

Level meadow()
{
    Level level;
    level.key = "meadow";
    level.name = "Flight School";
    level.landscape = Landscape::Meadow;
    level.terrain = HeightField(257, 1600, 60, 1600);
    level.floorHeight = 3.0;
    level.waterLevel = 2.2;
    // Almost straight ahead: every gate leaves the line x = 0 well clear of its pylons, so holding
    // the throttle alone flies the course on the ground.
    std::vector<Point2> points = {{0, 130}, {1.5, 240}, {-1.5, 350}, {2.5, 460}, {-1, 570}, {0, 680}};
    CoursePath path(points);
    setGates(level, points, path);
    Shape shape;
    shape.base = [](double x, double z) {
        double hills = smoothstep(110, 380, std::fabs(x) + 40 * fractal2(x / 200, z / 200, 3, 0.5, 7));
        return 3.0 + 46.0 * hills * (0.6 + 0.4 * fractal2(x / 260, z / 260, 4, 0.5, 8)) +
               1.2 * smoothstep(70, 140, std::fabs(x)) * fractal2(x / 60, z / 60, 3, 0.5, 9);
    };
    shape.floor = [](double, double) { return 3.0; };
    shape.corridorHalf = 70;
    shape.corridorBlend = 100;
    shapeTerrain(level, shape, path, {{-170, 330, 38, 0.4}});
    addWater(level, -170, 330, 38);

    Planter planter(level, path, 101);
    planter.single("hangar.dae", -44, 24, 0);
    Rules houses;
    houses.maxSlope = 0.12;
    houses.spacing = 12;
    planter.group(-200, 250, 90, 1, {"windmill.dae"}, houses, 1.0, 1.0);
    planter.group(150, 300, 60, 6, {"house.dae"}, houses, 0.9, 1.1);
    planter.group(-140, -120, 50, 4, {"house.dae"}, houses, 0.9, 1.1);
    Rules trees;
    trees.maxSlope = 0.6;
    trees.spacing = 5;
    for (auto [x, z] : std::vector<std::pair<double, double>>{{-150, 520},
                                                              {160, 560},
                                                              {-260, 120},
                                                              {230, 80},
                                                              {130, -260},
                                                              {-100, 640},
                                                              {280, 400},
                                                              {-330, 420}})
        planter.group(x, z, 55, 14, {"tree.dae", "tree.dae", "pine.dae"}, trees);
    Rules rocks;
    rocks.maxSlope = 0.9;
    rocks.spacing = 6;
    planter.group(-380, 250, 80, 8, {"rock.dae"}, rocks, 0.6, 1.4);
    planter.group(420, -150, 80, 8, {"rock.dae"}, rocks, 0.6, 1.4);

    level.light = {{0.45, 0.8, 0.4}, rgb(0.35, 0.35, 0.38), rgb(0.95, 0.92, 0.85), rgb(0.6, 0.6, 0.55)};
    return level;
}

Level alpine()
{
    Level level;
    level.key = "alpine";
    level.name = "Alpine Valley";
    level.landscape = Landscape::Alpine;
    level.terrain = HeightField(257, 1600, 140, 1600);
    level.floorHeight = 15.0;
    level.waterLevel = 12.5;
    std::vector<Point2> points = {{0, 300},     {120, 520},  {350, 600},  {560, 450}, {600, 200},
                                  {480, -50},   {520, -320}, {350, -520}, {80, -560}, {-200, -420},
                                  {-420, -200}, {-520, 120}, {-380, 400}};
    CoursePath path(points);
    setGates(level, points, path);
    Shape shape;
    shape.base = [](double x, double z) {
        double ridges = ridged2(x / 430 + 3.1, z / 430 - 1.7, 5, 21);
        double massif = 0.8 + 0.2 * fractal2(x / 700, z / 700, 2, 0.5, 22);
        return std::min(138.0, 30.0 + 112.0 * smoothstep(0.03, 0.3, ridges) * massif);
    };
    shape.floor = [](double x, double z) { return 15.0 + 2.0 * fractal2(x / 140, z / 140, 3, 0.5, 23); };
    shape.corridorHalf = 45;
    shape.corridorBlend = 100;
    shape.remoteRise = 60;
    shape.maxHeight = 138;
    shapeTerrain(level, shape, path, {{-90, 170, 42, 6.0}});
    addWater(level, -90, 170, 42);

    Planter planter(level, path, 202);
    planter.single("hangar.dae", -44, 24, 0);
    Rules chalets;
    chalets.maxSlope = 0.15;
    chalets.spacing = 12;
    chalets.clearance = 35;
    planter.group(70, 140, 60, 5, {"house.dae"}, chalets, 0.9, 1.1);
    planter.group(640, -150, 70, 4, {"house.dae"}, chalets, 0.9, 1.1);
    Rules pines;
    pines.minHeight = 14;
    pines.maxHeight = 85;
    pines.maxSlope = 0.85;
    pines.spacing = 5;
    Random spots(203);
    for (int k = 0; k < 26; ++k) {
        double x = spots.range(-650, 650), z = spots.range(-650, 650);
        planter.group(x, z, 60, 14, {"pine.dae"}, pines, 0.8, 1.4);
    }
    Rules scree;
    scree.minHeight = 40;
    scree.maxSlope = 1.3;
    scree.spacing = 8;
    for (int k = 0; k < 8; ++k)
        planter.group(spots.range(-600, 600), spots.range(-600, 600), 80, 8, {"rock.dae"}, scree, 0.8, 2.0);

    level.light = {{-0.35, 0.75, 0.55}, rgb(0.32, 0.35, 0.42), rgb(0.9, 0.92, 0.98), rgb(0.7, 0.7, 0.75)};
    return level;
}

Level canyon()
{
    Level level;
    level.key = "canyon";
    level.name = "Desert Canyon";
    level.landscape = Landscape::Canyon;
    level.terrain = HeightField(257, 1600, 110, 1600);
    level.floorHeight = 12.0;
    level.waterLevel = 10.8;
    std::vector<Point2> points = {{0, 280},    {-150, 480},  {-400, 540},  {-600, 380}, {-560, 120},
                                  {-330, -30}, {-250, -280}, {-160, -520}, {80, -640},  {320, -520},
                                  {420, -280}, {330, -20},   {440, 230},   {600, 430}};
    CoursePath path(points);
    setGates(level, points, path);
    Shape shape;
    shape.base = [](double x, double z) {
        double plateau = 82.0 + 10.0 * fractal2(x / 260, z / 260, 4, 0.5, 31);
        // Strata: the plateau steps down in ledges of 9 units.
        double t = plateau / 9.0, f = t - std::floor(t);
        return (std::floor(t) + smoothstep(0.25, 0.75, f)) * 9.0;
    };
    shape.floor = [](double x, double z) { return 12.0 + 1.0 * fractal2(x / 120, z / 120, 3, 0.5, 32); };
    shape.corridorHalf = 40;
    shape.corridorBlend = 45;
    shapeTerrain(level, shape, path, {{-520, 250, 26, 8.0}});
    addWater(level, -520, 250, 26);

    Planter planter(level, path, 303);
    planter.single("hangar.dae", -44, 24, 0);
    Rules houses;
    houses.maxSlope = 0.12;
    houses.spacing = 12;
    houses.clearance = 42;
    planter.group(-40, 200, 40, 3, {"house.dae"}, houses, 0.9, 1.1);
    Rules oasis;
    oasis.maxSlope = 0.5;
    oasis.spacing = 5;
    oasis.clearance = 20;
    planter.group(-520, 250, 55, 10, {"palm.dae"}, oasis, 0.8, 1.2);
    Rules floorCacti;
    floorCacti.maxHeight = 20;
    floorCacti.maxSlope = 0.4;
    floorCacti.clearance = 22;
    floorCacti.spacing = 7;
    Rules plateau;
    plateau.minHeight = 70;
    plateau.maxSlope = 0.4;
    plateau.spacing = 10;
    Random spots(304);
    for (int k = 0; k < 22; ++k) {
        double x = spots.range(-680, 680), z = spots.range(-680, 680);
        planter.group(x, z, 70, 8, {"cactus.dae", "cactus.dae", "rock.dae"}, k % 2 ? plateau : floorCacti);
    }

    level.light = {{0.6, 0.7, -0.3}, rgb(0.4, 0.36, 0.32), rgb(1.0, 0.9, 0.75), rgb(0.8, 0.75, 0.6)};
    return level;
}

Level island()
{
    Level level;
    level.key = "island";
    level.name = "Coastal Island";
    level.landscape = Landscape::Island;
    level.terrain = HeightField(257, 1600, 90, 1600);
    level.floorHeight = 8.0;
    level.waterLevel = 1.5;
    std::vector<Point2> points = {{0, 280},    {-160, 470},  {-420, 430}, {-560, 180},
                                  {-430, -90}, {-300, -330}, {-60, -520}, {220, -500},
                                  {450, -330}, {560, -60},   {380, 180},  {200, 420}};
    CoursePath path(points);
    setGates(level, points, path);
    Shape shape;
    shape.base = [](double x, double z) {
        double r = std::hypot(x, z) + 110.0 * fractal2(x / 280, z / 280, 4, 0.5, 41);
        double land = 1.0 - smoothstep(380, 540, r);
        double hills = 0.5 + 0.5 * fractal2(x / 240 + 5, z / 240, 4, 0.5, 42);
        return land * (3.5 + 80.0 * std::pow(hills, 1.6) * smoothstep(0.3, 1.0, land));
    };
    shape.floor = [](double, double) { return 8.0; };
    shape.corridorHalf = 40;
    shape.corridorBlend = 90;
    shape.carveOnlyDown = true;
    shapeTerrain(level, shape, path, {});
    // The sea: one wide ring reaching beyond the terrain's flat surroundings, open under the island.
    level.groups.push_back({0, 0, {{"sea.dae", 0, level.waterLevel, 0, 0, 2400}}});

    Planter planter(level, path, 404);
    planter.single("hangar.dae", -44, 24, 0);
    Rules houses;
    houses.maxSlope = 0.12;
    houses.spacing = 12;
    planter.group(120, 60, 70, 6, {"house.dae"}, houses, 0.9, 1.1);
    planter.group(-250, 180, 60, 4, {"house.dae"}, houses, 0.9, 1.1);
    planter.group(130, -250, 60, 3, {"windmill.dae"}, houses, 1.0, 1.0);
    Rules palms;
    palms.minHeight = 2.2;
    palms.maxHeight = 9;
    palms.maxSlope = 0.5;
    palms.spacing = 6;
    palms.clearance = 20;
    Rules trees;
    trees.minHeight = 9;
    trees.maxSlope = 0.7;
    trees.spacing = 5;
    Random spots(405);
    for (int k = 0; k < 36; ++k) {
        double angle = spots.range(0, 2 * pi), r = spots.range(0, 520);
        double x = r * std::cos(angle), z = r * std::sin(angle);
        planter.group(x, z, 60, 10,
                      r > 330 ? std::vector<std::string>{"palm.dae"}
                              : std::vector<std::string>{"tree.dae", "pine.dae", "rock.dae"},
                      r > 330 ? palms : trees);
    }
    // The lighthouse on the highest ground near the coast that suits it.
    double bestX = 0, bestZ = 0, bestH = -1;
    for (int k = 0; k < 400; ++k) {
        double angle = 2 * pi * k / 400.0;
        for (double r = 300; r < 480; r += 20) {
            double x = r * std::cos(angle), z = r * std::sin(angle);
            double h = level.terrain.surfaceHeight(x, z);
            if (h > bestH && h < 40 && planter.fits(x, z, Rules{}) && level.terrain.slope(x, z) < 0.15) {
                bestX = x, bestZ = z, bestH = h;
            }
        }
    }
    if (bestH > 0)
        planter.single("lighthouse.dae", bestX, bestZ, 0);

    level.light = {{-0.5, 0.65, -0.45}, rgb(0.38, 0.38, 0.4), rgb(1.0, 0.95, 0.85), rgb(0.8, 0.8, 0.75)};
    return level;
}

std::string attribute(const char* name, double value)
{
    return std::string(" ") + name + "=\"" + number(value) + "\"";
}
std::string attribute(const char* name, const std::string& value)
{
    return std::string(" ") + name + "=\"" + value + "\"";
}

} // namespace

std::vector<Level> buildLevels()
{
    return {meadow(), alpine(), canyon(), island()};
}

std::string levelPath(const Level& level, const std::string& file)
{
    return "levels\\" + level.key + "\\" + file;
}

std::string sceneXml(const Level& level)
{
    const HeightField& t = level.terrain;
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    xml += "<level" + attribute("terrain", levelPath(level, "heights.png")) + attribute("sizeX", t.sizeX()) +
           attribute("sizeY", t.sizeY()) + attribute("sizeZ", t.sizeZ()) +
           attribute("terrainTexture", levelPath(level, "colour.jpg")) +
           attribute("repeatTexture", level.repeatTexture) +
           attribute("detailTexture", levelPath(level, "detail.png")) +
           attribute("detailWeights", levelPath(level, "weights.png")) + ">\n";
    xml += "  <sky" + attribute("texture", levelPath(level, "sky.jpg")) + attribute("size", level.skySize) +
           attribute("posX", 0.0) + attribute("posY", 0.0) + attribute("posZ", 0.0) + "/>\n";
    const LightSetup& l = level.light;
    Vec3 d = normalised(l.towardsLight);
    xml += "  <light" + attribute("id", std::string("0")) + attribute("x", d.x) + attribute("y", d.y) +
           attribute("z", d.z) + attribute("w", 0.0) + attribute("attenuationValue", 1.0) +
           attribute("attenuationType", std::string("0")) + ">\n";
    auto colour = [&](const char* element, const Colour& c) {
        xml += std::string("    <") + element + attribute("r", c.r) + attribute("g", c.g) +
               attribute("b", c.b) + attribute("a", c.a) + "/>\n";
    };
    colour("ambient", l.ambient);
    colour("diffuse", l.diffuse);
    colour("specular", l.specular);
    xml += "  </light>\n";
    xml += "  <gates" + attribute("model", std::string("models\\pylon.dae")) +
           attribute("pylonDistance", pylon::gateHalfDistance) +
           attribute("arrow", std::string("models\\arrow.dae")) + ">\n";
    for (const Gate& g : level.gates)
        xml += "    <gate" + attribute("posX", g.x) + attribute("posZ", g.z) +
               attribute("rotation", g.rotation) + "/>\n";
    xml += "  </gates>\n";
    for (const SceneryGroup& group : level.groups) {
        xml += "  <group" + attribute("posX", group.x) + attribute("posY", 0.0) + attribute("posZ", group.z) +
               attribute("rotateX", 0.0) + attribute("rotateY", 1.0) + attribute("rotateZ", 0.0) +
               attribute("rotateAngle", 0.0) + attribute("scaleX", 1.0) + attribute("scaleY", 1.0) +
               attribute("scaleZ", 1.0) + ">\n";
        for (const Placement& p : group.objects)
            xml += "    <object" + attribute("model", "models\\" + p.model) + attribute("posX", p.x) +
                   attribute("posY", p.y) + attribute("posZ", p.z) + attribute("rotateX", 0.0) +
                   attribute("rotateY", 1.0) + attribute("rotateZ", 0.0) + attribute("rotateAngle", p.turn) +
                   attribute("scaleX", p.scale) + attribute("scaleY", p.scale) +
                   attribute("scaleZ", p.scale) + "/>\n";
        xml += "  </group>\n";
    }
    xml += "</level>\n";
    return xml;
}

std::string catalogueXml(const std::vector<Level>& levels)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<levels>\n";
    for (const Level& level : levels)
        xml +=
            "  <level" + attribute("path", "levels\\" + level.key) + attribute("name", level.name) + "/>\n";
    xml += "</levels>\n";
    return xml;
}

} // namespace content
