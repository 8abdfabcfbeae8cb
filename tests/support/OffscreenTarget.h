// An off-screen colour and depth buffer for GL tests that look at what they draw (the shared test
// window is hidden, so its own pixels cannot be trusted), with helpers to read it back and to keep
// a picture for a person to look at.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport
{

struct Rgba {
    int r, g, b, a;
};

class OffscreenTarget
{
  public:
    // A 24-bit depth buffer and a colour texture of `width` x `height` pixels in `format` (GL_RGBA8,
    // GL_RGBA16F, ...), nearest-filtered, so passes can also sample the picture later.
    OffscreenTarget(int width, int height, GLenum format = GL_RGBA8);
    ~OffscreenTarget(); // deletes the frame buffer and its attachments
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    // Draws into the target from now on, with the viewport covering it; unbind returns to the window.
    void bind() const;
    void unbind() const;
    bool complete() const { return isComplete; }
    GLuint texture() const { return colour; }

    // Rows bottom to top, 4 bytes per pixel; reads the target whether bound or not.
    std::vector<uint8_t> read() const;
    Rgba pixel(int x, int y) const;

    // Writes the current contents as a PNG when the environment variable AEROVANT_SNAPSHOT_DIR
    // names a directory; does nothing otherwise. Returns the path written, or "".
    std::string snapshot(const std::string& name) const;

    const int width;
    const int height;

  private:
    GLuint framebuffer = 0;
    GLuint colour = 0; // texture
    GLuint depth = 0;
    bool isComplete = false;
};

} // namespace testsupport
