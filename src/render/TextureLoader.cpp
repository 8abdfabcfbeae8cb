#include "render/TextureLoader.h"

#include "platform/DataPath.h"
#include "render/RenderSettings.h"

#include <GL/glu.h>

#include <iostream>

namespace
{

void reportFailure(const std::string& fileName)
{
    std::cerr << "couldn't open texture file " << fileName << "\n";
}

GLenum pixelFormat(int channels)
{
    switch (channels) {
    case 1:
        return GL_LUMINANCE;
    case 2:
        return GL_LUMINANCE_ALPHA;
    case 3:
        return GL_RGB;
    default:
        return GL_RGBA;
    }
}

} // namespace

bool decodeTextureImage(const uint8_t* data, size_t size, ImageFileType type, DecodedImage& image)
{
    return decodeImage(data, size, type, maxTextureSide, image);
}

bool readTextureImage(const std::string& fileName, DecodedImage& image)
{
    const std::string path = platform::nativePath(fileName);
    const ImageFileType type = imageFileType(path);
    std::vector<uint8_t> bytes;
    return type != ImageFileType::unknown && readImageFile(path, bytes) &&
           decodeTextureImage(bytes.data(), bytes.size(), type, image);
}

void loadTexture(const std::string& fileName, GLuint& textureName)
{
    DecodedImage image;
    if (!readTextureImage(fileName, image)) {
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
    const GLint built = gluBuild2DMipmaps(GL_TEXTURE_2D, image.channels, image.width, image.height,
                                          pixelFormat(image.channels), GL_UNSIGNED_BYTE, image.pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
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
