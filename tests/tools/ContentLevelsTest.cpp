// The committed levels: every named file exists, the courses are flyable as the race rules judge
// them, and scenery stands on the drawn ground.
#include "tools/ContentTestSupport.h"

#include <filesystem>

using namespace contenttest;

namespace
{

struct LevelData {
    std::string path, name, xml;
    Attributes level;
    HeightMap heights;
    std::vector<Attributes> gates, groups;
    std::vector<std::vector<Attributes>> objects; // per group
    double pylonDistance = 0;
};

std::vector<LevelData> loadLevels()
{
    std::vector<LevelData> levels;
    for (const Attributes& entry : elements(readFile(dataPath("levels\\config.xml")), "level")) {
        LevelData l;
        l.path = entry.at("path");
        l.name = entry.at("name");
        l.xml = readFile(dataPath(l.path + ".xml"));
        auto level = elements(l.xml, "level");
        if (level.size() != 1)
            continue;
        l.level = level[0];
        l.heights.load(dataPath(l.level.at("terrain")), number(l.level, "sizeX"), number(l.level, "sizeY"),
                       number(l.level, "sizeZ"));
        l.gates = elements(l.xml, "gate");
        l.pylonDistance = number(elements(l.xml, "gates").at(0), "pylonDistance");
        // Objects belong to the group element before them.
        size_t at = 0;
        while ((at = l.xml.find("<group ", at)) != std::string::npos) {
            size_t end = l.xml.find("</group>", at);
            std::string body = l.xml.substr(at, end - at);
            l.groups.push_back(elements(body, "group").at(0));
            l.objects.push_back(elements(body, "object"));
            at = end;
        }
        levels.push_back(std::move(l));
    }
    return levels;
}

const std::vector<LevelData>& levels()
{
    static const std::vector<LevelData> all = loadLevels();
    return all;
}

// The race rules' airplane sphere: the model importer's rule over the parts' spheres.
double airplaneRadius()
{
    ModelFile plane(dataPath("models\\airplane.dae"));
    Box all = plane.bounds();
    aiVector3D c = (all.min + all.max) * 0.5f;
    double radius = 0;
    plane.walk(plane.scene->mRootNode, aiMatrix4x4(),
               [&](const aiMesh* mesh, const aiMatrix4x4& m, const aiNode*) {
                   Box box;
                   for (unsigned v = 0; v < mesh->mNumVertices; ++v)
                       box.add(mesh->mVertices[v]);
                   aiVector3D centre = (box.min + box.max) * 0.5f;
                   double r = 0;
                   for (unsigned v = 0; v < mesh->mNumVertices; ++v)
                       r = std::max(r, double((mesh->mVertices[v] - centre).Length()));
                   // Transformed as the bounding volumes do: the radius becomes the largest component of the
                   // transformed point (r, r, r).
                   aiVector3D q = m * aiVector3D(float(r), float(r), float(r));
                   double rt = std::max({q.x, q.y, q.z});
                   aiVector3D sc = m * centre;
                   aiVector3D far = sc + aiVector3D(float(rt), float(rt), float(rt)) - c;
                   radius = std::max(radius, double(far.Length()));
               });
    return radius;
}

} // namespace

TEST(ContentLevels, CatalogueListsFourLevelsWhoseFilesAllExist)
{
    ASSERT_EQ(levels().size(), 4u);
    EXPECT_EQ(levels()[0].name, "Flight School");
    for (const LevelData& l : levels()) {
        SCOPED_TRACE(l.path);
        for (const char* key : {"terrain", "terrainTexture", "detailTexture", "detailWeights"})
            EXPECT_TRUE(std::filesystem::exists(dataPath(l.level.at(key)))) << key;
        EXPECT_TRUE(std::filesystem::exists(dataPath(elements(l.xml, "sky").at(0).at("texture"))));
        Attributes gates = elements(l.xml, "gates").at(0);
        EXPECT_TRUE(std::filesystem::exists(dataPath(gates.at("model"))));
        EXPECT_TRUE(std::filesystem::exists(dataPath(gates.at("arrow"))));
        EXPECT_TRUE(std::filesystem::exists(dataPath(gates.at("arrow") + "2")));
        for (const auto& group : l.objects)
            for (const Attributes& o : group)
                EXPECT_TRUE(std::filesystem::exists(dataPath(o.at("model")))) << o.at("model");
        // One directional light with all three colours.
        auto lights = elements(l.xml, "light");
        ASSERT_EQ(lights.size(), 1u);
        EXPECT_EQ(number(lights[0], "w"), 0.0);
        for (const char* colour : {"ambient", "diffuse", "specular"})
            EXPECT_EQ(elements(l.xml, colour).size(), 1u) << colour;
        EXPECT_EQ(l.heights.n, 257);
    }
}

