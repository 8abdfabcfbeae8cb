// The cartoon shader family (cartoon, terrain, depth and outline shaders) drawing into off-screen
// targets: the ramp's light steps, the terrain's detail, the shadow and outline passes end to end,
// and what the player reads when programs are missing or broken.
#include "shading/CgCartoon.h"
#include "app/Game.h"
#include "render/Globals.h"
#include "render/RenderSettings.h"
#include "render/SceneLight.h"
#include "render/ShadingState.h"
#include "shading/CgDepth.h"
#include "shading/CgOutline.h"
#include "shading/CgTerrain.h"
#include "shading/Material.h"
#include "support/GLContext.h"
#include "support/OffscreenTarget.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <set>

namespace cg = platform::cg;
using testsupport::OffscreenTarget;
using testsupport::Rgba;

namespace
{

const std::string data = AEROVANT_BIN_DIR;
const float white[4] = {1, 1, 1, 1};
const float black[4] = {0, 0, 0, 1};

class ShadingTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        exchangeGlobals();
        RenderSettings::materialShaders = true;
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND); // a race frame before may have left blending on for the overlays
        glDisable(GL_ALPHA_TEST);
    }
    void TearDown() override
    {
        cg::disableProfile(vertexProfile);
        cg::disableProfile(fragmentProfile);
        glDisable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 0);
        loadView([] {});
        exchangeGlobals();
        GLTest::TearDown();
    }

    // Swaps the process-wide values the shaders read with `saved`: the first call gives the test a
    // white directional light from the upper right front, no ambient light and no shadow or outline
    // maps, the second puts back what the process had.
    void exchangeGlobals()
    {
        std::swap(sceneLightEyePosition, saved.light);
        std::swap(sceneLightAmbient, saved.ambient);
        std::swap(sceneLightDiffuse, saved.diffuse);
        std::swap(shadowTextureMatrix, saved.shadowMatrix);
        std::swap(shadowMapTexture, saved.shadowMap);
        std::swap(outlineMapTexture, saved.outlineMap);
        std::swap(windowWidth, saved.width);
        std::swap(windowHeight, saved.height);
    }
    struct {
        float light[4] = {0.6f, 0.3f, 0.74f, 0.0f}, ambient[3] = {0, 0, 0}, diffuse[3] = {1, 1, 1};
        float shadowMatrix[16] = {}, width = 800, height = 600;
        GLuint shadowMap = 0, outlineMap = 0;
    } saved;

    // The target becomes the window the shaders know, cleared to (r, g, b).
    static void useTarget(const OffscreenTarget& target, float r = 0, float g = 0, float b = 0.5f)
    {
        target.bind();
        windowWidth = float(target.width);
        windowHeight = float(target.height);
        glClearColor(r, g, b, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
    }

    // The projection that `projection` multiplies onto identity, and an identity model-view.
    template <class Projection> static void loadView(Projection projection)
    {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        projection();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    // A unit-sized object at the origin fills most of the target.
    static void orthoView()
    {
        loadView([] { glOrtho(-1.2, 1.2, -1.2, 1.2, -10, 10); });
    }

    static void drawSphere(double radius = 1.0)
    {
        GLUquadric* quadric = gluNewQuadric();
        gluQuadricTexture(quadric, GL_TRUE);
        gluSphere(quadric, radius, 64, 32);
        gluDeleteQuadric(quadric);
    }

    // A square of half-width `side` in the plane z, texture coordinates 0..1 across it.
    static void drawSquare(float side, float z, float nx, float ny, float nz)
    {
        glBegin(GL_QUADS);
        glNormal3f(nx, ny, nz);
        for (int corner : {0, 1, 3, 2}) {
            glTexCoord2i(corner & 1, corner >> 1);
            glVertex3f((corner & 1 ? side : -side), (corner >> 1 ? side : -side), z);
        }
        glEnd();
    }
};

float firstValue(const cg::Parameter* parameter)
{
    float values[16] = {};
    cg::getParameterValues(parameter, values);
    return values[0];
}

// Any program that fails to compile or link, and any parameter a shader looks up that its program
// lacks, is reported on standard output, which these draws capture and expect empty.
TEST_F(ShadingTest, LitSpheresShowTheRampStepsOverTheMaterialOrWhiteTexture)
{
    testing::internal::CaptureStdout();
    CgCartoon cartoon(data);
    CgTerrain terrain(data);
    Material plain(false, white, black, black, 10.0f), red(false, white, black, black, 10.0f);
    const float redTexel[4] = {1, 0, 0, 1};
    glGenTextures(1, &red.texture);
    glBindTexture(GL_TEXTURE_2D, red.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_FLOAT, redTexel);
    red.shader = &cartoon;
    // Mipmap filters put on every bound texture while the filter keys change must leave the
    // one-level white texture complete.
    RenderSettings::mipmapMode = 0;
    RenderSettings::updateFilters();
    RenderSettings::filterChanged = true;
    OffscreenTarget target(128, 128);
    useTarget(target);
    orthoView();
    red.apply();
    drawSphere();
    EXPECT_NEAR(target.pixel(100, 64).r, 230, 2);
    EXPECT_EQ(target.pixel(100, 64).g, 0);

    // An untextured material after a textured one gets white, not the texture before. The terrain
    // goes first so that the cartoon must bring its own ramp back to the unit both programs use.
    const std::pair<CgCartoon*, std::set<int>> cases[] = {{&terrain, {102, 153, 204, 230}},
                                                          {&cartoon, {26, 51, 102, 230}}};
    for (const auto& [shader, steps] : cases) {
        plain.shader = shader;
        useTarget(target);
        plain.apply();
        drawSphere();
        target.snapshot(shader == &cartoon ? "cartoon_sphere" : "terrain_sphere");
        // The grey (lit white) pixels of the middle row show only the ramp's steps.
        const std::vector<uint8_t> pixels = target.read();
        std::set<int> levels;
        for (size_t at = 64 * 128 * 4; at < 65 * 128 * 4; at += 4)
            if (std::abs(pixels[at] - pixels[at + 1]) <= 2 && std::abs(pixels[at] - pixels[at + 2]) <= 2)
                levels.insert(pixels[at]);
        EXPECT_GE(levels.size(), 3u) << "distinct light steps, not one flat colour";
        for (int level : levels)
            EXPECT_TRUE(steps.count(level) || steps.count(level - 1) || steps.count(level + 1)) << level;
        // The brightest step faces the light (right), the darkest turns away from it (left).
        EXPECT_NEAR(target.pixel(100, 64).r, *steps.rbegin(), 2);
        EXPECT_NEAR(target.pixel(20, 64).r, *steps.begin(), 2);
    }
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0) << "fixed-function texturing stays on unit 0";

    // A resized window reaches the shader at its next bind, not before.
    windowWidth += 224;
    windowHeight += 168;
    float before[16] = {}, after[16] = {};
    cg::getParameterValues(cartoon.windowSize, before);
    cartoon.bind(&plain);
    cg::getParameterValues(cartoon.windowSize, after);
    EXPECT_TRUE(before[0] == windowWidth - 224 && before[1] == windowHeight - 168) << before[0];
    EXPECT_TRUE(after[0] == windowWidth && after[1] == windowHeight) << after[0];
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(ShadingTest, TheGameCreatesTheCartoonShaderThatNewMaterialsReceive)
{
    testing::internal::CaptureStdout();
    Game game(data);
    EXPECT_NE(dynamic_cast<CgCartoon*>(cartoonShader), nullptr);
    EXPECT_EQ(Material(false, white, black, black, 1.0f).shader, cartoonShader);
    game.cleanUp();
    EXPECT_EQ(cartoonShader, nullptr);
    testing::internal::GetCapturedStdout();
}

TEST_F(ShadingTest, TerrainStartsPlainThenRepeatsDetailWhereTheWeightsSay)
{
    CgTerrain shader(data);
    EXPECT_EQ(cg::getTextureParameter(shader.detailTexture), whiteTexture);
    EXPECT_EQ(cg::getTextureParameter(shader.weightsTexture), whiteTexture);
    EXPECT_EQ(firstValue(shader.textureRepeat), 1.0f);
    testsupport::ScratchDirectory folder;
    // A 2 x 2 black and white checker as detail; no detail on the left half, full on the right.
    const std::string checker = folder.path() + "checker.png", weightsFile = folder.path() + "weights.png";
    testimages::writeRgbPng(checker, 2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0});
    testimages::writeRgbPng(weightsFile, 2, 2, {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255});
    RenderSettings::linearFiltering = false;
    RenderSettings::mipmapMode = 2;
    RenderSettings::updateFilters();
    shader.setTextures(checker, weightsFile, 4.0f);
    const GLuint detail = shader.detailTextureName, weights = shader.weightsTextureName;
    EXPECT_EQ(cg::getTextureParameter(shader.detailTexture), detail);
    EXPECT_EQ(cg::getTextureParameter(shader.weightsTexture), weights);

    // A flat square facing the light.
    const float front[4] = {0, 0, 1, 0};
    std::copy(front, front + 4, sceneLightEyePosition);
    Material material(false, white, black, black, 1.0f);
    material.shader = &shader;
    OffscreenTarget target(128, 128);
    useTarget(target);
    orthoView();
    material.apply();
    drawSquare(1, 0, 0, 0, 1);
    target.snapshot("terrain_detail");
    std::set<int> left, right;
    int changes = 0;
    for (int x = 14; x < 114; ++x) {
        const int red = target.pixel(x, 40).r;
        (x < 50 ? left : right).insert(red);
        changes += x > 67 && (red == 0) != (target.pixel(x - 1, 40).r == 0);
    }
    EXPECT_EQ(left, std::set<int>({230}));
    EXPECT_TRUE(right.count(0) && right.count(230)) << "black and white detail on the right half";
    EXPECT_GE(changes, 3) << "the detail repeats, not stretched over the terrain";

    // A second call frees the first textures; an image that cannot be loaded leaves white.
    testing::internal::CaptureStderr();
    shader.setTextures(checker, folder.path() + "missing.png", 2.0f);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("missing.png"), std::string::npos);
    EXPECT_FALSE(glIsTexture(detail) || glIsTexture(weights));
    EXPECT_EQ(cg::getTextureParameter(shader.detailTexture), shader.detailTextureName);
    EXPECT_EQ(cg::getTextureParameter(shader.weightsTexture), whiteTexture);
    EXPECT_EQ(firstValue(shader.textureRepeat), 2.0f);
}

