// The image decoder behind every texture and height map, on the fuzz corpus's hand-made files.
#include "render/ImageFile.h"
#include "render/ImageWriter.h"

#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

namespace
{

std::vector<uint8_t> corpusImage(const std::string& name)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(readImageFile(std::string(AEROVANT_FUZZ_CORPUS) + "images/" + name, bytes)) << name;
    return bytes;
}

DecodedImage decoded(const std::string& name, ImageFileType type = ImageFileType::unknown)
{
    const std::vector<uint8_t> bytes = corpusImage(name);
    DecodedImage image;
    EXPECT_TRUE(decodeImage(bytes.data(), bytes.size(),
                            type == ImageFileType::unknown ? imageFileType(name) : type, 8192, image))
        << name;
    return image;
}

} // namespace

TEST(ImageFile, HostileFilesAreRefusedAsTexturesAndAsHeightMaps)
{
    const struct {
        const char* file;
        ImageFileType readAs;
    } hostile[] = {
        {"cut-off.tga", ImageFileType::tga},     // 8192 x 8192 declared, 64 bytes of pixels
        {"rle-cut-off.tga", ImageFileType::tga}, // the same, run-length coded
        {"palette-cut-off.tga", ImageFileType::tga},
        {"id-and-zero.tga", ImageFileType::tga}, // 0 x 0
        {"huge-100000.png", ImageFileType::png}, // beyond the largest side
        {"huge-8192.png", ImageFileType::png},   // the largest side, with 100 bytes of pixels
        {"huge-65535.jpg", ImageFileType::jpeg},
        {"zero-width.png", ImageFileType::png},
        {"truncated.png", ImageFileType::png},
        {"truncated.jpg", ImageFileType::jpeg},
        {"inflates-too-far.png", ImageFileType::png},        // 64 x 64 whose pixels inflate to 4 MB
        {"palette-chunk-too-long.png", ImageFileType::png},  // a chunk longer than the file
        {"many-scans.jpg", ImageFileType::jpeg},             // 400 scans over the whole picture
        {"huffman-too-many-codes.jpg", ImageFileType::jpeg}, // the decoder would write past its table
        {"empty-first-image-data.png", ImageFileType::png},  // copied to a buffer not yet made
        {"plain.jpg", ImageFileType::png},                   // contents and name disagree
        {"airplane.png", ImageFileType::tga},
        {"plain.jpg", ImageFileType::tga},
        {"jpeg-behind-fill-bytes.tga", ImageFileType::tga}, // a JPEG start after four 0xff bytes
        {"airplane.png", ImageFileType::jpeg},
        {"airplane.png", ImageFileType::unknown},
    };
    for (const auto& file : hostile) {
        const std::vector<uint8_t> bytes = corpusImage(file.file);
        DecodedImage texture;
        GreyImage16 heights;
        EXPECT_FALSE(decodeImage(bytes.data(), bytes.size(), file.readAs, 8192, texture)) << file.file;
        EXPECT_FALSE(decodeGreyImage16(bytes.data(), bytes.size(), file.readAs, 8192, heights)) << file.file;
        EXPECT_TRUE(texture.pixels.empty() && heights.samples.empty());
    }
    // Within a smaller limit, a side one pixel over it is refused.
    const std::vector<uint8_t> nine = corpusImage("height-9x9.png");
    GreyImage16 heights;
    EXPECT_FALSE(decodeGreyImage16(nine.data(), nine.size(), ImageFileType::png, 8, heights));
    EXPECT_TRUE(decodeGreyImage16(nine.data(), nine.size(), ImageFileType::png, 9, heights));
}

TEST(ImageFile, PaletteIndicesPastThePaletteGiveFixedColours)
{
    // A scan whose codes the decoder looks up outside its Huffman table reads zeroed memory.
    EXPECT_EQ(decoded("huffman-decode-out-of-table.jpg").width, 24);
    // Two-colour palettes (blue, green); the last pixel's index lies beyond them.
    EXPECT_EQ(decoded("palette-bad-index.tga").pixels,
              (std::vector<uint8_t>{0, 0, 255, 0, 255, 0, 0, 0, 255}));
    EXPECT_EQ(decoded("palette-rle-bad-index.tga").pixels,
              (std::vector<uint8_t>{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255}));
    // PNG: red with alpha 128, blue, then indices 7 and 255 of a two-entry palette.
    const DecodedImage png = decoded("palette-bad-index.png");
    ASSERT_EQ(png.channels, 4);
    EXPECT_EQ(std::vector<uint8_t>(png.pixels.begin(), png.pixels.begin() + 16),
              (std::vector<uint8_t>{255, 0, 0, 128, 0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ImageFile, SixteenBitSamplesKeepTheirPrecisionOnlyAsHeights)
{
    // 16-bit RGB 0x1234, 0x5678, 0x9abc: a texture gets the upper bytes.
    const DecodedImage texture = decoded("rgb16-4x4.png");
    ASSERT_EQ(texture.channels, 3);
    EXPECT_EQ(std::vector<uint8_t>(texture.pixels.begin(), texture.pixels.begin() + 3),
              (std::vector<uint8_t>{0x12, 0x56, 0x9a}));
    const std::vector<uint8_t> bytes = corpusImage("height-2x2.png");
    GreyImage16 heights;
    ASSERT_TRUE(decodeGreyImage16(bytes.data(), bytes.size(), ImageFileType::png, 8192, heights));
    EXPECT_EQ(heights.samples, (std::vector<uint16_t>{0, 6000, 3000, 9000}));
    // 8-bit grey v becomes v * 257, so white stays the largest height.
    const std::vector<uint8_t> grey = corpusImage("grey.tga");
    ASSERT_TRUE(decodeGreyImage16(grey.data(), grey.size(), ImageFileType::tga, 8192, heights));
    EXPECT_EQ(heights.samples[0], 6 * 257);
}

TEST(ImageFile, RowsRunFromThePicturesTopWhateverOrderTheFileKeeps)
{
    testsupport::ScratchDirectory scratch;
    const std::vector<uint8_t> rgb = {255, 0, 0, 0,  255, 0,  0,   0,   255, // top row: red, green, blue
                                      9,   9, 9, 90, 90,  90, 200, 200, 200};
    ASSERT_TRUE(writePng(scratch.path() + "a.png", 3, 2, 3, rgb.data()));
    ASSERT_TRUE(writeTga(scratch.path() + "a.tga", 3, 2, 3, rgb.data()));
    std::vector<uint8_t> png, tga;
    ASSERT_TRUE(readImageFile(scratch.path() + "a.png", png) && readImageFile(scratch.path() + "a.tga", tga));
    ASSERT_EQ(tga[17] & 0x20, 0) << "the TGA file keeps its bottom row first";
    DecodedImage fromPng, fromTga;
    ASSERT_TRUE(decodeImage(png.data(), png.size(), ImageFileType::png, 16, fromPng));
    ASSERT_TRUE(decodeImage(tga.data(), tga.size(), ImageFileType::tga, 16, fromTga));
    EXPECT_EQ(fromPng.pixels, rgb);
    EXPECT_EQ(fromTga.pixels, rgb);
    // A TGA that says its rows start at the top: red, green on top of blue, white.
    EXPECT_EQ(decoded("top-down.tga").pixels,
              (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    EXPECT_EQ(decoded("bottom-up.tga").pixels,
              (std::vector<uint8_t>{0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0}));
}
