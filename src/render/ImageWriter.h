// Writing pictures for the tools, the preview and the tests: PNG with 8 bits per channel or 16-bit
// grey, JPEG and TGA. `pixels` holds width * height * channels samples (1 grey, 2 grey and alpha,
// 3 RGB, 4 RGBA), top row first unless `bottomUp` (as OpenGL hands them). The output depends only
// on the pixels, byte for byte. False when the file could not be written.
#pragma once

#include <cstdint>
#include <string>

bool writePng(const std::string& path, int width, int height, int channels, const uint8_t* pixels,
              bool bottomUp = false);
bool writeGreyPng16(const std::string& path, int width, int height, const uint16_t* samples);
// `quality` 1..100; grey and alpha channels are not kept (JPEG has neither here).
bool writeJpeg(const std::string& path, int width, int height, int channels, const uint8_t* pixels,
               int quality);
// Run-length coded and stored bottom row first, as most painting programs write TGA files.
bool writeTga(const std::string& path, int width, int height, int channels, const uint8_t* pixels);