TEST_F(ShadingTest, MissingAndBrokenProgramsAreNamedAndDrawingGoesOn)
{
    testsupport::ScratchDirectory folder; // holds only a broken fp_cartoon: every other program is missing
    folder.write("shader/fp_cartoon.glsl",
                 "#version 410 compatibility\nvoid main() { gl_FragColor = vec4(ramp); }\n");
    Material material(false, white, white, white, 1.0f);
    OffscreenTarget target(32, 32);
    useTarget(target);
    orthoView();
    {
        CgCartoon shipped(data); // destroyed while bound
        shipped.bind(&material);
    }
    testing::internal::CaptureStdout();
    {
        CgCartoon cartoon(folder.path());
        CgTerrain terrain(folder.path());
        CgDepth depth(folder.path());
        CgOutline outline(folder.path());
        for (CgShader* shader : std::initializer_list<CgShader*>{&cartoon, &terrain, &depth, &outline}) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            shader->bind(&material);
            glColor3f(0, 1, 0);
            drawSphere();
            EXPECT_EQ(target.pixel(16, 16).g, 255) << "fixed function draws on";
        }
        glColor3f(1, 1, 1);
    }
    // The runtime names the file (with the compiler's log), the shader the program it lacks.
    const std::string output = testing::internal::GetCapturedStdout();
    const std::string missing = "cannot read shader program file: " + folder.path() + "shader/";
    // The compiler's own words are Mesa's; other drivers say it their way.
    const std::string compilerLog = testsupport::onMesa() ? "`ramp' undeclared" : "";
    if (compilerLog.empty())
        std::cout << "The compiler's message is not checked: the driver is " << testsupport::glDriver()
                  << "\n";
    for (const std::string& line :
         {missing + "vp_cartoon.glsl\n", "did not compile: " + folder.path() + "shader/fp_cartoon.glsl\n",
          compilerLog, missing + "fp_terrain.glsl\n", missing + "vp_depth.glsl\n",
          missing + "fp_depth.glsl\n", missing + "vp_outline.glsl\n",
          std::string("\ncouldn't load vertex program\n"), std::string("\ncouldn't load fragment program\n"),
          std::string("\nerror: couldn't load cg parameters\n"),
          std::string("\nerror: couldn't load cg parameters from terrain shader\n"),
          std::string("\ncouldn't load vertex program in CgDepth\n"),
          std::string("\ncouldn't load fragment program in CgDepth\n")})
        EXPECT_NE(output.find(line), std::string::npos) << line << " in:\n" << output;
}

