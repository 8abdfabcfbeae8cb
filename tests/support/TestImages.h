// Small image files that tests and benchmarks write for themselves: grey height maps at 8 or 16
// bits and RGB pictures for textures.
// The encoder stores the pixel data uncompressed (deflate "stored" blocks), which every PNG reader
// accepts, so no image library is needed to make test input.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testimages
{

inline uint32_t crc32(const unsigned char* data, size_t size, uint32_t crc = 0)
{
    static uint32_t table[256] = {};
    if (table[1] == 0) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

inline void putBigEndian32(std::string& out, uint32_t value)
{
    out += char(value >> 24);
    out += char(value >> 16);
    out += char(value >> 8);
    out += char(value);
}

inline void appendChunk(std::string& png, const char type[4], const std::string& data)
{
    putBigEndian32(png, uint32_t(data.size()));
    std::string body(type, 4);
    body += data;
    png += body;
    putBigEndian32(png, crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

// A zlib stream of stored blocks holding `raw`.
inline std::string storedZlib(const std::string& raw)
{
    std::string out;
    out += char(0x78);
    out += char(0x01);
    size_t offset = 0;
    do {
        const size_t length = std::min<size_t>(65535, raw.size() - offset);
        const bool last = offset + length == raw.size();
        out += char(last ? 1 : 0);
        out += char(length & 0xff);
        out += char(length >> 8);
        out += char(~length & 0xff);
        out += char((~length >> 8) & 0xff);
        out.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian32(out, b << 16 | a);
    return out;
}

// PNG bytes for `channels` (1 grey, 3 RGB, 4 RGBA) samples per pixel of `bitDepth` (8 or 16) bits,
// rows from the top; `samples` holds width * height * channels values.
inline std::string encodePng(int width, int height, int channels, int bitDepth,
                             const std::vector<uint16_t>& samples)
{
    const int colourType = channels == 1 ? 0 : channels == 3 ? 2 : 6;
    std::string header;
    putBigEndian32(header, uint32_t(width));
    putBigEndian32(header, uint32_t(height));
    header += char(bitDepth);
    header += char(colourType);
    header += std::string(3, '\0'); // deflate, adaptive filtering, no interlace

    std::string raw;
    const size_t rowSamples = size_t(width) * size_t(channels);
    for (int y = 0; y < height; ++y) {
        raw += '\0'; // filter type "none"
        for (size_t k = 0; k < rowSamples; ++k) {
            const uint16_t value = samples[size_t(y) * rowSamples + k];
            if (bitDepth == 16)
                raw += char(value >> 8);
            raw += char(value & 0xff);
        }
    }

    std::string png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", storedZlib(raw));
    appendChunk(png, "IEND", "");
    return png;
}

inline bool writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return bool(out);
}

// A grey height map; `samples` row-major from the top row, width * height values of 0..65535
// (16 bits) or 0..255 (8 bits).
inline bool writeGreyPng(const std::string& path, int width, int height, const std::vector<uint16_t>& samples,
                         int bitDepth = 16)
{
    return writeFile(path, encodePng(width, height, 1, bitDepth, samples));
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
    std::string tga(18, '\0');
    tga[2] = 2; // uncompressed true colour
    tga[12] = char(width & 0xff);
    tga[13] = char(width >> 8);
    tga[14] = char(height & 0xff);
    tga[15] = char(height >> 8);
    tga[16] = 24;
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const size_t p = (size_t(y) * size_t(width) + size_t(x)) * 3;
            tga += char(rgb[p + 2]);
            tga += char(rgb[p + 1]);
            tga += char(rgb[p]);
        }
    return writeFile(path, tga);
}

} // namespace testimages
