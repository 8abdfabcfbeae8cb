#include "scene/Skybox.h"

#include "support/GLContext.h"
#include "support/OffscreenTarget.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include "app/RenderSettings.h"
#include "scene/AxisAlignedBB.h"
#include "scene/BoundingSphere.h"
#include "scene/Material.h"
#include "scene/Mesh.h"
#include "shading/CgCartoon.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{

using testsupport::Rgba;

// The sky picture: 4 x 2 cells of 16 x 16 pixels. Top half: bottom view, top view, two unused
// cells; bottom half: the side views +z, +x, -z, -x.
const uint8_t bottomColour[3] = {255, 0, 255}, topColour[3] = {0, 255, 255}, unusedColour[3] = {90, 90, 90};
const uint8_t plusZ[3] = {255, 0, 0}, plusX[3] = {0, 255, 0}, minusZ[3] = {0, 0, 255},
              minusX[3] = {255, 255, 0};

std::vector<uint8_t> skyPicture()
{
    const uint8_t* cells[2][4] = {{bottomColour, topColour, unusedColour, unusedColour},
                                  {plusZ, plusX, minusZ, minusX}};
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            rgb.insert(rgb.end(), cells[y / 16][x / 16], cells[y / 16][x / 16] + 3);
    return rgb;
}

void rotationY(double degrees, double m[16])
{
    const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const double r[16] = {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1};
    std::copy(r, r + 16, m);
}

void rotationX(double degrees, double m[16])
{
    const double a = degrees * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const double r[16] = {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1};
    std::copy(r, r + 16, m);
}

bool near(const Rgba& pixel, const uint8_t colour[3], int tolerance = 12)
{
    return std::abs(pixel.r - colour[0]) <= tolerance && std::abs(pixel.g - colour[1]) <= tolerance &&
           std::abs(pixel.b - colour[2]) <= tolerance;
}

std::string describe(const Rgba& p)
{
    return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) + ")";
}

class SkyboxTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "sky.png", 64, 32, skyPicture()));
        offscreen = std::make_unique<testsupport::OffscreenTarget>(160, 120);
        ASSERT_TRUE(target().complete());
        target().bind();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60, double(target().width) / target().height, 1, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_DEPTH_TEST);
    }
    void TearDown() override
    {
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        if (offscreen)
            target().unbind();
        offscreen.reset();
        GLTest::TearDown();
    }

    void draw(Skybox& sky)
    {
        glClearColor(0, 0, 0, 1);
        glClearDepth(1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        sky.render(0, nullptr);
    }
    testsupport::OffscreenTarget& target() const { return *offscreen; }
    Rgba centre() const { return target().pixel(target().width / 2, target().height / 2); }

    testsupport::ScratchDirectory scratch;
    std::unique_ptr<testsupport::OffscreenTarget> offscreen; // made once the context exists
};

} // namespace

TEST_F(SkyboxTest, IsAFixedCubeThatNeitherCollidesNorCulls)
{
    Skybox sky(scratch.path() + "sky.png", 100, 1, 2, 3);
    EXPECT_NE(sky.texture, 0u);
    ASSERT_NE(sky.mesh, nullptr);
    EXPECT_EQ(sky.mesh->vertices.size(), 24u);
    EXPECT_EQ(sky.mesh->indices.size(), 36u);
    EXPECT_EQ(sky.worldBounds, sky.box);
    EXPECT_EQ(sky.getLocalBounds(), sky.box);
    EXPECT_FLOAT_EQ(sky.box->min[1], -50);
    EXPECT_FLOAT_EQ(sky.box->max[2], 50);
    EXPECT_TRUE(sky.noBounds);
    EXPECT_TRUE(sky.boundsValid);
    EXPECT_DOUBLE_EQ(sky.offset[1], 2);

    // Every normal points into the cube, and every face's corners share its texture cell.
    for (size_t v = 0; v < 24; ++v) {
        const Vertex& vertex = sky.mesh->vertices[v];
        EXPECT_LT(vertex.nx * vertex.x + vertex.ny * vertex.y + vertex.nz * vertex.z, 0) << "vertex " << v;
    }

    // Moving the node changes nothing: its world transform stays the identity and bounds stay valid.
    sky.translate(10, 20, 30);
    float world[16];
    sky.getWorldTransform(world);
    EXPECT_EQ(world[12], 0);
    EXPECT_EQ(world[0], 1);
    EXPECT_TRUE(sky.boundsValid);
    const float inside[3] = {0, 0, 0};
    const BoundingSphere sphere(inside, 1000);
    EXPECT_FALSE(sky.collides(&sphere, true));
}

