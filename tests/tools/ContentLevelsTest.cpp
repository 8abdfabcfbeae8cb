// The committed levels as the game's own loaders read them: they load without a message, the courses
// are flyable as the race rules judge them, and scenery stands on the drawn ground.
#include "app/LevelCatalogue.h"
#include "app/LevelEntry.h"
#include "loaders/SceneXMLHandler.h"
#include "loaders/XmlParser.h"
#include "render/Globals.h"
#include "scene/Entity.h"
#include "scene/Group.h"
#include "scene/Light.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/Terrain.h"
#include "support/GLContext.h"

#include "tools/ContentTestSupport.h"

#include <iostream>
#include <map>
#include <memory>

using namespace contenttest;

namespace
{

struct LoadedLevel {
    std::string path, name;
    std::unique_ptr<Scene> scene;
    std::map<const Model*, std::string> modelFiles; // the file each placed model came from
};

// A gate as the scene loader placed it, with the feet of its two pylons.
struct Gate {
    double x, z;
    double degrees;             // the gate's turn about +y
    float pylonPositions[2][3]; // world position of each pylon's origin, its foot
};

std::vector<Gate> gatesOf(Scene& scene)
{
    std::vector<Gate> gates;
    for (Node* node : scene.gates->children) {
        auto* group = dynamic_cast<Group*>(node);
        if (!group)
            continue;
        // Translated, then turned about +y: the upper 3 x 3 is the turn.
        Gate gate{group->local[12],
                  group->local[14],
                  std::atan2(group->local[8], group->local[0]) * 180.0 / M_PI,
                  {}};
        for (int k = 0; k < 2; ++k) {
            auto* pylon = dynamic_cast<Entity*>(group->getChild(k));
            float world[16];
            pylon->getWorldTransform(world);
            std::copy(world + 12, world + 15, gate.pylonPositions[k]);
        }
        gates.push_back(gate);
    }
    return gates;
}

// The drawn ground under (x, z): the terrain mesh's own vertices, interpolated over the two
// triangles of the cell, (i, j) (i + 1, j) (i, j + 1) and (i, j + 1) (i + 1, j) (i + 1, j + 1).
double surface(const Terrain& terrain, double x, double z)
{
    const int n = terrain.gridSize;
    auto at = [&](int i, int j) -> const Vertex& {
        return terrain.mesh->vertices[size_t(j) * size_t(n) + size_t(i)];
    };
    // Away from the outermost ring, which is pulled out to the horizon, the grid is even.
    const double cellX = at(2, 1).x - at(1, 1).x, cellZ = at(1, 2).z - at(1, 1).z;
    const double gx = 1 + (x - at(1, 1).x) / cellX, gz = 1 + (z - at(1, 1).z) / cellZ;
    const int i = std::clamp(int(std::floor(gx)), 1, n - 3), j = std::clamp(int(std::floor(gz)), 1, n - 3);
    const double fx = gx - i, fz = gz - j;
    if (fx + fz <= 1.0)
        return at(i, j).y + (at(i + 1, j).y - at(i, j).y) * fx + (at(i, j + 1).y - at(i, j).y) * fz;
    return at(i + 1, j + 1).y + (at(i, j + 1).y - at(i + 1, j + 1).y) * (1 - fx) +
           (at(i + 1, j).y - at(i + 1, j + 1).y) * (1 - fz);
}

class ContentLevels : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        savedDirectory = baseDirectory;
    }
    void TearDown() override
    {
        levels.clear();
        baseDirectory = savedDirectory;
        GLTest::TearDown();
    }

    // Reads the committed catalogue with the game's reader and every level with the game's scene
    // handler, run as loadSceneFile runs it but keeping its model cache, which names the models.
    // Loading must not say anything: every message is a missing file or a bad entry.
    void loadLevels()
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        for (LevelEntry* entry : loadLevelCatalogue(dataFolder())) {
            LoadedLevel level{entry->path, entry->name, std::make_unique<Scene>(), {}};
            delete entry;
            level.scene->directory = baseDirectory;
            SceneXMLHandler handler(level.scene.get(), level.path + ".xml");
            parseXmlFile(baseDirectory + level.path + ".xml", handler, std::cout);
            handler.finish();
            for (const auto& [file, model] : handler.modelCache)
                level.modelFiles[model] = file;
            levels.push_back(std::move(level));
        }
        const std::string messages =
            testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        EXPECT_EQ(messages, "");
    }

    std::vector<LoadedLevel> levels;
    std::string savedDirectory;
};

} // namespace

