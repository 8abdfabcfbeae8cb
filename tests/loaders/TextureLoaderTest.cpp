#include "loaders/TextureLoader.h"

#include "app/RenderSettings.h"
#include "support/GLContext.h"
#include "support/ScratchDirectory.h"

#include <IL/il.h>

namespace
{

using Bytes = std::vector<uint8_t>;

// Writes RGB `pixels` (rows bottom first) with DevIL's encoder for `type`.
void writeImage(const std::string& path, ILenum type, int width, int height, const Bytes& pixels)
{
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(width, height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, const_cast<uint8_t*>(pixels.data()));
    ilEnable(IL_FILE_OVERWRITE);
    EXPECT_TRUE(ilSave(type, path.c_str())) << path;
    ilDeleteImages(1, &image);
}

// The header of an uncompressed 24-bit TGA file.
std::string tgaHeader(int width, int height)
{
    const char header[18] = {
        0,  0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, char(width), char(width >> 8), char(height), char(height >> 8),
        24, 0};
    return std::string(header, 18);
}

// Level 0 of the bound texture as RGBA, rows bottom first.
Bytes boundTexels(size_t pixels)
{
    Bytes texels(pixels * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return texels;
}

using TextureLoaderTest = GLTest;

} // namespace

TEST_F(TextureLoaderTest, EachAcceptedFormatLoadsMipmappedWithTheCurrentSettings)
{
    testsupport::ScratchDirectory scratch;
    RenderSettings::linearFiltering = false; // as if F4 had been pressed before the level loaded
    RenderSettings::updateFilters();
    Bytes colour;
    for (int i = 0; i < 32; ++i)
        colour.insert(colour.end(), {200, 40, 90});
    const std::pair<const char*, ILenum> files[] = {
        {"a.png", IL_PNG}, {"b.jpg", IL_JPG}, {"c.jpeg", IL_JPG}, {"d.tga", IL_TGA}, {"E.PNG", IL_PNG}};
    std::vector<GLuint> textures;
    for (const auto& [name, type] : files) {
        SCOPED_TRACE(name);
        writeImage(scratch.path() + name, type, 8, 4, colour);
        textures.push_back(0);
        loadTexture(scratch.path() + name, textures.back());
        GLint bound = 0, minFilter = 0, magFilter = 0, wrap = 0, smallest = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &smallest);
        ASSERT_TRUE(textures.back() != 0 && GLuint(bound) == textures.back())
            << "the new texture stays bound";
        EXPECT_EQ(smallest, 1) << "every mipmap level down to 1 x 1";
        EXPECT_TRUE(minFilter == GL_NEAREST_MIPMAP_LINEAR && magFilter == GL_NEAREST && wrap == GL_REPEAT);
        const Bytes texels = boundTexels(32);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(texels[k], colour[k], 6); // JPEG is lossy
    }
    scratch.write("sub/.keep", "");
    textures.push_back(0);
    loadTexture(scratch.path() + "sub\\..\\a.png", textures.back());
    EXPECT_TRUE(textures.back() != 0 && textures.back() != textures.front()) << "backslashes work; no cache";
    glDeleteTextures(GLsizei(textures.size()), textures.data());
}

TEST_F(TextureLoaderTest, UnalignedRowsAndPaletteImagesArriveIntact)
{
    testsupport::ScratchDirectory scratch;
    GLuint rows = 0, palette = 0;
    // A 2-pixel RGB row is 6 bytes: with GL's default 4-byte row alignment the second row would be
    // read from the wrong place, and past the end of the image.
    writeImage(scratch.path() + "rows.png", IL_PNG, 2, 2,
               {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120});
    loadTexture(scratch.path() + "rows.png", rows);
    // The PNG stores the top row first and the loader keeps the decoded order: rows come reversed.
    EXPECT_EQ(boundTexels(4), (Bytes{70, 80, 90, 255, 100, 110, 120, 255, 10, 20, 30, 255, 40, 50, 60, 255}));

    // GL cannot use palette indices: the colours they stand for must arrive. A 2 x 1 image with
    // 8-bit indices into two 24-bit BGR colours, red and blue; the pixels are blue, red.
    const char file[] = "\0\1\1\0\0\2\0\x18\0\0\0\0\2\0\1\0\x08\0"
                        "\0\0\xff\xff\0\0"
                        "\1\0";
    scratch.write("palette.tga", std::string(file, sizeof file - 1));
    loadTexture(scratch.path() + "palette.tga", palette);
    EXPECT_EQ(boundTexels(2), (Bytes{0, 0, 255, 255, 255, 0, 0, 255}));
    EXPECT_TRUE(rows != 0 && palette != 0);
    glDeleteTextures(1, &rows);
    glDeleteTextures(1, &palette);
}

TEST_F(TextureLoaderTest, RejectedFilesLeaveTheVariableAndNameTheFile)
{
    testsupport::ScratchDirectory scratch;
    const Bytes white(4 * 4 * 3, 255);
    writeImage(scratch.path() + "picture.bmp", IL_PNG, 4, 4, white);   // readable, but not a type we take
    writeImage(scratch.path() + "disguised.png", IL_TGA, 4, 4, white); // TGA bytes behind a PNG name
    scratch.write("cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\4\0\0\0\4\x08\2", 26));
    scratch.write("widest.tga", tgaHeader(maxTextureSide, 1) + std::string(size_t(maxTextureSide) * 3, '@'));
    scratch.write("toowide.tga",
                  tgaHeader(maxTextureSide + 1, 1) + std::string(size_t(maxTextureSide) * 3 + 3, 0));
    // 40000 x 40000 pixels (4.8 GB decoded) in a few bytes: refused before any memory is set aside.
    scratch.write("huge.tga", tgaHeader(40000, 40000) + std::string(64, 0));
    for (const char* name :
         {"picture.bmp", "disguised.png", "cut.png", "toowide.tga", "huge.tga", "missing.jpg"}) {
        SCOPED_TRACE(name);
        GLuint texture = 4242;
        testing::internal::CaptureStderr();
        loadTexture(scratch.path() + name, texture);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "couldn't open texture file " + scratch.path() + name + "\n");
        EXPECT_EQ(texture, 4242u);
    }
    GLuint widest = 0;
    loadTexture(scratch.path() + "widest.tga", widest);
    EXPECT_NE(widest, 0u) << "the largest accepted side";
    glDeleteTextures(1, &widest);
}
