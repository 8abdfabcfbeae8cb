// Images through the game's decoding path, as a texture and as a height map. The format follows the
// data as the game's checks see it: a PNG signature goes to the PNG decoder, a JPEG start-of-image
// to the JPEG decoder, anything else to the TGA decoder (the game refuses names and contents that
// disagree). Sizes are limited to 1024 pixels a side here, so that inputs stay quick to decode; the
// path is the one every size takes.
#include "render/ImageFile.h"
#include "render/TextureLoader.h"
#include "scene/Terrain.h"

#include <iostream>
#include <sstream>

namespace
{
constexpr int fuzzMaxSide = 1024;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImageFileType type = ImageFileType::tga;
    if (size >= 8 && data[0] == 0x89 && data[1] == 'P')
        type = ImageFileType::png;
    else if (size >= 2 && data[0] == 0xff && data[1] == 0xd8)
        type = ImageFileType::jpeg;
    DecodedImage texture;
    if (decodeImage(data, size, type, fuzzMaxSide, texture)) {
        const size_t expected = size_t(texture.width) * size_t(texture.height) * size_t(texture.channels);
        if (texture.pixels.size() != expected || texture.channels < 1 || texture.channels > 4)
            __builtin_trap();
    }
    std::ostringstream messages;
    std::streambuf* saved = std::cerr.rdbuf(messages.rdbuf());
    std::vector<float> heights;
    int gridSize = 0;
    if (readHeightMapSamples(data, size, type, "levels\\fuzz", heights, gridSize, fuzzMaxSide)) {
        if (gridSize < minHeightMapSide || heights.size() != size_t(gridSize) * size_t(gridSize))
            __builtin_trap();
        for (float h : heights)
            if (!(h >= 0.0f && h <= 1.0f))
                __builtin_trap();
    }
    std::cerr.rdbuf(saved);
    return 0;
}