// The Flight School, whose gates stand straight ahead of the runway for a plane that only holds the
// throttle, is flown by the race tool's hold-w script.
TEST_F(ContentLevels, RaceCoursesHaveTenToFifteenGatesOnFlatGroundWithinBounds)
{
    loadLevels();
    for (size_t k = 1; k < levels.size(); ++k) {
        SCOPED_TRACE(levels[k].path);
        Scene& scene = *levels[k].scene;
        const Terrain& ground = *scene.terrain;
        const std::vector<Gate> gates = gatesOf(scene);
        EXPECT_GE(gates.size(), 10u);
        EXPECT_LE(gates.size(), 15u);
        double length = 0, px = 0, pz = 0, previousHeading = 0;
        for (size_t i = 0; i < gates.size(); ++i) {
            const Gate& gate = gates[i];
            const double leg = std::hypot(gate.x - px, gate.z - pz);
            EXPECT_GT(leg, 150) << "gate " << i;
            EXPECT_LT(leg, 400) << "gate " << i;
            length += leg;
            // The gate faces the way in from the previous gate, and the course turns gently.
            const double heading = std::atan2(gate.x - px, gate.z - pz) * 180 / M_PI;
            EXPECT_LT(std::fabs(std::remainder(gate.degrees - heading, 360.0)), 40) << "gate " << i;
            if (i > 0) {
                EXPECT_LT(std::fabs(std::remainder(heading - previousHeading, 360.0)), 75) << "gate " << i;
            }
            previousHeading = heading;
            px = gate.x, pz = gate.z;
            // Inside the course area with room to fly out of the gate.
            EXPECT_LT(std::fabs(gate.x), ground.sizeX * 0.5 - 100);
            EXPECT_LT(std::fabs(gate.z), ground.sizeZ * 0.5 - 100);
            // The loader stands both pylons on the lookup's ground; it must be the drawn ground too.
            const float h = ground.getHeight(float(gate.x), float(gate.z));
            EXPECT_EQ(ground.getHeight(float(gate.x - scene.pylonDistance), float(gate.z)), h)
                << "gate " << i;
            for (const float* foot : gate.pylonPositions)
                EXPECT_NEAR(surface(ground, foot[0], foot[2]), h, 0.01) << "gate " << i;
            EXPECT_LT(h + 20, 150.0) << "the gate opening is below the altitude limit";
        }
        // A good pilot needs 40 to 90 s: at the 50 to 80 units a second of full throttle.
        EXPECT_GT(length, 2500);
        EXPECT_LT(length, 4500);
        // A runway: flat ground straight ahead of the start.
        for (float z = 0; z < 250; z += 2)
            ASSERT_EQ(ground.getHeight(0, z), ground.getHeight(0, 0)) << "z = " << z;
    }
}

TEST_F(ContentLevels, FourLevelsLoadWithoutAMessageUnderATintedSunWithSceneryOnTheGround)
{
    loadLevels();
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_EQ(levels[0].name, "Flight School");
    for (const LoadedLevel& level : levels) {
        SCOPED_TRACE(level.path);
        Scene& scene = *level.scene;
        ASSERT_TRUE(scene.terrain && scene.terrain->loaded && scene.gates);
        EXPECT_NE(scene.skybox, nullptr);
        // One directional light, and the file set all three colours (none is left at GL's start).
        int lights = 0;
        for (Node* node : scene.children)
            lights += dynamic_cast<Light*>(node) != nullptr;
        ASSERT_EQ(lights, 1);
        const Light& sun = *scene.light;
        EXPECT_EQ(sun.position[3], 0.0f);
        EXPECT_NE(std::vector<float>(sun.ambient, sun.ambient + 3), std::vector<float>(3, 0.0f));
        EXPECT_NE(std::vector<float>(sun.diffuse, sun.diffuse + 3), std::vector<float>(3, 1.0f));
        EXPECT_NE(std::vector<float>(sun.specular, sun.specular + 3), std::vector<float>(3, 1.0f));

        // Scenery stands on the drawn ground away from the gates.
        const Terrain& ground = *scene.terrain;
        const std::vector<Gate> gates = gatesOf(scene);
        size_t count = 0;
        bool transparent = false;
        for (Node* node : scene.children) {
            auto* group = dynamic_cast<Group*>(node);
            if (!group || group == scene.gates)
                continue;
            for (Node* child : group->children) {
                auto* entity = dynamic_cast<Entity*>(child);
                if (!entity)
                    continue;
                ++count;
                float world[16];
                entity->getWorldTransform(world);
                const double x = world[12], y = world[13], z = world[14];
                const std::string& model = level.modelFiles.at(entity->model);
                transparent = transparent || entity->model->hasTransparency;
                if (model.find("sea") != std::string::npos) {
                    // The sea's hole (a tenth of its radius) lies under land, or the sea would show
                    // through the ground that the near plane cuts away below a plane on the runway.
                    const double hole = 0.1 * std::hypot(world[0], world[1], world[2]);
                    for (double a = 0; a < 2 * M_PI; a += 0.05)
                        for (double d = 0; d < hole; d += 5)
                            ASSERT_GT(surface(ground, x + d * std::cos(a), z + d * std::sin(a)), y);
                }
                if (model.find("water") != std::string::npos || model.find("sea") != std::string::npos)
                    continue; // water lies at its own level over a carved hollow
                EXPECT_NEAR(y, surface(ground, x, z), 0.05) << model << " at " << x << ", " << z;
                for (const Gate& gate : gates)
                    EXPECT_GT(std::hypot(x - gate.x, z - gate.z), 25) << model;
            }
        }
        EXPECT_GT(count, 40u);
        EXPECT_TRUE(transparent) << "no water or glass for the sorted transparent pass";
    }
}
