#include "render/TextureLoader.h"

#include "render/RenderSettings.h"
#include "render/ImageFile.h"
#include "platform/DataPath.h"

#include <GL/glu.h>
#include <IL/il.h>

#include <iostream>

namespace
{

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
    const ILenum type = imageFileType(path);
    if (type == IL_TYPE_UNKNOWN || !imageSizeAcceptable(path, type, maxTextureSide)) {
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
