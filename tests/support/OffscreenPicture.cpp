#include "support/OffscreenPicture.h"

#include "render/ImageWriter.h"

#include <algorithm>
#include <cstdlib>

namespace testsupport
{

PictureTarget::PictureTarget(int width, int height) : width_(width), height_(height)
{
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previousFramebuffer_);
    glGetIntegerv(GL_VIEWPORT, previousViewport_);
    glGenRenderbuffers(1, &colour_);
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenRenderbuffers(1, &depth_);
    glBindRenderbuffer(GL_RENDERBUFFER, depth_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    complete_ = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glViewport(0, 0, width, height);
}

PictureTarget::~PictureTarget()
{
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previousFramebuffer_));
    glViewport(previousViewport_[0], previousViewport_[1], previousViewport_[2], previousViewport_[3]);
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteRenderbuffers(1, &depth_);
    glDeleteRenderbuffers(1, &colour_);
}

void PictureTarget::clear(float r, float g, float b)
{
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

Picture PictureTarget::read() const
{
    Picture picture;
    picture.width = width_;
    picture.height = height_;
    picture.rgba.resize(size_t(width_) * size_t(height_) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, picture.rgba.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return picture;
}

namespace
{

bool near(const uint8_t* a, const uint8_t* b, int tolerance)
{
    for (int k = 0; k < 3; ++k) {
        if (std::abs(int(a[k]) - int(b[k])) > tolerance)
            return false;
    }
    return true;
}

} // namespace

int countDifferentPixels(const Picture& a, const Picture& b, int tolerance)
{
    if (a.width != b.width || a.height != b.height)
        return std::max(a.width * a.height, b.width * b.height);
    int different = 0;
    for (size_t i = 0; i + 3 < a.rgba.size(); i += 4) {
        if (!near(&a.rgba[i], &b.rgba[i], tolerance))
            ++different;
    }
    return different;
}

int countPixelsNear(const Picture& picture, int r, int g, int b, int tolerance)
{
    const uint8_t colour[3] = {uint8_t(r), uint8_t(g), uint8_t(b)};
    int count = 0;
    for (size_t i = 0; i + 3 < picture.rgba.size(); i += 4) {
        if (near(&picture.rgba[i], colour, tolerance))
            ++count;
    }
    return count;
}

std::string savePicture(const Picture& picture, const std::string& name)
{
    const char* directory = std::getenv("AEROVANT_SNAPSHOT_DIR");
    if (!directory || !*directory || picture.rgba.empty())
        return "";
    // Opaque, so that a viewer shows the background colour rather than transparency.
    std::vector<uint8_t> rgba = picture.rgba;
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 255;
    const std::string path = std::string(directory) + "/" + name + ".png";
    const bool bottomUp = true; // rows as GL reads them
    return writePng(path, picture.width, picture.height, 4, rgba.data(), bottomUp) ? path : "";
}

} // namespace testsupport
