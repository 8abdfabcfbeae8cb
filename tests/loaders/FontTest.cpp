// The bitmap font: how the description cuts the page into glyphs, and what drawing leaves behind.
#include "loaders/Font.h"

#include "render/RenderSettings.h"
#include "support/GLContext.h"
#include "support/OffscreenPicture.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <GL/glu.h>

#include <filesystem>

using testsupport::Picture;
using testsupport::PictureTarget;

namespace
{

class FontTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        std::filesystem::copy_file(std::string(AEROVANT_BIN_DIR) + "fonts/bendable.png",
                                   scratch.path() + "page.png");
    }

    // A font read from `xml` in the scratch directory; what it printed lands in `messages`.
    std::unique_ptr<Font> load(const std::string& xml)
    {
        scratch.write("font.xml", xml);
        testing::internal::CaptureStderr();
        auto font = std::make_unique<Font>(scratch.path(), "font.xml");
        messages = testing::internal::GetCapturedStderr();
        return font;
    }

    static Picture drawn(Font& font, const std::string& text)
    {
        PictureTarget target(800, 600);
        target.clear();
        glColor3f(1, 1, 1);
        font.drawText(10, 10, text, 2.0f);
        return target.read();
    }

    testsupport::ScratchDirectory scratch;
    std::string messages;
};

void expectGlyph(const Font& font, char c, Glyph expected)
{
    ASSERT_TRUE(font.glyphs.count(c)) << "no glyph for '" << c << "'";
    const Glyph& g = font.glyphs.at(c);
    EXPECT_FLOAT_EQ(g.top, expected.top) << c;
    EXPECT_FLOAT_EQ(g.bottom, expected.bottom) << c;
    EXPECT_FLOAT_EQ(g.left, expected.left) << c;
    EXPECT_FLOAT_EQ(g.right, expected.right) << c;
}

} // namespace

TEST_F(FontTest, RowsAndLettersCutThePageInOrder)
{
    std::unique_ptr<Font> font =
        load("<font texture=\"page.png\">"
             "<row end=\"0.25\"><letter char=\"A\" end=\"0.1\"/><letter char=\"a\" end=\"0.2\"/></row>"
             "<row end=\"0.5\"><letter char=\"B\" end=\"0.3\"/><letter end=\"0.4\"/>"
             "<unknown/><letter char=\"AZ\" end=\"0.6\"/></row></font>");
    EXPECT_NE(font->texture, 0u);
    expectGlyph(*font, 'a', {0.0f, 0.25f, 0.1f, 0.2f});
    expectGlyph(*font, 'B', {0.25f, 0.5f, 0.0f, 0.3f});
    expectGlyph(*font, '\0', {0.25f, 0.5f, 0.3f, 0.4f});
    // Defined twice: the later one counts; only the first byte of the value is used.
    expectGlyph(*font, 'A', {0.25f, 0.5f, 0.4f, 0.6f});
    EXPECT_EQ(font->glyphs.count('Z'), 0u);
    EXPECT_EQ(messages, "couldn't parse attribute char\n");

    // Lower case is set with the upper-case glyph; unknown characters take no room.
    EXPECT_FLOAT_EQ(font->textWidth("a", 1.0f), (10 * 0.2f + 0.1f) * 20);
    EXPECT_FLOAT_EQ(font->textWidth("a?b", 0.5f), ((10 * 0.2f + 0.1f) + (10 * 0.3f + 0.1f)) * 10);
    EXPECT_EQ(font->textWidth("??", 1.0f), 0.0f);
}

TEST_F(FontTest, BrokenDescriptionsKeepWhatWasReadAndMissingPagesDrawPlainQuads)
{
    std::unique_ptr<Font> font =
        load("<font texture=\"absent.png\"><row end=\"1\"><letter char=\"X\" end=\"0.5\"/>"
             "</row><row>");
    EXPECT_EQ(font->texture, 0u);
    EXPECT_NE(messages.find("couldn't open texture file " + scratch.path() + "absent.png\n"),
              std::string::npos)
        << messages;
    EXPECT_NE(messages.find("Sax Parse Exception: "), std::string::npos) << messages;
    EXPECT_EQ(font->glyphs.count('X'), 1u);

    // Without a page the glyph is a plain quad: 10 x 0.5 x 40 = 200 wide and 40 high at size 2.
    Picture p = drawn(*font, "x");
    EXPECT_EQ(testsupport::countPixelsNear(p, 255, 255, 255, 2), 200 * 40);
}

TEST_F(FontTest, DrawsLowerCaseAsUpperCaseAndLeavesTheStateItPromises)
{
    std::unique_ptr<Font> font =
        std::make_unique<Font>(std::string(AEROVANT_BIN_DIR) + "fonts\\", "bendable.xml");
    ASSERT_NE(font->texture, 0u);

    GLdouble perspective[16];
    testsupport::loadRaceProjection(perspective);
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);

    const Picture mixed = drawn(*font, "Great race!");
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << "lighting stays off for the callers after the text";
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    testsupport::expectProjectionRestored(perspective);

    const Picture upper = drawn(*font, "GREAT RACE!");
    EXPECT_GT(testsupport::countPixelsNear(upper, 255, 255, 255, 60), 1000) << "the text was not drawn";
    EXPECT_EQ(testsupport::countDifferentPixels(mixed, upper, 0), 0);
    testsupport::savePicture(upper, "font-great-race");

    // The text stays inside the width the font reports, 40 units high at size 2.
    int right = -1, top = 600, bottom = -1;
    for (int y = 0; y < upper.height; ++y)
        for (int x = 0; x < upper.width; ++x)
            if (upper.at(x, y)[0] > 60) {
                right = std::max(right, x);
                top = std::min(top, upper.height - 1 - y);
                bottom = std::max(bottom, upper.height - 1 - y);
            }
    EXPECT_LE(right, 10 + int(font->textWidth("GREAT RACE!", 2.0f)));
    EXPECT_GT(right, 10 + int(font->textWidth("GREAT RACE", 2.0f)) - 20);
    EXPECT_GE(top, 10);
    EXPECT_LE(bottom, 50);

    const Picture nothing = drawn(*font, "\x01\x02");
    EXPECT_EQ(testsupport::countPixelsNear(nothing, 0, 0, 0, 0), 800 * 600);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
}