TEST_F(ShadingTest, DepthAndOutlineShadersWriteWhatTheFinalPassReads)
{
    testing::internal::CaptureStdout(); // expected empty, as in the first test
    CgCartoon cartoon(data);
    CgDepth depth(data);
    CgOutline outline(data);
    Material material(false, white, white, white, 1.0f);
    OffscreenTarget target(32, 32);

    // Depth between the near plane 1 and far plane 3: a square 1.5 units away lies at a quarter.
    // That takes projection times model-view as the stacks held them at the bind, not at the draw.
    useTarget(target);
    loadView([] { glOrtho(-1, 1, -1, 1, 1, 3); });
    glTranslatef(0, 0, 0.5f);
    depth.bind(&material);
    glLoadIdentity();
    drawSquare(1, -2, 0, 0, 1);
    EXPECT_NEAR(target.pixel(16, 16).r, 64, 2);
    EXPECT_EQ(target.pixel(16, 16).a, 255);

    // Outline: eye-space normal in rgb and depth (35 of the camera's 350) in alpha, through the
    // fixed-function fragment stage even after a cartoon bind left the fragment profile on. The
    // model-view turns a quarter about z after stretching y four times, so the normal (0, 1, 1)
    // must come out as (-1/4, 0, 1) normalised, which only the inverse transpose gives.
    useTarget(target);
    loadView([] { gluPerspective(45.0, 1.0, 1.0, 350.0); });
    glTranslatef(0, 0, -35.0f);
    glRotatef(90, 0, 0, 1);
    glScalef(1.0f, 4.0f, 1.0f);
    cartoon.bind(&material);
    outline.bind(&material);
    drawSquare(10, 0, 0, 1, 1);
    const Rgba pixel = target.pixel(16, 16);
    EXPECT_NEAR(pixel.r, 97, 2);
    EXPECT_NEAR(pixel.g, 128, 2);
    EXPECT_NEAR(pixel.b, 251, 2);
    EXPECT_NEAR(pixel.a, 26, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    // A value the parameter's type cannot take is refused (GL would only raise an error) and named.
    testing::internal::CaptureStdout();
    cg::setParameter3fv(cartoon.kd, white);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "value does not fit the shader parameter's type: kd in " + data + "shader/fp_cartoon.glsl\n");
}

