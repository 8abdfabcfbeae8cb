#include "Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <stdexcept>

namespace content
{

namespace
{
FT_Face asFace(void* face)
{
    return static_cast<FT_Face>(face);
}
} // namespace

TextRenderer::TextRenderer(const std::string& fontFile)
{
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0)
        throw std::runtime_error("couldn't start FreeType");
    library = lib;
    FT_Face f = nullptr;
    if (FT_New_Face(lib, fontFile.c_str(), 0, &f) != 0) {
        FT_Done_FreeType(lib);
        throw std::runtime_error("couldn't open font " + fontFile);
    }
    face = f;
}

TextRenderer::~TextRenderer()
{
    FT_Done_Face(asFace(face));
    FT_Done_FreeType(static_cast<FT_Library>(library));
}

void TextRenderer::setSize(double pixelSize, double stretchX)
{
    FT_Set_Char_Size(asFace(face), FT_F26Dot6(std::lround(pixelSize * stretchX * 64.0)),
                     FT_F26Dot6(std::lround(pixelSize * 64.0)), 72, 72);
}

double TextRenderer::advance(char c, double pixelSize)
{
    setSize(pixelSize);
    FT_Face f = asFace(face);
    if (FT_Load_Char(f, FT_ULong(static_cast<unsigned char>(c)), FT_LOAD_NO_HINTING) != 0)
        return 0.0;
    return f->glyph->linearHoriAdvance / 65536.0;
}

double TextRenderer::width(const std::string& text, double pixelSize)
{
    double w = 0;
    for (char c : text)
        w += advance(c, pixelSize);
    return w;
}

double TextRenderer::ascender(double pixelSize)
{
    setSize(pixelSize);
    FT_Face f = asFace(face);
    return double(f->ascender) / f->units_per_EM * pixelSize;
}

void TextRenderer::draw(Canvas& canvas, double x, double y, const std::string& text, double pixelSize,
                        const Colour& colour, double stretchX)
{
    setSize(pixelSize, stretchX);
    FT_Face f = asFace(face);
    double pen = x;
    for (char c : text) {
        // Place each glyph at its fractional pen position so spacing stays even.
        double whole = std::floor(pen);
        FT_Vector shift{FT_Pos(std::lround((pen - whole) * 64.0)), 0};
        FT_Set_Transform(f, nullptr, &shift);
        if (FT_Load_Char(f, FT_ULong(static_cast<unsigned char>(c)), FT_LOAD_RENDER | FT_LOAD_NO_HINTING) !=
            0)
            continue;
        const FT_Bitmap& bitmap = f->glyph->bitmap;
        int left = int(whole) + f->glyph->bitmap_left, top = int(std::lround(y)) - f->glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row)
            for (unsigned col = 0; col < bitmap.width; ++col) {
                unsigned char coverage = bitmap.buffer[int(row) * bitmap.pitch + int(col)];
                if (coverage)
                    canvas.blend(left + int(col), top + int(row), colour, coverage / 255.0);
            }
        pen += f->glyph->linearHoriAdvance / 65536.0;
    }
    FT_Set_Transform(f, nullptr, nullptr);
}

} // namespace content
