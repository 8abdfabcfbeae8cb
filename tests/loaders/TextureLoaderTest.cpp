#include "loaders/TextureLoader.h"

#include "app/RenderSettings.h"
#include "support/GLContext.h"
#include "support/ScratchDirectory.h"

#include <IL/il.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<uint8_t>;

// Writes `pixels` (tightly packed rows, first row at the bottom as DevIL keeps them) with DevIL's own
// encoder for `type`.
void writeImage(const std::string& path, ILenum type, int width, int height, int channels,
                const Bytes& pixels)
{
    const ILenum format = channels == 4 ? IL_RGBA : channels == 3 ? IL_RGB : IL_LUMINANCE;
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(width, height, 1, ILubyte(channels), format, IL_UNSIGNED_BYTE,
               const_cast<uint8_t*>(pixels.data()));
    ilEnable(IL_FILE_OVERWRITE);
    ASSERT_TRUE(ilSave(type, path.c_str())) << path;
    ilBindImage(0);
    ilDeleteImages(1, &image);
}

Bytes solid(int width, int height, std::initializer_list<uint8_t> colour)
{
    Bytes pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), colour);
    return pixels;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// An uncompressed TGA header: `colourMapped` selects image type 1 with a 24-bit palette of
// `paletteSize` entries, otherwise type 2 true colour of `depth` bits. Bottom-left origin.
Bytes tgaHeader(int width, int height, int depth, bool colourMapped = false, int paletteSize = 0)
{
    return Bytes{0,
                 uint8_t(colourMapped ? 1 : 0),
                 uint8_t(colourMapped ? 1 : 2),
                 0,
                 0,
                 uint8_t(paletteSize & 0xff),
                 uint8_t(paletteSize >> 8),
                 uint8_t(colourMapped ? 24 : 0),
                 0,
                 0,
                 0,
                 0,
                 uint8_t(width & 0xff),
                 uint8_t(width >> 8),
                 uint8_t(height & 0xff),
                 uint8_t(height >> 8),
                 uint8_t(depth),
                 0};
}

GLint levelParameter(int level, GLenum name);

// Level-0 texels of the bound texture as tightly packed RGBA bytes, bottom row first.
Bytes boundTexels()
{
    const size_t width = size_t(levelParameter(0, GL_TEXTURE_WIDTH));
    const size_t height = size_t(levelParameter(0, GL_TEXTURE_HEIGHT));
    Bytes texels(width * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return texels;
}

GLint levelParameter(int level, GLenum name)
{
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

GLint textureParameter(GLenum name)
{
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

class TextureLoaderTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_FALSE(scratch.path().empty());
    }
    void TearDown() override
    {
        for (GLuint name : created)
            glDeleteTextures(1, &name);
        GLTest::TearDown();
    }
    std::string file(const std::string& name) const { return scratch.path() + name; }

    // Loads into a variable that starts at `start`; remembers a new name for deletion.
    GLuint load(const std::string& path, GLuint start = 0)
    {
        GLuint name = start;
        loadTexture(path, name);
        if (name != start)
            created.push_back(name);
        return name;
    }

    testsupport::ScratchDirectory scratch;
    std::vector<GLuint> created;
};

} // namespace

TEST_F(TextureLoaderTest, EachFormatLoadsMipmappedWithTheCurrentSettings)
{
    struct Case {
        const char* name;
        ILenum type;
        int tolerance; // JPEG is lossy
    };
    const Case cases[] = {{"colour.png", IL_PNG, 0},
                          {"colour.jpg", IL_JPG, 6},
                          {"colour.jpeg", IL_JPG, 6},
                          {"colour.tga", IL_TGA, 0},
                          {"UPPER.PNG", IL_PNG, 0}};
    const Bytes pixels = solid(8, 4, {200, 40, 90});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeImage(file(c.name), c.type, 8, 4, 3, pixels);
        const GLuint name = load(file(c.name));
        ASSERT_NE(name, 0u);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(GLuint(bound), name) << "the new texture stays bound";
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 8);
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 4);
        EXPECT_EQ(levelParameter(3, GL_TEXTURE_WIDTH), 1) << "every mipmap level down to 1 x 1";
        EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
        EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
        GLint envMode = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
        EXPECT_EQ(envMode, GL_MODULATE);
        const Bytes texels = boundTexels();
        EXPECT_NEAR(texels[0], 200, c.tolerance);
        EXPECT_NEAR(texels[1], 40, c.tolerance);
        EXPECT_NEAR(texels[2], 90, c.tolerance);
        EXPECT_EQ(texels[3], 255);
    }
}

TEST_F(TextureLoaderTest, KeepsAlphaGreyAndUnalignedRowsIntact)
{
    // A 2-pixel RGB row is 6 bytes, not a multiple of 4: each row must start where the previous
    // one ended, or the second row comes out shifted and the upload reads past the image.
    // (Power-of-two sizes, so the mipmap builder does not rescale what we compare.)
    for (int width : {1, 2}) {
        SCOPED_TRACE(width);
        const int height = 4 / width;
        Bytes rgb;
        for (int i = 0; i < 4; ++i)
            rgb.insert(rgb.end(), {uint8_t(60 * i), uint8_t(100 + i), uint8_t(250 - 7 * i)});
        const std::string name = "rows" + std::to_string(width) + ".png";
        writeImage(file(name), IL_PNG, width, height, 3, rgb);
        ASSERT_NE(load(file(name)), 0u);
        ASSERT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), width);
        // The encoder stores the rows top first and the loader keeps the decoded order, so the
        // texture holds them in reverse of what we handed the encoder.
        const Bytes texels = boundTexels();
        for (int i = 0; i < 4; ++i) {
            const int row = i / width;
            const int j = (height - 1 - row) * width + i % width;
            EXPECT_EQ(texels[4 * i], rgb[3 * j]) << "pixel " << i;
            EXPECT_EQ(texels[4 * i + 1], rgb[3 * j + 1]) << "pixel " << i;
            EXPECT_EQ(texels[4 * i + 2], rgb[3 * j + 2]) << "pixel " << i;
        }
    }

    writeImage(file("half.tga"), IL_TGA, 2, 2, 4, solid(2, 2, {255, 0, 0, 128}));
    ASSERT_NE(load(file("half.tga")), 0u);
    EXPECT_EQ(boundTexels()[3], 128) << "the file's alpha reaches the texture";

    writeImage(file("grey.png"), IL_PNG, 4, 1, 1, solid(4, 1, {77}));
    ASSERT_NE(load(file("grey.png")), 0u);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), 1) << "one component per pixel";
    EXPECT_EQ(boundTexels()[0], 77);
}

