// The bundled airplane over a bundled level's ground and sky, drawn as the game's fixed-function
// path draws them. Set AEROVANT_SNAPSHOT_DIR to keep the pictures.
#include "loaders/ColladaLoader.h"

#include "support/GLContext.h"
#include "support/OffscreenTarget.h"

#include "app/RenderSettings.h"
#include "loaders/TextureLoader.h"
#include "scene/Model.h"
#include "scene/Skybox.h"
#include "scene/Terrain.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <memory>

namespace
{

const std::string dataDirectory = AEROVANT_BIN_DIR;

class ColladaSceneTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        target = std::make_unique<testsupport::OffscreenTarget>(400, 300);
        ASSERT_TRUE(target->complete());
        target->bind();
    }
    void TearDown() override
    {
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        target->unbind();
        target.reset();
        GLTest::TearDown();
    }

    // A camera `distance` behind and a little above the model's centre, looking at it along -z.
    void frame(double time, Model& model, Skybox& sky, Terrain& terrain, double distance)
    {
        const float* c = model.sphere.centre;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45, double(target->width) / target->height, 0.5, 3000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(c[0], c[1] + distance * 0.3, c[2] + distance, c[0], c[1], c[2], 0, 1, 0);
        double view[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, view);
        for (int k = 0; k < 16; ++k) // the view's rotation, as the game hands it to the sky
            sky.rotation[k] = (k % 4 == 3 || k >= 12) ? (k == 15 ? 1 : 0) : view[k];

        const float light[4] = {-0.35f, 0.75f, 0.55f, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, light);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
        sky.render(time, nullptr);
        // The ground sits 20 units below the model, as if flying low over the level.
        glPushMatrix();
        glTranslatef(0, -20, 0);
        terrain.render(time, nullptr);
        glPopMatrix();
        model.draw(time);
    }

    std::unique_ptr<testsupport::OffscreenTarget> target;
};

int differingPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    int count = 0;
    for (size_t p = 0; p + 3 < a.size(); p += 4)
        count += (std::abs(a[p] - b[p]) + std::abs(a[p + 1] - b[p + 1]) + std::abs(a[p + 2] - b[p + 2]) > 30)
                     ? 1
                     : 0;
    return count;
}

} // namespace

TEST_F(ColladaSceneTest, TheAirplaneFliesOverGroundUnderTheSky)
{
    std::unique_ptr<Model> airplane(loadModel(dataDirectory, "models\\airplane.dae"));
    ASSERT_TRUE(airplane->loaded);
    ASSERT_TRUE(airplane->animated) << "the propeller turns";
    Skybox sky(dataDirectory + "levels\\alpine\\sky.jpg", 300, 0, 0, 0);
    Terrain terrain(dataDirectory, "levels\\alpine\\heights.png", 1600, 140, 1600);
    loadTexture(dataDirectory + "levels\\alpine\\colour.jpg", terrain.material.texture);
    ASSERT_TRUE(terrain.loaded);
    ASSERT_NE(sky.texture, 0u);

    const double distance = airplane->sphere.radius * 2.5;
    // An unloaded model with the airplane's extent gives the same camera without the airplane.
    Model empty;
    empty.sphere = airplane->sphere;
    frame(0, empty, sky, terrain, distance);
    const std::vector<uint8_t> background = target->read();
    target->snapshot("airplane-background");

    frame(0, *airplane, sky, terrain, distance);
    const std::vector<uint8_t> atStart = target->read();
    target->snapshot("airplane-0s");
    frame(0.05, *airplane, sky, terrain, distance);
    const std::vector<uint8_t> turned = target->read();
    target->snapshot("airplane-50ms");

    const int total = target->width * target->height;
    const int covered = differingPixels(background, atStart);
    EXPECT_GT(covered, total / 50) << "the airplane shows in the middle of the view";
    EXPECT_LT(covered, total * 3 / 4);
    // Only the propeller and spinner move between the two times: a small change.
    const int moved = differingPixels(atStart, turned);
    EXPECT_GT(moved, 20) << "the propeller turns";
    EXPECT_LT(moved, covered / 2);
    // The sky above is textured (not the black clear colour) and so is the ground below.
    const testsupport::Rgba top = target->pixel(5, target->height - 5);
    const testsupport::Rgba bottom = target->pixel(5, 5);
    EXPECT_GT(top.r + top.g + top.b, 60);
    EXPECT_GT(bottom.r + bottom.g + bottom.b, 30);
}
