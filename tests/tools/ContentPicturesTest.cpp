// The menu pictures and the font page as the game draws them: the texture loader hands each image to
// OpenGL in its file's own row order, and the menu's background quad and the font's glyph quads must
// show them upright. (The cockpit panel and the airplane are looked at in the cockpit test.)
#include "loaders/Font.h"
#include "render/TextureLoader.h"
#include "support/GLContext.h"
#include "support/OffscreenPicture.h"

#include "tools/ContentTestSupport.h"

#include <array>

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
    int width() const { return right < left ? 0 : right - left + 1; }
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
        for (const auto [s, t, x, y] : {std::array{1.f, 0.f, 800.f, 0.f},
                                        {1.f, .75f, 800.f, 600.f},
                                        {0.f, .75f, 0.f, 600.f},
                                        {0.f, 0.f, 0.f, 0.f}}) {
            glTexCoord2f(s, t);
            glVertex2f(x, y);
        }
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
    const int upperRow = a.top + (a.bottom - a.top) / 5, lowerRow = a.bottom - (a.bottom - a.top) / 5;
    int upper = inkIn(p, int(a0), upperRow, int(h0), upperRow + 1).width();
    int lower = inkIn(p, int(a0), lowerRow, int(h0), lowerRow + 1).width();
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
