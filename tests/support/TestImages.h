// Small image files that tests and benchmarks write for themselves through DevIL, which must be
// initialised (every GL test and benchmark context does that). Samples are given top row first.
#pragma once

#include <IL/il.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testimages
{

// Writes `width` x `height` pixels of `channels` (1 grey, 3 RGB) samples of `type` (IL_UNSIGNED_BYTE
// or IL_UNSIGNED_SHORT) in the format the file name's ending names: PNG stores its rows top-down,
// TGA bottom-up as most painting programs do. False when the file could not be written.
inline bool writeImage(const std::string& path, int width, int height, int channels, ILenum type,
                       const void* samples)
{
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    bool written = ilTexImage(ILuint(width), ILuint(height), 1, ILubyte(channels),
                              channels == 1 ? IL_LUMINANCE : IL_RGB, type, const_cast<void*>(samples));
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    ilEnable(IL_FILE_OVERWRITE);
    written = written && ilSaveImage(path.c_str());
    ilDeleteImages(1, &image);
    return written;
}

// A 16-bit grey height map; `samples` holds width * height values 0..65535.
inline bool writeGreyPng(const std::string& path, int width, int height, const std::vector<uint16_t>& samples)
{
    return writeImage(path, width, height, 1, IL_UNSIGNED_SHORT, samples.data());
}

// An 8-bit RGB picture; `rgb` holds width * height * 3 bytes.
inline bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    return writeImage(path, width, height, 3, IL_UNSIGNED_BYTE, rgb.data());
}

} // namespace testimages