TEST_F(SkyboxTest, TurnsWithTheCameraButNeverMovesWithIt)
{
    Skybox sky(scratch.path() + "sky.png", 100, 0, 0, 0);
    draw(sky);
    EXPECT_TRUE(near(centre(), minusZ)) << describe(centre());
    target().snapshot("sky-ahead");

    // Moving the camera (a translated modelview) changes nothing.
    glLoadIdentity();
    glTranslatef(300, -40, 25);
    draw(sky);
    EXPECT_TRUE(near(centre(), minusZ)) << describe(centre());

    const struct {
        double yaw, pitch;
        const uint8_t* colour;
        const char* name;
    } views[] = {{90, 0, plusX, "right"},
                 {180, 0, plusZ, "back"},
                 {-90, 0, minusX, "left"},
                 {0, -90, topColour, "up"},
                 {0, 90, bottomColour, "down"}};
    for (const auto& view : views) {
        double yaw[16], pitch[16];
        rotationY(view.yaw, yaw);
        rotationX(view.pitch, pitch);
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                double sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += pitch[k * 4 + r] * yaw[c * 4 + k];
                sky.rotation[c * 4 + r] = sum;
            }
        draw(sky);
        EXPECT_TRUE(near(centre(), view.colour)) << view.name << " " << describe(centre());
        target().snapshot(std::string("sky-") + view.name);
    }
}

TEST_F(SkyboxTest, DrawsUnlitWithoutShadersOrDepthWrites)
{
    Skybox sky(scratch.path() + "sky.png", 100, 0, 0, 0);
    // A dark light and a bound cartoon shader would both change the colours if they took part.
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const float dark[4] = {0.1f, 0.1f, 0.1f, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, dark);
    CgCartoon cartoon(AEROVANT_BIN_DIR);
    const float grey[4] = {0.2f, 0.2f, 0.2f, 1};
    Material material(false, grey, grey, grey, 1);
    cartoon.bind(&material);
    glDisable(GL_TEXTURE_2D);

    draw(sky);
    EXPECT_TRUE(near(centre(), minusZ)) << describe(centre());
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);

    // The sky left the cleared depth alone, so a square far beyond the cube still shows.
    float depth = 0;
    glReadPixels(target().width / 2, target().height / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex3f(-10, -10, -500);
    glVertex3f(10, -10, -500);
    glVertex3f(10, 10, -500);
    glVertex3f(-10, 10, -500);
    glEnd();
    const uint8_t white[3] = {255, 255, 255};
    EXPECT_TRUE(near(centre(), white)) << describe(centre());
    glDisable(GL_LIGHT0);
    const float defaultDiffuse[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, defaultDiffuse);
}

TEST_F(SkyboxTest, OffsetLowersTheCubeAndFilterChangesReachItsTexture)
{
    Skybox centred(scratch.path() + "sky.png", 100, 0, 0, 0);
    Skybox lowered(scratch.path() + "sky.png", 100, 0, -30, 0);
    const int topRow = target().height - 3;
    draw(centred);
    EXPECT_TRUE(near(target().pixel(target().width / 2, topRow), minusZ))
        << describe(target().pixel(80, topRow));
    draw(lowered);
    // The top edge of the front face now lies 20 units up at 50 units away, inside the view.
    EXPECT_TRUE(near(target().pixel(target().width / 2, topRow), topColour))
        << describe(target().pixel(80, topRow));
    EXPECT_TRUE(near(centre(), minusZ)) << describe(centre());
    target().snapshot("sky-lowered");

    RenderSettings::minFilter = GL_NEAREST;
    RenderSettings::magFilter = GL_NEAREST;
    RenderSettings::filterChanged = true;
    draw(lowered);
    GLint minFilter = 0, magFilter = 0;
    glBindTexture(GL_TEXTURE_2D, lowered.texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_NEAREST);
    EXPECT_EQ(magFilter, GL_NEAREST);
}

TEST_F(SkyboxTest, AMissingImageLeavesAWhiteCube)
{
    testing::internal::CaptureStderr();
    Skybox sky(scratch.path() + "no-sky.png", 100, 0, 0, 0);
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_NE(output.find("no-sky.png"), std::string::npos) << output;
    EXPECT_EQ(sky.texture, 0u);
    draw(sky);
    const uint8_t white[3] = {255, 255, 255};
    EXPECT_TRUE(near(centre(), white)) << describe(centre());
}
