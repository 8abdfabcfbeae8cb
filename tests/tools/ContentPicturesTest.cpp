// The menu pictures, the cockpit panel and the font page as the game draws them: the texture loader
// hands each image to OpenGL in its file's own row order, and the drawing rules below (the menu's
// background quad, the panel quad, the font's glyph quads) must show them upright.
// GLEW's header must come before anything that includes gl.h.
#include "loaders/ColladaLoader.h"
#include "loaders/Font.h"
#include "render/TextureLoader.h"
#include "scene/Model.h"
#include "support/GLContext.h"
#include "support/OffscreenPicture.h"

#include "tools/ContentTestSupport.h"

using namespace contenttest;
using testsupport::Picture;

namespace
{

class ContentPictures : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, 800, 600, 0, -1, 1); // the overlay space: origin top left, y down
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glColor3f(1, 1, 1);
    }
    void TearDown() override
    {
        glDeleteTextures(GLsizei(textures.size()), textures.data());
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        glEnable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        GLTest::TearDown();
    }
    GLuint texture(const std::string& relative)
    {
        GLuint name = 0;
        loadTexture(dataPath(relative), name);
        textures.push_back(name);
        return name;
    }
    // A pixel of the picture by overlay coordinates (y down).
    static const uint8_t* at(const Picture& p, int x, int y) { return p.at(x, p.height - 1 - y); }

    std::vector<GLuint> textures;
};

// Ink extent of red-on-black pixels within a rectangle of the overlay.
struct Ink {
    int left = 10000, right = -1, top = 10000, bottom = -1;
    int widthAt(const Picture& p, int y, int x0, int x1) const
    {
        int l = -1, r = -1;
        for (int x = x0; x < x1; ++x)
            if (p.at(x, p.height - 1 - y)[0] > 128) {
                if (l < 0)
                    l = x;
                r = x;
            }
        return l < 0 ? 0 : r - l + 1;
    }
};

Ink inkIn(const Picture& p, int x0, int y0, int x1, int y1)
{
    Ink ink;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (p.at(x, p.height - 1 - y)[0] > 128) {
                ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

} // namespace

TEST_F(ContentPictures, MenuBackgroundShowsSkyAboveGroundAndALightPanelBehindTheMenuLines)
{
    for (const char* file : {"menu\\normal.jpg", "menu\\crash.jpg"}) {
        SCOPED_TRACE(file);
        testsupport::PictureTarget target(800, 600);
        ASSERT_TRUE(target.complete());
        target.clear();
        glBindTexture(GL_TEXTURE_2D, texture(file));
        glBegin(GL_QUADS); // the menu's quad: only the upper three quarters of the picture
        glTexCoord2f(1, 0);
        glVertex2f(800, 0);
        glTexCoord2f(1, 0.75f);
        glVertex2f(800, 600);
        glTexCoord2f(0, 0.75f);
        glVertex2f(0, 600);
        glTexCoord2f(0, 0);
        glVertex2f(0, 0);
        glEnd();
        Picture p = target.read();
        testsupport::savePicture(p, std::string("content-") + (file[5] == 'n' ? "menu" : "crash"));
        // Sky (blue or red) at the top, grass at the bottom.
        const uint8_t* sky = at(p, 780, 15);
        const uint8_t* ground = at(p, 60, 585);
        EXPECT_LT(sky[1] + 0, std::max(sky[0], sky[2]) + 0) << "the top is not sky";
        EXPECT_GT(ground[1] + 0, std::max(ground[0], ground[2]) + 0) << "the bottom is not grass";
        // The menu lines' area (x from 430, y from 250 down) is light enough for red text.
        for (int y = 255; y < 570; y += 20)
            for (int x = 435; x < 770; x += 40) {
                const uint8_t* c = at(p, x, y);
                EXPECT_GT(c[0] + c[1] + c[2], 3 * 180) << x << ", " << y;
            }
    }
}

TEST_F(ContentPictures, CockpitPanelFillsTheLowerHalfBelowAClearWindshield)
{
    testsupport::PictureTarget target(800, 600);
    ASSERT_TRUE(target.complete());
    target.clear(1, 0, 1);
    glBindTexture(GL_TEXTURE_2D, texture("cockpit/e300.tga"));
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.1f);
    glBegin(GL_QUADS); // the airplane's panel quad, texture inset by 0.01
    glTexCoord2f(0.01f, 0.01f);
    glVertex2f(0, 300);
    glTexCoord2f(0.99f, 0.01f);
    glVertex2f(800, 300);
    glTexCoord2f(0.99f, 0.99f);
    glVertex2f(800, 600);
    glTexCoord2f(0.01f, 0.99f);
    glVertex2f(0, 600);
    glEnd();
    Picture p = target.read();
    testsupport::savePicture(p, "content-cockpit");
    auto magenta = [](const uint8_t* c) { return c[0] > 240 && c[1] < 15 && c[2] > 240; };
    EXPECT_TRUE(magenta(at(p, 400, 100))) << "nothing drawn above the panel";
    EXPECT_TRUE(magenta(at(p, 400, 340))) << "the windshield is see-through";
    EXPECT_TRUE(magenta(at(p, 250, 400)));
    EXPECT_FALSE(magenta(at(p, 400, 590))) << "the instruments are at the bottom";
    EXPECT_FALSE(magenta(at(p, 10, 310))) << "a windshield post at the top left";
    EXPECT_FALSE(magenta(at(p, 790, 310)));
    EXPECT_FALSE(magenta(at(p, 20, 590)));
}

