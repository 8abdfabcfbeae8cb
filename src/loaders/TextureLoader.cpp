#include "loaders/TextureLoader.h"

#include "app/RenderSettings.h"
#include "platform/DataPath.h"

#include <GL/glu.h>
#include <IL/il.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iostream>

namespace
{

// The image library is old and has not been hardened against hostile files, so it only ever sees
// the three formats the game ships, with the decoder picked by us, and only after the file header
// has shown a size we are willing to decode.
ILenum imageTypeOf(const std::string& fileName)
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

// True when the file's header names a size in 1..maxTextureSide on both axes.
bool headerSizeAcceptable(const std::string& path, ILenum type)
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
    return known && width > 0 && height > 0 && width <= uint32_t(maxTextureSide) &&
           height <= uint32_t(maxTextureSide);
}

void reportFailure(const std::string& fileName)
{
    std::cerr << "couldn't open texture file " << fileName << "\n";
}

// Discards the library's error stack so a failed load does not show up in later queries.
void clearImageErrors()
{
    while (ilGetError() != IL_NO_ERROR) {
    }
}

} // namespace

void loadTexture(const std::string& fileName, GLuint& textureName)
{
    const std::string path = platform::nativePath(fileName);
    const ILenum type = imageTypeOf(path);
    if (type == IL_TYPE_UNKNOWN || !headerSizeAcceptable(path, type)) {
        reportFailure(fileName);
        return;
    }

    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    bool decoded = ilLoad(type, path.c_str()) == IL_TRUE;
    const ILint width = ilGetInteger(IL_IMAGE_WIDTH);
    const ILint height = ilGetInteger(IL_IMAGE_HEIGHT);
    if (decoded && (width <= 0 || height <= 0 || width > maxTextureSide || height > maxTextureSide))
        decoded = false;
    // GL cannot sample palette indices; expand them to the colours they stand for.
    if (decoded && ilGetInteger(IL_IMAGE_FORMAT) == IL_COLOUR_INDEX)
        decoded = ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_TRUE;
    if (!decoded) {
        clearImageErrors();
        ilBindImage(0);
        ilDeleteImages(1, &image);
        reportFailure(fileName);
        return;
    }

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Decoded rows are tightly packed; GL's default 4-byte row alignment would read past the end
    // of every RGB row whose width is not a multiple of four.
    GLint unpackAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLint built = gluBuild2DMipmaps(GL_TEXTURE_2D, ilGetInteger(IL_IMAGE_BPP), width, height,
                                          GLenum(ilGetInteger(IL_IMAGE_FORMAT)),
                                          GLenum(ilGetInteger(IL_IMAGE_TYPE)), ilGetData());
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    ilBindImage(0);
    ilDeleteImages(1, &image);
    if (built != 0) {
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &texture);
        reportFailure(fileName);
        return;
    }

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(RenderSettings::minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(RenderSettings::magFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    textureName = texture;
}
