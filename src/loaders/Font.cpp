#include "loaders/Font.h"

#include "loaders/XmlParser.h"
#include "render/RenderSettings.h"
#include "render/TextureLoader.h"

#include <cstdlib>
#include <iostream>

namespace
{

// C-locale upper case: only a to z change, so bytes of other encodings pass untouched.
char upperCase(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// Glyph quads live in units of the glyph height: a glyph is 1 high and 10 x its texture width wide,
// and letters are set 0.1 apart.
constexpr float glyphHeight = 20.0f;     // overlay units at size 1
constexpr float widthPerTexture = 10.0f; // glyph units per unit of texture s
constexpr float letterSpacing = 0.1f;    // glyph units between two letters

} // namespace

Font::Font(const std::string& fontDirectory, const std::string& fileName)
    : texture(0), rowTop(0.0f), rowBottom(0.0f), letterEnd(0.0f), directory(fontDirectory), loadsPage(true)
{
    parseXmlFile(directory + fileName, *this, std::cerr);
}

Font::Font(const std::string& fontDirectory, const std::string& fileName, DescriptionOnly)
    : texture(0), rowTop(0.0f), rowBottom(0.0f), letterEnd(0.0f), directory(fontDirectory), loadsPage(false)
{
    parseXmlFile(directory + fileName, *this, std::cerr);
}

Font::~Font()
{
    if (texture != 0)
        glDeleteTextures(1, &texture);
}

void Font::startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                        const xercesc::Attributes& attributes)
{
    const std::string element = transcode(qname);
    if (element == "font") {
        const std::string page = directory + readAttribute(attributes, "texture");
        if (!loadsPage)
            return;
        GLuint loaded = 0;
        loadTexture(page, loaded);
        if (loaded != 0) {
            // A second font element replaces the page rather than leaking the first one.
            if (texture != 0)
                glDeleteTextures(1, &texture);
            texture = loaded;
        }
    } else if (element == "row") {
        rowTop = rowBottom;
        rowBottom = float(std::atof(readAttribute(attributes, "end").c_str()));
        letterEnd = 0.0f;
    } else if (element == "letter") {
        const float left = letterEnd;
        letterEnd = float(std::atof(readAttribute(attributes, "end").c_str()));
        const std::string character = readAttribute(attributes, "char");
        const char c = character.empty() ? '\0' : character[0];
        glyphs[c] = Glyph{rowTop, rowBottom, left, letterEnd};
    }
}

void Font::drawText(float x, float y, const std::string& text, float size)
{
    beginText();
    drawLine(x, y, text, size);
    endText();
}

void Font::beginText()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 800.0, 600.0, 0.0, -1.0, 1.0);

    if (glIsEnabled(GL_LIGHTING))
        glDisable(GL_LIGHTING);
    if (!glIsEnabled(GL_TEXTURE_2D))
        glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.1f);

    glBindTexture(GL_TEXTURE_2D, texture);
    if (RenderSettings::filterChanged && texture != 0) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(RenderSettings::minFilter));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(RenderSettings::magFilter));
    }
}

void Font::drawLine(float x, float y, const std::string& text, float size) const
{
    glPushMatrix();
    glTranslatef(x, y, 0.0f);
    glScalef(glyphHeight * size, glyphHeight * size, 1.0f);
    for (char c : text) {
        const auto found = glyphs.find(upperCase(c));
        if (found == glyphs.end())
            continue;
        const Glyph& g = found->second;
        const float w = widthPerTexture * (g.right - g.left);
        glBegin(GL_QUADS);
        glTexCoord2f(g.left, g.top);
        glVertex2f(0.0f, 0.0f);
        glTexCoord2f(g.right, g.top);
        glVertex2f(w, 0.0f);
        glTexCoord2f(g.right, g.bottom);
        glVertex2f(w, 1.0f);
        glTexCoord2f(g.left, g.bottom);
        glVertex2f(0.0f, 1.0f);
        glEnd();
        glTranslatef(w + letterSpacing, 0.0f, 0.0f);
    }
    glPopMatrix();
}

void Font::endText()
{
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

float Font::textWidth(const std::string& text, float size) const
{
    float width = 0.0f;
    for (char c : text) {
        const auto found = glyphs.find(upperCase(c));
        if (found != glyphs.end())
            width += widthPerTexture * (found->second.right - found->second.left) + letterSpacing;
    }
    return width * glyphHeight * size;
}
