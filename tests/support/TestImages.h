// Small image files that tests and benchmarks write for themselves. Samples are given top row first.
#pragma once

#include "render/ImageFile.h"
#include "render/ImageWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testimages
{

// The format follows the file name's ending as the game reads it (PNG for any other ending): PNG
// stores its rows top-down, TGA bottom-up as most painting programs do, JPEG at quality 95. False
// when the file could not be written.
inline bool writeRgb(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    switch (imageFileType(path)) {
    case ImageFileType::tga:
        return writeTga(path, width, height, 3, rgb.data());
    case ImageFileType::jpeg:
        return writeJpeg(path, width, height, 3, rgb.data(), 95);
    default:
        return writePng(path, width, height, 3, rgb.data());
    }
}

// A 16-bit grey PNG height map; `samples` holds width * height values 0..65535.
inline bool writeGreyPng(const std::string& path, int width, int height, const std::vector<uint16_t>& samples)
{
    return writeGreyPng16(path, width, height, samples.data());
}

// An 8-bit RGB picture (PNG, or TGA or JPEG by the ending); `rgb` holds width * height * 3 bytes.
inline bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    return writeRgb(path, width, height, rgb);
}

} // namespace testimages
