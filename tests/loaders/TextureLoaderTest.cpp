#include "loaders/TextureLoader.h"

#include "app/RenderSettings.h"
#include "support/GLContext.h"
#include "support/ScratchFolder.h"

#include <IL/il.h>

namespace
{

using Bytes = std::vector<uint8_t>;

// Writes `pixels` (rows bottom first, `channels` bytes a pixel) with DevIL's encoder for `type`.
void writeImage(const std::string& path, ILenum type, int width, int height, int channels,
                const Bytes& pixels)
{
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(width, height, 1, ILubyte(channels), channels == 4 ? IL_RGBA : IL_RGB, IL_UNSIGNED_BYTE,
               const_cast<uint8_t*>(pixels.data()));
    ilEnable(IL_FILE_OVERWRITE);
    EXPECT_TRUE(ilSave(type, path.c_str())) << path;
    ilDeleteImages(1, &image);
}

// An uncompressed TGA header: 24-bit true colour, or colour-mapped with a 24-bit palette.
std::string tgaHeader(int width, int height, int paletteSize = 0)
{
    const char header[18] = {0,
                             char(paletteSize ? 1 : 0),
                             char(paletteSize ? 1 : 2),
                             0,
                             0,
                             char(paletteSize),
                             0,
                             char(paletteSize ? 24 : 0),
                             0,
                             0,
                             0,
                             0,
                             char(width & 0xff),
                             char(width >> 8),
                             char(height & 0xff),
                             char(height >> 8),
                             char(paletteSize ? 8 : 24),
                             0};
    return std::string(header, 18);
}

GLint levelWidth(int level)
{
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &value);
    return value;
}

GLint parameter(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

// Level 0 of the bound texture, RGBA, rows bottom first.
Bytes boundTexels()
{
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    Bytes texels(size_t(levelWidth(0)) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return texels;
}

class TextureLoaderTest : public GLTest
{
  protected:
    void TearDown() override
    {
        glDeleteTextures(GLsizei(created.size()), created.data());
        GLTest::TearDown();
    }
    // Loads into a variable that starts at `start`; a new name is deleted after the test.
    GLuint load(const std::string& name, GLuint start = 0)
    {
        GLuint texture = start;
        loadTexture(scratch.path() + name, texture);
        if (texture != start)
            created.push_back(texture);
        return texture;
    }

    ScratchFolder scratch;
    std::vector<GLuint> created;
};

} // namespace

TEST_F(TextureLoaderTest, EachAcceptedFormatLoadsMipmappedWithTheCurrentSettings)
{
    RenderSettings::linearFiltering = false; // as if F4 had been pressed before the level loaded
    RenderSettings::updateFilters();
    const std::pair<const char*, ILenum> files[] = {
        {"a.png", IL_PNG}, {"b.jpg", IL_JPG}, {"c.jpeg", IL_JPG}, {"d.tga", IL_TGA}, {"E.PNG", IL_PNG}};
    std::vector<GLuint> names;
    for (const auto& [name, type] : files) {
        SCOPED_TRACE(name);
        Bytes colour;
        for (int i = 0; i < 32; ++i)
            colour.insert(colour.end(), {200, 40, 90});
        writeImage(scratch.path() + name, type, 8, 4, 3, colour);
        names.push_back(load(name));
        ASSERT_NE(names.back(), 0u);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), names.back()) << "the new texture stays bound";
        EXPECT_EQ(levelWidth(0), 8);
        EXPECT_EQ(levelWidth(3), 1) << "every mipmap level down to 1 x 1";
        EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
        EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
        EXPECT_EQ(parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
        const Bytes texels = boundTexels();
        EXPECT_NEAR(texels[0], 200, 6); // JPEG is lossy
        EXPECT_NEAR(texels[1], 40, 6);
        EXPECT_NEAR(texels[2], 90, 6);
    }
    scratch.write("sub/.keep", "");
    names.push_back(load("sub\\..\\a.png")); // the game's backslash paths work
    EXPECT_NE(names.back(), names.front()) << "no cache: a second load makes a second texture";
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE);
}

TEST_F(TextureLoaderTest, UnalignedRowsAndPaletteImagesArriveIntact)
{
    // A 2-pixel RGB row is 6 bytes: with GL's default 4-byte row alignment the second row would be
    // read from the wrong place, and past the end of the image.
    const Bytes rgb = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    writeImage(scratch.path() + "rows.png", IL_PNG, 2, 2, 3, rgb);
    ASSERT_NE(load("rows.png"), 0u);
    // The PNG stores the top row first and the loader keeps the decoded order: rows come reversed.
    EXPECT_EQ(boundTexels(), (Bytes{70, 80, 90, 255, 100, 110, 120, 255, 10, 20, 30, 255, 40, 50, 60, 255}));

    // GL cannot use palette indices: the colours they stand for must arrive.
    const char palette[] = {0, 0, char(255), char(255), 0, 0}; // BGR: red, blue
    scratch.write("palette.tga", tgaHeader(2, 1, 2) + std::string(palette, 6) + std::string("\1\0", 2));
    ASSERT_NE(load("palette.tga"), 0u);
    const Bytes texels = boundTexels();
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 3), (Bytes{0, 0, 255}));
    EXPECT_EQ(Bytes(texels.begin() + 4, texels.begin() + 7), (Bytes{255, 0, 0}));
}

TEST_F(TextureLoaderTest, RejectedFilesLeaveTheVariableAndNameTheFile)
{
    const Bytes white(4 * 4 * 3, 255);
    writeImage(scratch.path() + "picture.bmp", IL_PNG, 4, 4, 3, white);   // readable, but not a type we take
    writeImage(scratch.path() + "disguised.png", IL_TGA, 4, 4, 3, white); // TGA bytes behind a PNG name
    scratch.write("cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\4\0\0\0\4\x08\2", 26));
    scratch.write("widest.tga",
                  tgaHeader(maxTextureSide, 1) + std::string(size_t(maxTextureSide) * 3, '\x40'));
    scratch.write("toowide.tga",
                  tgaHeader(maxTextureSide + 1, 1) + std::string(size_t(maxTextureSide + 1) * 3, 0));
    // 40000 x 40000 pixels (4.8 GB decoded) in a few bytes: refused from the header, before any
    // memory is set aside for it.
    scratch.write("huge.tga", tgaHeader(40000, 40000) + std::string(64, 0));

    for (const char* name :
         {"picture.bmp", "disguised.png", "cut.png", "toowide.tga", "huge.tga", "missing.jpg"}) {
        SCOPED_TRACE(name);
        testing::internal::CaptureStderr();
        EXPECT_EQ(load(name, 0), 0u);
        EXPECT_EQ(load(name, 4242), 4242u);
        const std::string line = "couldn't open texture file " + scratch.path() + name + "\n";
        EXPECT_EQ(testing::internal::GetCapturedStderr(), line + line);
    }
    EXPECT_NE(load("widest.tga"), 0u) << "the largest accepted side";
}