TEST_F(ContentPictures, FontGlyphsAreUprightInTrueProportionAndCoverTheGamesTexts)
{
    Font font(dataPath("fonts\\"), "bendable.xml");
    const std::map<char, Glyph>& glyphs = font.glyphs;
    for (char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 :/-,.!"))
        ASSERT_TRUE(glyphs.count(c)) << "no glyph for '" << c << "'";
    for (const auto& [c, g] : glyphs) {
        EXPECT_LT(g.left, g.right) << c;
        EXPECT_LT(g.top, g.bottom) << c;
    }

    testsupport::PictureTarget target(800, 600);
    ASSERT_TRUE(target.complete());
    target.clear();
    glColor3f(0.8f, 0.1f, 0.0f);
    const float size = 6; // 120 units high, so proportions can be measured
    const float a0 = 20, h0 = a0 + font.textWidth("A", size), v0 = h0 + font.textWidth("H", size);
    font.drawText(a0, 20, "AHV", size);
    Picture p = target.read();
    testsupport::savePicture(p, "content-font");

    Ink a = inkIn(p, int(a0), 20, int(h0), 140);
    ASSERT_GT(a.right, a.left) << "the letter A was not drawn";
    // Upright: an A is narrow at the top and wide at the bottom.
    int upper = a.widthAt(p, a.top + (a.bottom - a.top) / 5, int(a0), int(h0));
    int lower = a.widthAt(p, a.bottom - (a.bottom - a.top) / 5, int(a0), int(h0));
    EXPECT_LT(upper * 3, lower * 2);
    // Capitals stand in the upper part of the 120-unit line, leaving room for descenders.
    EXPECT_GT(a.top, 20 + 5);
    EXPECT_LT(a.bottom, 20 + 100);
    // In true proportion, not stretched: the drawn H is as wide for its height as on the page.
    Ink h = inkIn(p, int(h0), 20, int(v0), 140);
    double drawn = double(h.right - h.left + 1) / double(h.bottom - h.top + 1);
    DecodedImage pageImage;
    ASSERT_TRUE(readTextureImage(dataPath("fonts/bendable.png"), pageImage));
    ASSERT_EQ(pageImage.channels, 4);
    const int w = pageImage.width, ht = pageImage.height;
    const uint8_t* page = pageImage.pixels.data();
    const Glyph& g = glyphs.at('H');
    int left = w, right = -1, top = ht, bottom = -1;
    for (int y = int(g.top * ht); y < int(g.bottom * ht); ++y)
        for (int x = int(g.left * w); x < int(g.right * w); ++x)
            if (page[(size_t(y) * size_t(w) + size_t(x)) * 4 + 3] > 26) { // the font's alpha test
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    double onPage = double(right - left + 1) / double(bottom - top + 1);
    EXPECT_NEAR(drawn, onPage, onPage * 0.06)
        << h.right - h.left + 1 << "x" << h.bottom - h.top + 1 << " drawn, " << right - left + 1 << "x"
        << bottom - top + 1 << " on the page";
}

namespace
{

// The airplane drawn by the game's model code, seen from `eye` with the game's projection.
Picture drawAirplane(Model& plane, double eyeX, double eyeY, double eyeZ, double time)
{
    testsupport::PictureTarget target(400, 300);
    target.clear(0.2f, 0.2f, 0.2f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 400.0 / 300.0, 1.0, 350.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eyeX, eyeY, eyeZ, 0, 0, 0, 0, 1, 0);
    glEnable(GL_DEPTH_TEST);
    glClear(GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat sun[4] = {0.4f, 0.8f, -0.4f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    plane.draw(time);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_DEPTH_TEST);
    return target.read();
}

// Leftmost and rightmost columns with anything drawn over the grey background.
std::pair<int, int> drawnColumns(const Picture& p)
{
    int left = p.width, right = -1;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* c = p.at(x, y);
            if (std::abs(c[0] - 51) > 2 || std::abs(c[1] - 51) > 2 || std::abs(c[2] - 51) > 2)
                left = std::min(left, x), right = std::max(right, x);
        }
    return {left, right};
}

} // namespace

TEST_F(ContentPictures, AirplaneFillsThePursuitViewAndItsPropellerTurns)
{
    Model* plane = loadModel(dataFolder(), "models\\airplane.dae");
    ASSERT_NE(plane, nullptr);
    ASSERT_TRUE(plane->loaded);
    // The pursuit camera: 2 units behind, at the airplane's height.
    Picture behind = drawAirplane(*plane, 0, 0, -2, 0.0);
    testsupport::savePicture(behind, "content-airplane-behind");
    // Seen edge-on from behind, the wings span a good part of the view, centred, and stay inside it.
    auto [left, right] = drawnColumns(behind);
    EXPECT_GT(right - left, behind.width / 4) << "too small to see";
    EXPECT_LT(right - left, behind.width * 3 / 4) << "too large for the view";
    EXPECT_NEAR((left + right) / 2, behind.width / 2, 3);
    // The propeller part moves between two instants a twentieth of a turn apart.
    Picture front = drawAirplane(*plane, 0.3, 0.2, 2.2, 0.0);
    Picture later = drawAirplane(*plane, 0.3, 0.2, 2.2, 0.012);
    testsupport::savePicture(front, "content-airplane-front");
    testsupport::savePicture(drawAirplane(*plane, 2.0, 1.2, 0.4, 0.0), "content-airplane-side");
    EXPECT_GT(testsupport::countDifferentPixels(front, later, 30), 20);
    delete plane;
}