TEST_F(TextureLoaderTest, PaletteImagesArriveAsTheirColours)
{
    Bytes tga = tgaHeader(2, 1, 8, true, 2);
    tga.insert(tga.end(), {0, 0, 255, 255, 0, 0}); // palette in BGR: red, blue
    tga.insert(tga.end(), {1, 0});                 // blue, red
    writeFile(file("palette.tga"), tga);
    ASSERT_NE(load(file("palette.tga")), 0u);
    const Bytes texels = boundTexels();
    EXPECT_EQ((Bytes{texels[0], texels[1], texels[2]}), (Bytes{0, 0, 255}));
    EXPECT_EQ((Bytes{texels[4], texels[5], texels[6]}), (Bytes{255, 0, 0}));
}

TEST_F(TextureLoaderTest, EveryLoadCreatesItsOwnTextureAndTakesBackslashPaths)
{
    writeImage(file("twice.png"), IL_PNG, 2, 2, 3, solid(2, 2, {1, 2, 3}));
    std::string backslashed = file("twice.png");
    backslashed[backslashed.size() - std::string("twice.png").size() - 1] = '\\';
    const GLuint first = load(file("twice.png"));
    const GLuint second = load(backslashed);
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    EXPECT_NE(first, second);
}

TEST_F(TextureLoaderTest, FiltersChangedBeforeLoadingApplyFromTheStart)
{
    RenderSettings::linearFiltering = false;
    RenderSettings::mipmapMode = 2;
    RenderSettings::updateFilters();
    writeImage(file("nearest.tga"), IL_TGA, 2, 2, 3, solid(2, 2, {9, 9, 9}));
    ASSERT_NE(load(file("nearest.tga")), 0u);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
}

TEST_F(TextureLoaderTest, TheLargestAcceptedSideLoads)
{
    Bytes tga = tgaHeader(maxTextureSide, 1, 24);
    tga.resize(tga.size() + size_t(maxTextureSide) * 3, 0x40);
    writeFile(file("wide.tga"), tga);
    ASSERT_NE(load(file("wide.tga")), 0u);
}

TEST_F(TextureLoaderTest, RejectedFilesLeaveTheVariableAndNameTheFile)
{
    const Bytes pixels = solid(4, 4, {255, 255, 255});
    writeImage(file("real.png"), IL_PNG, 4, 4, 3, pixels);
    writeImage(file("picture.bmp"), IL_PNG, 4, 4, 3, pixels);   // readable, but not an accepted type
    writeImage(file("noextension"), IL_PNG, 4, 4, 3, pixels);   // no extension at all
    writeImage(file("disguised.png"), IL_TGA, 4, 4, 3, pixels); // TGA content behind a PNG name
    writeImage(file("real.png.gif"), IL_PNG, 4, 4, 3, pixels);
    writeFile(file("empty.jpg"), {});
    writeFile(
        file("cut.png"),
        {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D',
         'R',  0,   0,   0,   4,    0,    0,    0,    4, 8, 2, 0,  0,   0}); // header only, no image data
    writeFile(file("notajpeg.jpg"), {'h', 'e', 'l', 'l', 'o'});

    Bytes tooWide = tgaHeader(maxTextureSide + 1, 1, 24);
    tooWide.resize(tooWide.size() + size_t(maxTextureSide + 1) * 3, 0x40);
    writeFile(file("toowide.tga"), tooWide);
    // Claims 40000 x 40000 pixels (4.8 GB decoded) but holds a few bytes: must be refused from
    // the header, before anything is allocated for it.
    Bytes huge = tgaHeader(40000, 40000, 24);
    huge.resize(huge.size() + 64, 0);
    writeFile(file("huge.tga"), huge);
    Bytes zero = tgaHeader(0, 4, 24);
    writeFile(file("zero.tga"), zero);

    const char* rejected[] = {"picture.bmp", "noextension", "disguised.png", "real.png.gif",
                              "empty.jpg",   "cut.png",     "notajpeg.jpg",  "toowide.tga",
                              "huge.tga",    "zero.tga",    "missing.png",   "missing\\sub.tga"};
    for (const char* name : rejected) {
        SCOPED_TRACE(name);
        const std::string path = file(name);
        testing::internal::CaptureStderr();
        const GLuint untouched = load(path, 0);
        const GLuint kept = load(path, 4242);
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(untouched, 0u);
        EXPECT_EQ(kept, 4242u);
        const std::string line = "couldn't open texture file " + path + "\n";
        EXPECT_EQ(errors, line + line);
    }
    EXPECT_NE(load(file("real.png")), 0u) << "the same content under an accepted name loads";
}
