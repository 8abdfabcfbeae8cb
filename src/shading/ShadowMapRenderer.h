// The two off-screen passes of the cartoon race view and the matrices that tie them to the final
// picture: a shadow map drawn from a light camera into a colour texture, an outline map drawn from
// the player's camera into a second texture, and the begin and end operations the race view calls
// around each pass. The Game owns one instance; the level preview tool owns its own.
//
// Per cartoon frame the caller runs, in this order: followWindow, setLight (when the scene has a
// light), setCamera, beginShadowPass ... endShadowPass, beginOutlinePass ... endOutlinePass,
// beginFinalPass ... and then pops the projection and model-view matrices the final pass pushed.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <string>

class CgDepth;
class CgOutline;

class ShadowMapRenderer
{
  public:
    // Loads the depth and outline shaders from the data directory (with its trailing separator)
    // and builds both frame buffers with zero-filled textures. A frame buffer the driver reports
    // incomplete prints its status on standard output and ends the program with status 0. Needs
    // the GL context.
    explicit ShadowMapRenderer(const std::string& dataDirectory);
    // Deletes both textures, both shaders, both frame buffers and both render buffers.
    ~ShadowMapRenderer();
    ShadowMapRenderer(const ShadowMapRenderer&) = delete;
    ShadowMapRenderer& operator=(const ShadowMapRenderer&) = delete;

    // Recomputes cameraProjection for a window of `width` x `height` pixels (the camera lens,
    // far plane farPlane, as the window's own projection). True when it changed.
    bool followWindow(float width, float height);

    // Aims the light camera for a light at `light` (x, y, z, w; w = 0 a direction towards the
    // light) at the point 200 units ahead of the player's camera (`eye` looking at `centre`). A
    // positional light, a zero direction or non-finite values keep the matrices of the last
    // directional light; before any, shadowBase is zero and every point counts as lit.
    void setLight(const float light[4], const float eye[3], const float centre[3]);
    // Takes the player camera's view matrix (column-major) and its inverse.
    void setCamera(const double view[16]);

    void beginShadowPass();
    void endShadowPass();
    void beginOutlinePass();
    void endOutlinePass();
    // Draws on the window cleared by the display step: loads the camera's projection and view
    // (pushed; the caller pops them), switches the materials' shaders on and publishes both maps
    // and the shadow texture matrix for the cartoon shaders.
    void beginFinalPass();

    int32_t shadowSize;          // 1024: width and height of the shadow map
    GLuint shadowTexture;        // colour texture of the shadow frame buffer (16-bit); owned
    CgDepth* depthShader;        // owned: the shader of the shadow pass
    GLuint shadowFramebuffer;    // owned
    GLuint shadowDepthBuffer;    // owned: its depth render buffer
    int32_t outlineSize;         // 512: width and height of the outline map
    GLuint outlineTexture;       // colour texture of the outline frame buffer; owned
    CgOutline* outlineShader;    // owned: the shader of the outline pass
    GLuint outlineFramebuffer;   // owned
    GLuint outlineDepthBuffer;   // owned: its depth render buffer
    float lightView[16];         // light camera view; identity before the first light
    float lightProjection[16];   // light camera orthographic projection; identity before
    double cameraView[16];       // the player camera's view
    double cameraProjection[16]; // projection of the outline and final passes
    float inverseCameraView[16]; // inverse of cameraView (single precision)
    float shadowBase[16];        // bias x lightProjection x lightView; zero before a light
    bool hasLight;               // a directional light has set the light matrices
    float projectionSize[2];     // the window size cameraProjection was made for
    double farPlane;             // far plane of cameraProjection: 350 (the preview's view
                                 // from above sets its own)
    double projectionFar;        // the far plane cameraProjection was made with

  private:
    // The passes draw off-screen and then hand drawing back to the frame buffer and draw buffer
    // that were current when they began (the window, or a picture's frame buffer).
    void saveTarget();
    void clearMap();      // colour (to zero) and depth of the bound map
    void restoreTarget(); // also pops the matrices and viewport a begin operation pushed
    GLuint previousFramebuffer;
    GLenum previousDrawBuffer;
    GLboolean previousBlend; // blending and the alpha test are off while a map is drawn
    GLboolean previousAlphaTest;
};

// The status check of a frame buffer just built: nothing when complete, otherwise the status name
// on standard output and exit status 0.
void checkFramebufferStatus();
// The message printed for a frame-buffer status (empty for GL_FRAMEBUFFER_COMPLETE_EXT).
const char* framebufferStatusMessage(GLenum status);