TEST(ContentLevels, FlightSchoolIsFlownByHoldingTheThrottle)
{
    const LevelData& school = levels().at(0);
    ASSERT_GE(school.gates.size(), 5u);
    ASSERT_LE(school.gates.size(), 7u);
    const double start = school.heights.query(0, 0);
    const double r = airplaneRadius();
    ModelFile pylon(dataPath("models\\pylon.dae"));
    Box p = pylon.bounds();
    double previousZ = 0;
    for (const Attributes& g : school.gates) {
        double x = number(g, "posX"), z = number(g, "posZ"), a = number(g, "rotation") * M_PI / 180.0;
        EXPECT_GT(z, previousZ + 50) << "gates follow each other straight ahead";
        previousZ = z;
        // Each pylon's world box, seen across the straight line x = 0 that an unsteered plane rolls.
        for (double side : {-1.0, 1.0}) {
            double cx = x + side * school.pylonDistance * std::cos(a);
            double halfX = std::max(std::fabs(p.min.x), std::fabs(p.max.x)) * std::fabs(std::cos(a)) +
                           std::max(std::fabs(p.min.z), std::fabs(p.max.z)) * std::fabs(std::sin(a));
            EXPECT_GT(std::fabs(cx) - halfX, r) << "a pylon of the gate at z = " << z << " stands in the way";
        }
    }
    // Rolling on the ground the plane keeps its start height; no sample on its line may rise above it.
    for (double z = 0; z <= previousZ + 10; z += 1.0)
        ASSERT_LE(school.heights.query(0, z), start) << "ground rises at z = " << z;
}

TEST(ContentLevels, RaceCoursesHaveTenToFifteenGatesOnFlatGroundWithinBounds)
{
    const double r = airplaneRadius();
    EXPECT_GT(r, 0.5);
    EXPECT_LT(r, 1.5);
    for (size_t k = 1; k < levels().size(); ++k) {
        const LevelData& l = levels()[k];
        SCOPED_TRACE(l.path);
        EXPECT_GE(l.gates.size(), 10u);
        EXPECT_LE(l.gates.size(), 15u);
        double length = 0, px = 0, pz = 0, previousHeading = 0;
        for (size_t i = 0; i < l.gates.size(); ++i) {
            const Attributes& g = l.gates[i];
            double x = number(g, "posX"), z = number(g, "posZ"), rotation = number(g, "rotation");
            double leg = std::hypot(x - px, z - pz);
            EXPECT_GT(leg, 150) << "gate " << i;
            EXPECT_LT(leg, 400) << "gate " << i;
            length += leg;
            // The gate faces the way in from the previous gate, and the course turns gently.
            double heading = std::atan2(x - px, z - pz) * 180 / M_PI;
            double facing = std::remainder(rotation - heading, 360.0);
            EXPECT_LT(std::fabs(facing), 40) << "gate " << i;
            if (i > 0) {
                EXPECT_LT(std::fabs(std::remainder(heading - previousHeading, 360.0)), 75) << "gate " << i;
            }
            previousHeading = heading;
            px = x, pz = z;
            // Inside the course area with room to fly out of the gate.
            EXPECT_LT(std::fabs(x), l.heights.sizeX * 0.5 - 100);
            EXPECT_LT(std::fabs(z), l.heights.sizeZ * 0.5 - 100);
            // Pylons and the game's height queries all find the same ground.
            double h = l.heights.query(x, z);
            EXPECT_EQ(l.heights.query(x - l.pylonDistance, z), h) << "gate " << i;
            double a = rotation * M_PI / 180;
            for (double side : {-1.0, 1.0})
                EXPECT_NEAR(l.heights.surface(x + side * l.pylonDistance * std::cos(a),
                                              z - side * l.pylonDistance * std::sin(a)),
                            h, 0.01)
                    << "gate " << i;
            EXPECT_LT(h + 20, 150.0) << "the gate opening is below the altitude limit";
        }
        // A good pilot needs 40 to 90 s: at the 50 to 80 units a second of full throttle.
        EXPECT_GT(length, 2500);
        EXPECT_LT(length, 4500);
        // A runway: flat ground straight ahead of the start.
        for (double z = 0; z < 250; z += 2)
            ASSERT_EQ(l.heights.query(0, z), l.heights.query(0, 0)) << "z = " << z;
    }
}

TEST(ContentLevels, SceneryStandsOnTheGroundAwayFromTheGates)
{
    for (const LevelData& l : levels()) {
        SCOPED_TRACE(l.path);
        size_t count = 0;
        bool transparent = false;
        std::map<std::string, bool> seeThrough;
        for (size_t g = 0; g < l.groups.size(); ++g) {
            double gx = number(l.groups[g], "posX"), gz = number(l.groups[g], "posZ");
            EXPECT_EQ(number(l.groups[g], "posY"), 0.0);
            for (const Attributes& o : l.objects[g]) {
                ++count;
                double x = gx + number(o, "posX"), z = gz + number(o, "posZ"), y = number(o, "posY");
                std::string model = o.at("model");
                if (!seeThrough.count(model))
                    seeThrough[model] = ModelFile(dataPath(model)).hasTransparency();
                transparent = transparent || seeThrough[model];
                if (model.find("sea") != std::string::npos) {
                    // The sea's hole (a tenth of its radius) lies under land, or the sea would show
                    // through the ground that the near plane cuts away below a plane on the runway.
                    double hole = 0.1 * number(o, "scaleX");
                    for (double a = 0; a < 2 * M_PI; a += 0.05)
                        for (double d = 0; d < hole; d += 5)
                            ASSERT_GT(l.heights.surface(x + d * std::cos(a), z + d * std::sin(a)), y);
                }
                if (model.find("water") != std::string::npos || model.find("sea") != std::string::npos)
                    continue; // water lies at its own level over a carved hollow
                EXPECT_NEAR(y, l.heights.surface(x, z), 0.05) << model << " at " << x << ", " << z;
                for (const Attributes& gate : l.gates)
                    EXPECT_GT(std::hypot(x - number(gate, "posX"), z - number(gate, "posZ")), 25) << model;
            }
        }
        EXPECT_GT(count, 40u);
        EXPECT_TRUE(transparent) << "no water or glass for the sorted transparent pass";
    }
}
