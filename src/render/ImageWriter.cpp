#include "render/ImageWriter.h"

#include <cstdio>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace
{

// Collects what the encoder hands out, then writes the file in one go.
void appendBytes(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool validPicture(int width, int height, int channels, const void* pixels)
{
    return pixels && width > 0 && height > 0 && channels >= 1 && channels <= 4;
}

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendBigEndian32(std::vector<uint8_t>& out, uint32_t value)
{
    out.insert(out.end(), {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)});
}

void appendChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data)
{
    appendBigEndian32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    appendBigEndian32(out, crc32(out.data() + start, out.size() - start));
}

} // namespace

bool writePng(const std::string& path, int width, int height, int channels, const uint8_t* pixels,
              bool bottomUp)
{
    if (!validPicture(width, height, channels, pixels))
        return false;
    const int stride = width * channels;
    const uint8_t* first = bottomUp ? pixels + size_t(height - 1) * size_t(stride) : pixels;
    std::vector<uint8_t> bytes;
    return stbi_write_png_to_func(appendBytes, &bytes, width, height, channels, first,
                                  bottomUp ? -stride : stride) != 0 &&
           writeFile(path, bytes);
}

bool writeGreyPng16(const std::string& path, int width, int height, const uint16_t* samples)
{
    if (!validPicture(width, height, 1, samples))
        return false;
    // The samples big-endian; every row but the first as its difference to the row above (PNG's
    // "up" filter), which suits smooth height maps.
    const size_t rowBytes = size_t(width) * 2;
    std::vector<uint8_t> plain(size_t(height) * rowBytes);
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
        plain[2 * i] = uint8_t(samples[i] >> 8);
        plain[2 * i + 1] = uint8_t(samples[i]);
    }
    std::vector<uint8_t> rows;
    rows.reserve(size_t(height) * (1 + rowBytes));
    for (size_t y = 0; y < size_t(height); ++y) {
        rows.push_back(y == 0 ? 0 : 2);
        for (size_t k = 0; k < rowBytes; ++k) {
            const uint8_t above = y == 0 ? 0 : plain[(y - 1) * rowBytes + k];
            rows.push_back(uint8_t(plain[y * rowBytes + k] - above));
        }
    }
    int compressedSize = 0;
    unsigned char* compressed = stbi_zlib_compress(rows.data(), int(rows.size()), &compressedSize, 8);
    if (!compressed)
        return false;
    const std::vector<uint8_t> data(compressed, compressed + compressedSize);
    STBIW_FREE(compressed);

    std::vector<uint8_t> header;
    appendBigEndian32(header, uint32_t(width));
    appendBigEndian32(header, uint32_t(height));
    header.insert(header.end(), {16, 0, 0, 0, 0}); // 16 bits, grey, deflate, adaptive filters, no interlace
    std::vector<uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    appendChunk(bytes, "IHDR", header);
    appendChunk(bytes, "IDAT", data);
    appendChunk(bytes, "IEND", {});
    return writeFile(path, bytes);
}

bool writeJpeg(const std::string& path, int width, int height, int channels, const uint8_t* pixels,
               int quality)
{
    if (!validPicture(width, height, channels, pixels))
        return false;
    std::vector<uint8_t> bytes;
    return stbi_write_jpg_to_func(appendBytes, &bytes, width, height, channels, pixels, quality) != 0 &&
           writeFile(path, bytes);
}

bool writeTga(const std::string& path, int width, int height, int channels, const uint8_t* pixels)
{
    if (!validPicture(width, height, channels, pixels))
        return false;
    std::vector<uint8_t> bytes;
    return stbi_write_tga_to_func(appendBytes, &bytes, width, height, channels, pixels) != 0 &&
           writeFile(path, bytes);
}
