// Reading the game's image files. Levels are shared between players, so every image is untrusted:
// only the three formats the game ships are decoded, with the decoder picked by us from the file
// name, only after the file header has shown a size we are willing to decode, and the decoder may
// not allocate more than an image of that size needs. Decoded rows always run from the picture's
// top, whatever order the file keeps them in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class ImageFileType { unknown, png, jpeg, tga };

// png, jpeg or tga from the extension (".png", ".jpg", ".jpeg", ".tga", any case); unknown for
// anything else.
ImageFileType imageFileType(const std::string& fileName);

// Largest image file read at all, in bytes (an uncompressed image of the largest accepted size).
constexpr size_t maxImageFileBytes = size_t(256) << 20;

// 8 bits per channel; `channels` is 1 (grey), 2 (grey, alpha), 3 (RGB) or 4 (RGBA), as the file
// stores them (palette images come out as RGB or RGBA, 16-bit samples as their upper 8 bits).
struct DecodedImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<uint8_t> pixels; // width * height * channels, top row first, rows tightly packed
};

// One grey channel of 16 bits: 16-bit files keep their precision, 8-bit samples v become v * 257,
// colours become their luminance.
struct GreyImage16 {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> samples; // width * height, top row first
};

// True when the header of `size` bytes of an image of `type` names a size of 1..maxSide pixels on
// both axes and its first bytes are those of that format; false for a short or malformed header,
// and for files whose structure shows they would keep the decoder busy or lead it astray (too few
// bytes for the declared TGA pixels, JPEG scans beyond a hundred or Huffman tables that overflow).
bool imageSizeAcceptable(const uint8_t* data, size_t size, ImageFileType type, int maxSide);

// Decode `size` bytes as an image of `type`. False (and `image` left empty) for any other type,
// a size check that fails, or a file the decoder refuses.
bool decodeImage(const uint8_t* data, size_t size, ImageFileType type, int maxSide, DecodedImage& image);
bool decodeGreyImage16(const uint8_t* data, size_t size, ImageFileType type, int maxSide, GreyImage16& image);

// The whole file at `path` (a native path), if it holds at most maxImageFileBytes.
bool readImageFile(const std::string& path, std::vector<uint8_t>& bytes);