// The three passes as the shadow-map renderer runs them: depth from the light, normals and depth
// from the camera, then the cartoon programs reading both. A sphere stands on a ground square 20
// units ahead of the camera, seen from 22 degrees above; the light is given in eye space.
TEST_F(ShadingTest, ShadowsDarkenTheGroundBehindTheSphereAndOutlinesEdgeIt)
{
    CgCartoon cartoon(data);
    CgDepth depth(data);
    CgOutline outline(data);
    const float grass[4] = {0.6f, 0.8f, 0.5f, 1}, brick[4] = {1, 0.35f, 0.2f, 1};
    Material ground(false, grass, grass, black, 1.0f), ball(false, brick, brick, white, 30.0f);
    ground.shader = ball.shader = &cartoon;
    std::fill(sceneLightAmbient, sceneLightAmbient + 3, 0.25f);
    const float light[4] = {0.45f, 0.68f, 0.58f, 0.0f}; // from above, right and front
    std::copy(light, light + 4, sceneLightEyePosition);
    auto scene = [&] {
        glPushMatrix();
        glTranslatef(0, 0, -20);
        glRotatef(-68, 1, 0, 0);
        ground.apply();
        drawSquare(12, 0, 0, 0, 1);
        glTranslatef(0, 0, 2.5f);
        ball.apply();
        drawSphere(2.0);
        glPopMatrix();
    };
    auto lightView = [&] { gluLookAt(light[0] * 10, light[1] * 10, light[2] * 10 - 20, 0, 0, -20, 0, 1, 0); };
    OffscreenTarget shadowMap(1024, 1024, GL_RGBA16F), outlineMap(400, 300), window(400, 300);
    useTarget(shadowMap, 0, 0, 0);
    loadView([] { glOrtho(-14, 14, -14, 14, -30, 30); });
    lightView();
    RenderSettings::overrideShader = &depth;
    scene();
    // The same light view after the step from clip space to texture space: where a point in eye
    // space lies in the shadow map.
    glLoadIdentity();
    glTranslatef(0.5f, 0.5f, 0.5f);
    glScalef(0.5f, 0.5f, 0.5f);
    glOrtho(-14, 14, -14, 14, -30, 30);
    lightView();
    glGetFloatv(GL_MODELVIEW_MATRIX, shadowTextureMatrix);

    useTarget(outlineMap, 0, 0, 0);
    loadView([] { gluPerspective(45.0, 400.0 / 300.0, 1.0, 350.0); });
    RenderSettings::overrideShader = &outline;
    scene();
    RenderSettings::overrideShader = nullptr;
    outlineMapTexture = outlineMap.texture();
    // The final pass without the shadow map, then with it.
    useTarget(window, 0.55f, 0.75f, 0.95f);
    scene();
    const std::vector<uint8_t> unshadowed = window.read();
    shadowMapTexture = shadowMap.texture();
    useTarget(window, 0.55f, 0.75f, 0.95f);
    scene();
    window.snapshot("cartoon_passes");
    const std::vector<uint8_t> shadowed = window.read();
    int darker = 0, darkerX = 0, outlines = 0;
    for (size_t i = 0; i < shadowed.size(); i += 4) {
        const int after = shadowed[i] + shadowed[i + 1] + shadowed[i + 2];
        const bool inShadow = after + 100 < unshadowed[i] + unshadowed[i + 1] + unshadowed[i + 2];
        darker += inShadow;
        darkerX += inShadow * int(i / 4 % 400);
        outlines += after < 30;
    }
    // About 1350 pixels of shadow, left of the sphere (x = 200); some 1050 of outline.
    EXPECT_GT(darker, 600) << "the sphere's shadow on the ground";
    EXPECT_LT(darker, 3000) << "lit surfaces are not in their own shadow";
    EXPECT_LT(darkerX / std::max(darker, 1), 195) << "the shadow falls away from the light";
    EXPECT_GT(outlines, 400) << "dark outlines around the sphere and the ground";
    EXPECT_LT(outlines, 3000) << "and nowhere else";
}

} // namespace
