#include "flight/Airplane.h"
#include "flight/PursuitCam.h"
#include "loaders/ColladaLoader.h"
#include "render/RenderSettings.h"
#include "scene/Model.h"

#include "support/GLContext.h"
#include "support/ManualCounter.h"
#include "support/OffscreenPicture.h"

#include <GL/glu.h>

#include <memory>

using namespace qorm::scenegraph;
using namespace testsupport;

namespace
{

using CockpitGL = GLTest;

// Whether a pixel shows the clear colour magenta, which nothing drawn here has.
bool isClear(const uint8_t* c)
{
    return c[0] > 240 && c[1] < 15 && c[2] > 240;
}

// Pixels of rows [fromRow, toRow) (counted from the top) that differ from the clear colour.
int drawnPixels(const Picture& picture, int fromRow, int toRow)
{
    int count = 0;
    for (int row = fromRow; row < toRow; ++row)
        for (int x = 0; x < picture.width; ++x)
            count += !isClear(picture.at(x, picture.height - 1 - row));
    return count;
}

GLint wrapOf(GLuint texture)
{
    GLint wrap = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    return wrap;
}

} // namespace

TEST_F(CockpitGL, PursuitViewShowsTheAirplaneAndCockpitViewAddsThePanelOverTheLowerHalf)
{
    ManualCounter counter;
    counter.set(0);
    const std::string data = AEROVANT_BIN_DIR;
    std::unique_ptr<Model> model(loadModel(data + "models\\", "airplane.dae"));
    ASSERT_TRUE(model->loaded);
    PursuitCam camera;
    Airplane airplane(data);
    airplane.followCamera = airplane.cockpit.camera = &camera;
    airplane.cockpit.model = model.get();
    airplane.transform[13] = 5;

    // Wider than 4:3, so the panel has to stretch to fill the lower half.
    PictureTarget target(480, 240);
    ASSERT_TRUE(target.complete());
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 2.0, 1.0, 350.0); // the game's near and far planes
    glMatrixMode(GL_MODELVIEW);
    const float light[4] = {0.3f, 1, -0.5f, 0};
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    GLuint someTexture = 0; // bound by whatever drew before; its wrapping is its own
    glGenTextures(1, &someTexture);
    glBindTexture(GL_TEXTURE_2D, someTexture);

    auto view = [&](int32_t mode, const char* name) {
        camera.mode = mode;
        int64_t now = airplane.stepTime(airplane.stepCount + 1);
        airplane.advanceTo(now);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixd(camera.view);
        target.clear(1, 0, 1);
        airplane.render(0.0);
        Picture picture = target.read();
        savePicture(picture, name);
        return picture;
    };
    const Picture pursuit = view(PursuitCam::Pursuit, "airplane-pursuit");
    EXPECT_EQ(drawnPixels(pursuit, 200, 240), 0) << "no panel";
    // Edge-on from behind, the wings span a good part of the view, centred, and stay inside it.
    int left = pursuit.width, right = -1;
    for (int y = 0; y < pursuit.height; ++y)
        for (int x = 0; x < pursuit.width; ++x)
            if (!isClear(pursuit.at(x, y)))
                left = std::min(left, x), right = std::max(right, x);
    EXPECT_GT(right - left, pursuit.width / 6) << "too small to see";
    EXPECT_LT(right - left, pursuit.width / 2) << "too large for the view";
    EXPECT_NEAR((left + right) / 2, pursuit.width / 2, 3);
    // Seen from the front, the propeller moves between two instants a twentieth of a turn apart.
    auto front = [&](double time) {
        glLoadIdentity();
        gluLookAt(0.3, 0.2, 2.2, 0, 0, 0, 0, 1, 0);
        target.clear();
        model->draw(time);
        return target.read();
    };
    EXPECT_GT(countDifferentPixels(front(0.0), front(0.012), 30), 20);

    // The panel's windshield is see-through, with posts at its top corners and instruments below.
    const Picture cockpit = view(PursuitCam::Cockpit, "airplane-cockpit");
    EXPECT_GT(drawnPixels(cockpit, 200, 240), 480 * 40 * 95 / 100) << "the panel over the lower half";
    EXPECT_EQ(drawnPixels(cockpit, 0, 110), 0) << "nothing above it";
    EXPECT_LT(drawnPixels(cockpit, 130, 170), 480 * 40 / 2) << "the windshield";
    EXPECT_TRUE(drawnPixels(cockpit, 122, 126) > 0 && drawnPixels(cockpit, 236, 240) > 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << "lighting as found";
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // One panel texture for every airplane, clamped itself; the texture bound before keeps wrapping.
    Airplane second(data);
    second.cockpit.camera = &camera;
    second.render(0.0);
    EXPECT_NE(airplane.cockpit.panelTexture, 0u);
    EXPECT_EQ(second.cockpit.panelTexture, airplane.cockpit.panelTexture);
    EXPECT_EQ(wrapOf(airplane.cockpit.panelTexture), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(wrapOf(someTexture), GL_REPEAT);
    glDeleteTextures(1, &someTexture);
    glPopAttrib();
}
