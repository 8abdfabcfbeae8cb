// Pictures drawn into an off-screen frame buffer, for GL tests that compare what was drawn. The
// shared test window is hidden, so its own buffers cannot be trusted to keep pixels.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport
{

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba; // bottom row first, 4 bytes per pixel

    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

// An RGBA8 colour and 24-bit depth frame buffer of the given size. While the object lives it is
// bound and the viewport covers it; the destructor restores the previous frame buffer and viewport
// and deletes the GL names it created.
class PictureTarget
{
  public:
    PictureTarget(int width, int height);
    ~PictureTarget();
    PictureTarget(const PictureTarget&) = delete;
    PictureTarget& operator=(const PictureTarget&) = delete;

    bool complete() const { return complete_; }
    void clear(float r = 0.0f, float g = 0.0f, float b = 0.0f);
    Picture read() const;

  private:
    int width_;
    int height_;
    GLuint framebuffer_ = 0;
    GLuint colour_ = 0;
    GLuint depth_ = 0;
    GLint previousFramebuffer_ = 0;
    GLint previousViewport_[4] = {0, 0, 0, 0};
    bool complete_ = false;
};

// Pixels whose channels differ by more than `tolerance` in any of R, G, B; all of them when the
// sizes differ.
int countDifferentPixels(const Picture& a, const Picture& b, int tolerance);

// Pixels within `tolerance` of the colour (R, G, B) in every channel.
int countPixelsNear(const Picture& picture, int r, int g, int b, int tolerance);

// When the environment variable AEROVANT_SNAPSHOT_DIR names a directory, writes the picture there
// as <name>.png (opaque, top row first, as viewers expect) and returns the path; otherwise "".
std::string savePicture(const Picture& picture, const std::string& name);

} // namespace testsupport
