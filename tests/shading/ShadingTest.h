// What the shading tests share: a fixture that keeps the process-wide values the shaders read
// (window size, scene light, shadow and outline maps, shader switches) as it found them, an
// off-screen target whose size is the "window" the shaders see, and a few drawing helpers.
#pragma once

#include "app/Globals.h"
#include "app/RenderSettings.h"
#include "platform/CgRuntime.h"
#include "scene/SceneLight.h"
#include "shading/ShadingState.h"
#include "support/GLContext.h"
#include "support/OffscreenTarget.h"

#include <GL/freeglut.h>
#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace shadingtest
{

inline std::string dataDirectory()
{
    return AEROVANT_BIN_DIR;
}

class ShadingTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        savedWidth = windowWidth;
        savedHeight = windowHeight;
        std::copy(sceneLightEyePosition, sceneLightEyePosition + 4, savedLight);
        std::copy(sceneLightAmbient, sceneLightAmbient + 3, savedAmbient);
        std::copy(sceneLightDiffuse, sceneLightDiffuse + 3, savedDiffuse);
        savedShadowMap = shadowMapTexture;
        savedOutlineMap = outlineMapTexture;
        std::copy(shadowTextureMatrix, shadowTextureMatrix + 16, savedShadowMatrix);

        // A white directional light from the upper right front, no ambient light.
        const float light[4] = {0.6f, 0.3f, 0.74f, 0.0f};
        std::copy(light, light + 4, sceneLightEyePosition);
        std::fill(sceneLightAmbient, sceneLightAmbient + 3, 0.0f);
        std::fill(sceneLightDiffuse, sceneLightDiffuse + 3, 1.0f);
        shadowMapTexture = 0;
        outlineMapTexture = 0;
        std::fill(shadowTextureMatrix, shadowTextureMatrix + 16, 0.0f);
        RenderSettings::materialShaders = true;
    }

    void TearDown() override
    {
        platform::cg::disableProfile(vertexProfile);
        platform::cg::disableProfile(fragmentProfile);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        windowWidth = savedWidth;
        windowHeight = savedHeight;
        std::copy(savedLight, savedLight + 4, sceneLightEyePosition);
        std::copy(savedAmbient, savedAmbient + 3, sceneLightAmbient);
        std::copy(savedDiffuse, savedDiffuse + 3, sceneLightDiffuse);
        shadowMapTexture = savedShadowMap;
        outlineMapTexture = savedOutlineMap;
        std::copy(savedShadowMatrix, savedShadowMatrix + 16, shadowTextureMatrix);
        GLTest::TearDown();
    }

    // The target becomes the window the shaders know: windowWidth and windowHeight follow it.
    void useTarget(const testsupport::OffscreenTarget& target, float r = 0.0f, float g = 0.0f, float b = 0.5f)
    {
        target.bind();
        windowWidth = float(target.width);
        windowHeight = float(target.height);
        glClearColor(r, g, b, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        glEnable(GL_DEPTH_TEST);
    }

    // Projection and model-view for a unit-sized object at the origin filling most of the target.
    static void orthoView()
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1.2, 1.2, -1.2, 1.2, -10.0, 10.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    static void drawSphere(double radius = 1.0)
    {
        GLUquadric* quadric = gluNewQuadric();
        gluQuadricNormals(quadric, GLU_SMOOTH);
        gluQuadricTexture(quadric, GL_TRUE);
        gluSphere(quadric, radius, 64, 32);
        gluDeleteQuadric(quadric);
    }

    static void restoreMatrices()
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

  private:
    float savedWidth = 0.0f;
    float savedHeight = 0.0f;
    float savedLight[4] = {};
    float savedAmbient[3] = {};
    float savedDiffuse[3] = {};
    GLuint savedShadowMap = 0;
    GLuint savedOutlineMap = 0;
    float savedShadowMatrix[16] = {};
};

// The red values of row `y` of a picture read from `target`.
inline std::vector<int> rowReds(const testsupport::OffscreenTarget& target, int y)
{
    const std::vector<uint8_t> pixels = target.read();
    std::vector<int> reds;
    for (int x = 0; x < target.width; ++x)
        reds.push_back(pixels[(size_t(y) * size_t(target.width) + size_t(x)) * 4]);
    return reds;
}

// Distinct grey levels among the pixels of row `y` that are grey (r = g = b, within 2), i.e. lit
// surface rather than the blue background.
inline std::set<int> greyLevels(const testsupport::OffscreenTarget& target, int y)
{
    const std::vector<uint8_t> pixels = target.read();
    std::set<int> levels;
    for (int x = 0; x < target.width; ++x) {
        const uint8_t* p = &pixels[(size_t(y) * size_t(target.width) + size_t(x)) * 4];
        if (std::abs(p[0] - p[1]) <= 2 && std::abs(p[0] - p[2]) <= 2)
            levels.insert(p[0]);
    }
    return levels;
}

// The four 8-bit levels a white surface in white light shows with the models' ramp.
inline bool isModelRampLevel(int value)
{
    for (int level : {26, 51, 102, 230})
        if (std::abs(value - level) <= 2)
            return true;
    return false;
}

// True when every text of `parts` occurs in `output`, each after the one before.
inline bool appearsInOrder(const std::string& output, std::initializer_list<std::string> parts)
{
    std::string::size_type from = 0;
    for (const std::string& part : parts) {
        from = output.find(part, from);
        if (from == std::string::npos)
            return false;
        from += part.size();
    }
    return true;
}

// A temporary data directory holding the shipped programs, for tests that break one of them.
class ProgramCopy
{
  public:
    ProgramCopy()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "aerovant-shaders-XXXXXX").string();
        if (mkdtemp(&pattern[0])) {
            root = pattern + "/";
            std::filesystem::create_directories(root + "shader");
            for (const auto& entry : std::filesystem::directory_iterator(dataDirectory() + "shader"))
                std::filesystem::copy_file(entry.path(), root + "shader/" + entry.path().filename().string());
        }
    }
    ~ProgramCopy()
    {
        std::error_code ignored;
        if (!root.empty())
            std::filesystem::remove_all(root, ignored);
    }
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    void replace(const std::string& file, const std::string& text) const
    {
        std::ofstream(root + "shader/" + file) << text;
    }

    std::string root; // with trailing '/'; empty when it could not be created
};

} // namespace shadingtest
