// A small data directory for race tests: the game's own models, shaders and pictures, and a
// catalogue of tiny levels written here. "levels\test" is flat ground 400 x 400 with three gates
// straight ahead along +z; the others lack one part each (light, sky, gates, terrain). Opens the
// shared GL context if no test has yet.
#pragma once

#include "support/GLContext.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport
{

constexpr float testLevelSize = 400.0f;                 // terrain extent in x and z
constexpr float testGateZ[3] = {60.0f, 120.0f, 180.0f}; // gates at x = 0, facing +z

class TestLevelData
{
  public:
    TestLevelData()
    {
        if (data.path().empty() || !ensureGLContext())
            return;
        // Everything the game loads besides the levels comes from the build's data directory.
        for (const char* folder : {"models", "shader", "cockpit", "fonts", "menu"}) {
            std::error_code ignored;
            std::filesystem::copy(std::string(AEROVANT_BIN_DIR) + folder, data.path() + folder,
                                  std::filesystem::copy_options::recursive, ignored);
        }
        const std::string pictures = data.path() + "levels/test/";
        std::filesystem::create_directories(pictures);
        testimages::writeGreyPng(pictures + "heights.png", 33, 33, std::vector<uint16_t>(33 * 33, 0));
        std::vector<uint8_t> green(16 * 16 * 3);
        for (size_t i = 0; i < green.size(); i += 3) {
            green[i] = 60;
            green[i + 1] = 140;
            green[i + 2] = 60;
        }
        for (const char* picture : {"colour.png", "detail.png", "weights.png", "sky.png"})
            testimages::writeRgbPng(pictures + picture, 16, 16, green);

        data.write("levels/config.xml", "<levels>\n"
                                        "  <level path=\"levels\\test\" name=\"Test\"/>\n"
                                        "  <level path=\"levels\\nolight\" name=\"No Light\"/>\n"
                                        "  <level path=\"levels\\nosky\" name=\"No Sky\"/>\n"
                                        "  <level path=\"levels\\nogates\" name=\"No Gates\"/>\n"
                                        "  <level path=\"levels\\noterrain\" name=\"No Terrain\"/>\n"
                                        "</levels>\n");
        data.write("levels/test.xml", scene(true, true, true, true));
        data.write("levels/nolight.xml", scene(true, true, false, true));
        data.write("levels/nosky.xml", scene(true, false, true, true));
        data.write("levels/nogates.xml", scene(true, true, true, false));
        data.write("levels/noterrain.xml", scene(false, true, true, true));
    }

    // The data directory with its trailing separator; "" when it could not be made.
    const std::string& directory() const { return data.path(); }

    // Catalogue indices of the levels.
    enum { complete = 0, noLight = 1, noSky = 2, noGates = 3, noTerrain = 4 };

  private:
    static std::string scene(bool terrain, bool sky, bool light, bool gates)
    {
        std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<level";
        if (terrain)
            xml += " terrain=\"levels\\test\\heights.png\" sizeX=\"400\" sizeY=\"20\" sizeZ=\"400\""
                   " terrainTexture=\"levels\\test\\colour.png\" repeatTexture=\"10\""
                   " detailTexture=\"levels\\test\\detail.png\" detailWeights=\"levels\\test\\weights.png\"";
        xml += ">\n";
        if (sky)
            xml +=
                "  <sky texture=\"levels\\test\\sky.png\" size=\"300\" posX=\"0\" posY=\"0\" posZ=\"0\"/>\n";
        if (light)
            xml += "  <light id=\"0\" x=\"0.4\" y=\"0.8\" z=\"0.4\" w=\"0\" attenuationValue=\"1\" "
                   "attenuationType=\"0\">\n"
                   "    <ambient r=\"0.4\" g=\"0.4\" b=\"0.4\" a=\"1\"/>\n"
                   "    <diffuse r=\"0.9\" g=\"0.9\" b=\"0.9\" a=\"1\"/>\n"
                   "    <specular r=\"0.5\" g=\"0.5\" b=\"0.5\" a=\"1\"/>\n"
                   "  </light>\n";
        if (gates) {
            xml += "  <gates model=\"models\\pylon.dae\" pylonDistance=\"6\" arrow=\"models\\arrow.dae\">\n";
            for (float z : testGateZ)
                xml += "    <gate posX=\"0\" posZ=\"" + std::to_string(int(z)) + "\" rotation=\"0\"/>\n";
            xml += "  </gates>\n";
        }
        return xml + "</level>\n";
    }

    ScratchDirectory data;
};

} // namespace testsupport
