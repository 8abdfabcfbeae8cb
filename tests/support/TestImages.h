// Small image files that tests and benchmarks write for themselves: 16-bit grey height maps and
// 8-bit RGB pictures as PNG, and RGB as a bottom-up TGA. The PNG data is stored uncompressed
// (deflate "stored" blocks), which every reader accepts, so no image library is needed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testimages
{

inline void putBigEndian32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char(value >> shift);
}

inline void appendChunk(std::string& png, const char* type, const std::string& data)
{
    const std::string body = std::string(type, 4) + data;
    uint32_t crc = ~0u;
    for (unsigned char c : body) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xedb88320u ^ (crc >> 1) : crc >> 1;
    }
    putBigEndian32(png, uint32_t(data.size()));
    png += body;
    putBigEndian32(png, ~crc);
}

// `channels` (1 grey, 3 RGB) samples of `bitDepth` (8 or 16) bits per pixel, rows from the top.
inline std::string encodePng(int width, int height, int channels, int bitDepth,
                             const std::vector<uint16_t>& samples)
{
    std::string header, raw, zlib("\x78\x01", 2), png("\x89PNG\r\n\x1a\n", 8);
    putBigEndian32(header, uint32_t(width));
    putBigEndian32(header, uint32_t(height));
    header += {char(bitDepth), char(channels == 1 ? 0 : 2), 0, 0, 0};
    const size_t rowSamples = size_t(width) * size_t(channels);
    for (size_t k = 0; k < samples.size(); ++k) {
        if (k % rowSamples == 0)
            raw += '\0'; // filter type "none"
        if (bitDepth == 16)
            raw += char(samples[k] >> 8);
        raw += char(samples[k]);
    }
    for (size_t offset = 0; offset < raw.size(); offset += 65535) {
        const uint16_t length = uint16_t(std::min<size_t>(65535, raw.size() - offset));
        zlib += {char(offset + length == raw.size()), char(length), char(length >> 8), char(~length),
                 char(~length >> 8)};
        zlib.append(raw, offset, length);
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian32(zlib, b << 16 | a);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", zlib);
    appendChunk(png, "IEND", "");
    return png;
}

inline bool writeFile(const std::string& path, const std::string& bytes)
{
    return bool(std::ofstream(path, std::ios::binary) << bytes);
}

// A 16-bit grey height map; `samples` holds width * height values 0..65535, top row first.
inline bool writeGreyPng(const std::string& path, int width, int height, const std::vector<uint16_t>& samples)
{
    return writeFile(path, encodePng(width, height, 1, 16, samples));
}

// An 8-bit RGB picture; `rgb` holds width * height * 3 bytes, top row first.
inline bool writeRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    return writeFile(path, encodePng(width, height, 3, 8, std::vector<uint16_t>(rgb.begin(), rgb.end())));
}

// An uncompressed 24-bit TGA with its rows stored bottom-up, as most painting programs write it;
// `rgb` is given top row first like the other writers.
inline bool writeRgbTga(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    std::string tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    tga += {char(width), char(width >> 8), char(height), char(height >> 8), 24, 0};
    for (int y = height - 1; y >= 0; --y)
        for (size_t p = size_t(y) * size_t(width) * 3; p < size_t(y + 1) * size_t(width) * 3; p += 3)
            tga += {char(rgb[p + 2]), char(rgb[p + 1]), char(rgb[p])};
    return writeFile(path, tga);
}

} // namespace testimages
