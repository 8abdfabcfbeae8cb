#include "render/TextureLoader.h"

#include "render/RenderSettings.h"
#include "support/GLContext.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

namespace
{

using Bytes = std::vector<uint8_t>;

// Loads `path` into a variable that starts at `start`; returns what it holds afterwards.
GLuint load(const std::string& path, GLuint start = 0)
{
    loadTexture(path, start);
    return start;
}

// Level 0 of the bound texture as RGBA, rows bottom first.
Bytes boundTexels()
{
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    Bytes texels(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return texels;
}

using TextureLoaderTest = GLTest;

} // namespace

TEST_F(TextureLoaderTest, AcceptedFormatsLoadMipmappedAndIntactWithTheCurrentSettings)
{
    testsupport::ScratchDirectory scratch;
    RenderSettings::linearFiltering = false; // as if F4 had been pressed before the level loaded
    RenderSettings::updateFilters();
    Bytes colour;
    for (int i = 0; i < 32; ++i)
        colour.insert(colour.end(), {200, 40, 90});
    std::vector<GLuint> textures;
    for (const char* name : {"a.png", "b.jpg", "c.jpeg", "d.tga", "E.PNG"}) {
        SCOPED_TRACE(name);
        const std::string file = scratch.path() + name;
        ASSERT_TRUE(testimages::writeRgb(file, 8, 4, colour));
        textures.push_back(load(file));
        // Bound, mipmapped down to 1 x 1 with the current filter, red and blue in their places
        // (JPEG is lossy).
        GLint bound = 0, minFilter = 0, wrap = 0, smallest = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &smallest);
        ASSERT_TRUE(textures.back() != 0 && GLuint(bound) == textures.back());
        const Bytes texel = boundTexels();
        EXPECT_TRUE(smallest == 1 && minFilter == GL_NEAREST_MIPMAP_LINEAR && wrap == GL_REPEAT);
        EXPECT_TRUE(std::abs(texel[0] - 200) <= 6 && std::abs(texel[2] - 90) <= 6) << int(texel[0]);
    }
    textures.push_back(load(scratch.path() + "a.png"));
    EXPECT_NE(textures.back(), textures.front()) << "no cache: every load makes a new texture";

    // A 2-pixel RGB row is 6 bytes: with GL's default 4-byte row alignment the second row would be
    // read from the wrong place, and past the end of the image.
    const Bytes rows = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "rows.png", 2, 2, rows));
    textures.push_back(load(scratch.path() + "rows.png"));
    // The top row comes first, as decoded.
    EXPECT_EQ(boundTexels(), (Bytes{10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 100, 110, 120, 255}));
    // GL cannot use palette indices: the colours they stand for must arrive. A 2 x 1 image with
    // 8-bit indices into two 24-bit BGR colours, red and blue; the pixels are blue, red.
    scratch.write("pal.tga", std::string("\0\1\1\0\0\2\0\x18\0\0\0\0\2\0\1\0\x08\0\0\0\xff\xff\0\0\1\0", 26));
    textures.push_back(load(scratch.path() + "pal.tga"));
    EXPECT_EQ(boundTexels(), (Bytes{0, 0, 255, 255, 255, 0, 0, 255}));
    glDeleteTextures(GLsizei(textures.size()), textures.data());
}

TEST_F(TextureLoaderTest, RejectedFilesLeaveTheVariableAndNameTheFile)
{
    testsupport::ScratchDirectory scratch;
    const Bytes white(4 * 4 * 3, 255);
    for (const char* name : {"picture.bmp", "picture.tga"}) // readable, but BMP is not a type we take
        ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + name, 4, 4, white));
    scratch.write("disguised.png", scratch.read("picture.tga")); // TGA bytes behind a PNG name
    scratch.write("cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\4\0\0\0\4\x08\2", 26));
    const Bytes row(size_t(maxTextureSide + 1) * 3, 64);
    ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "widest.tga", maxTextureSide, 1, row));
    ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "toowide.tga", maxTextureSide + 1, 1, row));
    // 40000 x 40000 pixels (4.8 GB decoded) in a few bytes: refused before any memory is set aside.
    scratch.write("huge.tga",
                  std::string("\0\0\2\0\0\0\0\0\0\0\0\0\x40\x9c\x40\x9c\x18\0", 18) + std::string(64, 0));
    for (const char* name :
         {"picture.bmp", "disguised.png", "cut.png", "toowide.tga", "huge.tga", "missing.jpg"}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(load(scratch.path() + name, 4242), 4242u) << name;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "couldn't open texture file " + scratch.path() + name + "\n");
    }
    GLuint widest = load(scratch.path() + "widest.tga");
    EXPECT_NE(widest, 0u) << "the largest accepted side";
    glDeleteTextures(1, &widest);
}
