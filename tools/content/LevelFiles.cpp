#include "Level.h"

namespace content
{

void writeLevels(const std::string& dataFolder)
{
    std::vector<Level> levels = buildLevels();
    saveText(dataFolder + "/levels/config.xml", catalogueXml(levels));
    uint32_t seed = 700;
    for (const Level& level : levels) {
        const std::string folder = dataFolder + "/levels/" + level.key + "/";
        saveText(dataFolder + "/levels/" + level.key + ".xml", sceneXml(level));
        const HeightField& t = level.terrain;
        saveGreyPng16(folder + "heights.png", t.size(), t.size(), t.allSamples());
        saveJpeg(folder + "colour.jpg", terrainColour(level, 1024), 88);
        savePng(folder + "detail.png", detailTexture(256, seed++), 3);
        savePng(folder + "weights.png", detailWeights(level, 256), 3);
        saveJpeg(folder + "sky.jpg", skyImage(level, 512), 88);
    }
}

} // namespace content
