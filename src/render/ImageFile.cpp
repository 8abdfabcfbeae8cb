#include "render/ImageFile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>

namespace
{

uint32_t bigEndian16(const unsigned char* p)
{
    return uint32_t(p[0]) << 8 | p[1];
}

uint32_t bigEndian32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool readPngSize(std::istream& in, uint32_t& width, uint32_t& height)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    unsigned char header[24];
    if (!in.read(reinterpret_cast<char*>(header), sizeof(header)))
        return false;
    if (!std::equal(signature, signature + 8, header) || !std::equal(header + 12, header + 16, "IHDR"))
        return false;
    width = bigEndian32(header + 16);
    height = bigEndian32(header + 20);
    return true;
}

bool readTgaSize(std::istream& in, uint32_t& width, uint32_t& height)
{
    unsigned char header[18];
    if (!in.read(reinterpret_cast<char*>(header), sizeof(header)))
        return false;
    width = uint32_t(header[12]) | uint32_t(header[13]) << 8;
    height = uint32_t(header[14]) | uint32_t(header[15]) << 8;
    return true;
}

// Walks the JPEG markers up to the first start-of-frame, which carries the image size.
bool readJpegSize(std::istream& in, uint32_t& width, uint32_t& height)
{
    unsigned char soi[2];
    if (!in.read(reinterpret_cast<char*>(soi), 2) || soi[0] != 0xff || soi[1] != 0xd8)
        return false;
    for (;;) {
        int c = in.get();
        if (c != 0xff)
            return false;
        while (c == 0xff) // fill bytes may pad any marker
            c = in.get();
        if (c == EOF)
            return false;
        const int marker = c;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
            continue; // markers without a length field
        if (marker == 0xd9 || marker == 0xda)
            return false; // end of image or scan data before any frame header
        unsigned char lengthBytes[2];
        if (!in.read(reinterpret_cast<char*>(lengthBytes), 2))
            return false;
        const uint32_t length = bigEndian16(lengthBytes);
        if (length < 2)
            return false;
        const bool startOfFrame =
            marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (startOfFrame) {
            unsigned char frame[5]; // precision, height, width
            if (length < 7 || !in.read(reinterpret_cast<char*>(frame), 5))
                return false;
            height = bigEndian16(frame + 1);
            width = bigEndian16(frame + 3);
            return true;
        }
        if (!in.seekg(length - 2, std::ios::cur))
            return false;
    }
}

} // namespace

ILenum imageFileType(const std::string& fileName)
{
    const size_t dot = fileName.find_last_of('.');
    const size_t separator = fileName.find_last_of("/\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return IL_TYPE_UNKNOWN;
    std::string extension = fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (extension == "png")
        return IL_PNG;
    if (extension == "jpg" || extension == "jpeg")
        return IL_JPG;
    if (extension == "tga")
        return IL_TGA;
    return IL_TYPE_UNKNOWN;
}

bool imageSizeAcceptable(const std::string& path, ILenum type, int maxSide)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    uint32_t width = 0;
    uint32_t height = 0;
    bool known = false;
    if (type == IL_PNG)
        known = readPngSize(in, width, height);
    else if (type == IL_JPG)
        known = readJpegSize(in, width, height);
    else if (type == IL_TGA)
        known = readTgaSize(in, width, height);
    return known && width > 0 && height > 0 && width <= uint32_t(maxSide) && height <= uint32_t(maxSide);
}
