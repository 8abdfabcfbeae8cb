// Turns an image file into a mipmapped OpenGL 2D texture. Every texture of the game (terrain, sky,
// model materials, font pages, menu pictures, cockpit panel) is loaded here.
#pragma once

#include <GL/glew.h>

#include "render/ImageFile.h"

#include <string>

// Largest accepted width or height of a texture image, in pixels.
constexpr int maxTextureSide = 8192;

// Loads `fileName` (a full data path; backslashes are fine) into a new texture object and writes its
// name into `textureName`. Only PNG, JPEG and TGA files are read, chosen by the extension (".png",
// ".jpg", ".jpeg", ".tga", any case). The texture gets all mipmap levels, the current
// RenderSettings filters, GL_REPEAT wrapping and GL_MODULATE, and is left bound to GL_TEXTURE_2D.
// There is no cache: every call creates a new texture, owned by the caller (glDeleteTextures).
// Failure (other extension, missing or broken file, image wider or taller than maxTextureSide):
// "couldn't open texture file <fileName>" on standard error and `textureName` is left untouched.
void loadTexture(const std::string& fileName, GLuint& textureName);

// The file half of loadTexture, which needs no GL context: the decoded image of `fileName`, or false
// (without a message) when loadTexture would refuse it.
bool readTextureImage(const std::string& fileName, DecodedImage& image);
// The same for the bytes of a file whose name says `type`.
bool decodeTextureImage(const uint8_t* data, size_t size, ImageFileType type, DecodedImage& image);
