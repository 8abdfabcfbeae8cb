// One race track: its terrain, course, scenery, light and sky, and the files it becomes
// (levels/<key>.xml and the pictures in levels/<key>/).
#pragma once

#include "Collada.h"
#include "HeightField.h"
#include "Image.h"

#include <string>
#include <vector>

namespace content
{

struct Gate {
    double x = 0, z = 0;
    double rotation = 0; // degrees about +Y: the direction of flight through the gate
};

// One object of a group: x and z relative to the group, y a world height on the drawn ground.
struct Placement {
    std::string model; // file name below models/
    double x = 0, y = 0, z = 0;
    double turn = 0; // degrees about +Y
    double scale = 1;
};

struct SceneryGroup {
    double x = 0, z = 0; // placed on the terrain (posY 0)
    std::vector<Placement> objects;
};

struct LightSetup {
    Vec3 towardsLight; // direction to the sun; the light is directional
    Colour ambient, diffuse, specular;
};

struct PondArea {
    double x = 0, z = 0, radius = 0;
};

enum class Landscape { Meadow, Alpine, Canyon, Island };

struct Level {
    std::string key;  // file names: levels\<key>.xml, levels\<key>\...
    std::string name; // shown in the menus
    Landscape landscape = Landscape::Meadow;
    HeightField terrain{257, 1600, 60, 1600};
    double floorHeight = 0;    // height of the runway and of every gate's foot
    double repeatTexture = 40; // detail texture repeats over the terrain
    double skySize = 300;      // edge of the sky cube, within the far plane of 350
    std::vector<Gate> gates;
    std::vector<SceneryGroup> groups;
    LightSetup light;
    std::vector<PondArea> ponds; // carved ponds, filled to waterLevel
    double waterLevel = 0;       // height of pond or sea surfaces
};

// The four bundled levels, fully generated (terrain, course, scenery).
std::vector<Level> buildLevels();

// Relative paths with the game's separators, as the scene file writes them.
std::string levelPath(const Level& level, const std::string& file);

// The scene description file of a level.
std::string sceneXml(const Level& level);
// The level catalogue.
std::string catalogueXml(const std::vector<Level>& levels);

// Pictures of a level, made from its finished terrain.
Canvas terrainColour(const Level& level, int size);
Canvas detailTexture(int size, uint32_t seed);
Canvas detailWeights(const Level& level, int size);
Canvas skyImage(const Level& level, int cellSize);

// Writes the catalogue, every scene file and every level picture below the data folder.
void writeLevels(const std::string& dataFolder);

} // namespace content
