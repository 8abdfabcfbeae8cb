#include "shading/ShadowMapRenderer.h"

#include "platform/MatrixInverse.h"
#include "render/CameraLens.h"
#include "render/Globals.h"
#include "render/MatrixMath.h"
#include "render/RenderSettings.h"
#include "render/ShadingState.h"
#include "shading/CgDepth.h"
#include "shading/CgOutline.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace
{

// Light camera: it looks at the point `focusDistance` ahead of the player's camera from
// `lightDistance` towards the light, through a box `lightHalfWidth` to each side.
constexpr float focusDistance = 200.0f;
constexpr float lightDistance = 40.0f;
constexpr float lightHalfWidth = 200.0f;
constexpr float lightNear = -100.0f;
constexpr float lightFarBeyondFocus = 400.0f; // far plane = focus height + lightDistance + this

// Clip coordinates -1..1 to texture coordinates 0..1.
const float biasMatrix[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0.5f, 0.5f, 0.5f, 1};

bool finite3(const float v[3])
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

float length3(const float v[3])
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// gluLookAt in single precision.
void lookAt(const float eye[3], const float centre[3], const float up[3], float out[16])
{
    float f[3] = {centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]};
    const float fl = length3(f);
    for (float& c : f)
        c /= fl;
    float s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    const float sl = length3(s);
    for (float& c : s)
        c /= sl;
    const float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    loadIdentity(out);
    for (int i = 0; i < 3; ++i) {
        out[i * 4 + 0] = s[i];
        out[i * 4 + 1] = u[i];
        out[i * 4 + 2] = -f[i];
    }
    out[12] = -(s[0] * eye[0] + s[1] * eye[1] + s[2] * eye[2]);
    out[13] = -(u[0] * eye[0] + u[1] * eye[1] + u[2] * eye[2]);
    out[14] = f[0] * eye[0] + f[1] * eye[1] + f[2] * eye[2];
}

// glOrtho.
void ortho(float left, float right, float bottom, float top, float nearPlane, float farPlane, float out[16])
{
    std::fill(out, out + 16, 0.0f);
    out[0] = 2.0f / (right - left);
    out[5] = 2.0f / (top - bottom);
    out[10] = -2.0f / (farPlane - nearPlane);
    out[12] = -(right + left) / (right - left);
    out[13] = -(top + bottom) / (top - bottom);
    out[14] = -(farPlane + nearPlane) / (farPlane - nearPlane);
    out[15] = 1.0f;
}

// Creates a zero-filled colour texture of `size` x `size`: the first frame must not read whatever
// the driver's fresh memory holds.
GLuint createMapTexture(int size, GLenum internalFormat, GLenum type, GLenum filter)
{
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const size_t bytes = size_t(size) * size_t(size) * 4 * (type == GL_UNSIGNED_SHORT ? 2 : 1);
    const std::vector<unsigned char> zeros(bytes, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(internalFormat), size, size, 0, GL_RGBA, type, zeros.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(filter));
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    return texture;
}

// Builds a frame buffer of `size` x `size` with a depth render buffer and `texture` as its colour
// target, which is also its draw buffer from the start (the passes clear it before drawing). The
// frame and render buffers bound before are bound again afterwards.
void buildFramebuffer(int size, GLuint texture, GLuint& framebuffer, GLuint& depthBuffer)
{
    GLint previousFramebuffer = 0, previousRenderbuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previousFramebuffer);
    glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &previousRenderbuffer);
    glGenFramebuffersEXT(1, &framebuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glGenRenderbuffersEXT(1, &depthBuffer);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depthBuffer);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, size, size);
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                 depthBuffer);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glReadBuffer(GL_NONE);
    checkFramebufferStatus();
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, GLuint(previousRenderbuffer));
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(previousFramebuffer));
}

} // namespace

const char* framebufferStatusMessage(GLenum status)
{
    switch (status) {
    case GL_FRAMEBUFFER_COMPLETE_EXT:
        return "";
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT:
        return "FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT\n";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT:
        return "FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT\n";
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT:
        return "FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT\n";
    case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT:
        return "FRAMEBUFFER_INCOMPLETE_FORMATS_EXT\n";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT:
        return "FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT\n";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT:
        return "FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT\n";
    case GL_FRAMEBUFFER_UNSUPPORTED_EXT:
        return "GL_FRAMEBUFFER_UNSUPPORTED_EXT\n";
    default:
        return "error with framebuffer\n";
    }
}

void checkFramebufferStatus()
{
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    if (status == GL_FRAMEBUFFER_COMPLETE_EXT)
        return;
    printShaderMessage(framebufferStatusMessage(status));
    std::exit(0);
}

ShadowMapRenderer::ShadowMapRenderer(const std::string& dataDirectory)
    : shadowSize(1024), shadowTexture(0), depthShader(nullptr), shadowFramebuffer(0), shadowDepthBuffer(0),
      outlineSize(512), outlineTexture(0), outlineShader(nullptr), outlineFramebuffer(0),
      outlineDepthBuffer(0), lightView{}, lightProjection{}, cameraView{}, cameraProjection{},
      inverseCameraView{}, shadowBase{}, hasLight(false), projectionSize{0, 0},
      farPlane(cameraLens::farPlane), projectionFar(0.0), previousFramebuffer(0), previousDrawBuffer(GL_BACK),
      previousBlend(GL_FALSE), previousAlphaTest(GL_FALSE)
{
    outlineShader = new CgOutline(dataDirectory);
    depthShader = new CgDepth(dataDirectory);
    loadIdentity(lightView);
    loadIdentity(lightProjection);
    loadIdentity(cameraView);
    loadIdentity(inverseCameraView);

    // Depth in 16-bit fixed point: the same step (1/65535 of the light box, about a hundredth of
    // a unit) everywhere in the box. Half floats lose precision towards the far end, where a
    // stored depth could be off by a third of a unit and the ground shadowed itself in stripes.
    shadowTexture = createMapTexture(shadowSize, GL_RGBA16, GL_UNSIGNED_SHORT, GL_NEAREST);
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    glBindTexture(GL_TEXTURE_2D, shadowTexture);
    // Beyond the map everything is lit: the border is "nothing here".
    const float border[4] = {1, 1, 1, 1};
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    buildFramebuffer(shadowSize, shadowTexture, shadowFramebuffer, shadowDepthBuffer);

    outlineTexture = createMapTexture(outlineSize, GL_RGBA, GL_UNSIGNED_BYTE, GL_LINEAR);
    buildFramebuffer(outlineSize, outlineTexture, outlineFramebuffer, outlineDepthBuffer);

    followWindow(windowWidth, windowHeight);
}

ShadowMapRenderer::~ShadowMapRenderer()
{
    glDeleteTextures(1, &shadowTexture);
    glDeleteTextures(1, &outlineTexture);
    delete outlineShader;
    delete depthShader;
    glDeleteFramebuffersEXT(1, &shadowFramebuffer);
    glDeleteFramebuffersEXT(1, &outlineFramebuffer);
    glDeleteRenderbuffersEXT(1, &shadowDepthBuffer);
    glDeleteRenderbuffersEXT(1, &outlineDepthBuffer);
    // The shaders read the maps by name until the next final pass; names may be reused.
    if (shadowMapTexture == shadowTexture)
        shadowMapTexture = 0;
    if (outlineMapTexture == outlineTexture)
        outlineMapTexture = 0;
}

bool ShadowMapRenderer::followWindow(float width, float height)
{
    width = std::max(width, 1.0f);
    height = std::max(height, 1.0f);
    if (width == projectionSize[0] && height == projectionSize[1] && farPlane == projectionFar)
        return false;
    projectionSize[0] = width;
    projectionSize[1] = height;
    projectionFar = farPlane;
    // gluPerspective with the camera lens and this far plane, as the window's projection.
    const double nearPlane = cameraLens::nearPlane;
    const double f = 1.0 / std::tan(cameraLens::fieldOfView * 0.5 * M_PI / 180.0);
    std::fill(cameraProjection, cameraProjection + 16, 0.0);
    cameraProjection[0] = f / (double(width) / double(height));
    cameraProjection[5] = f;
    cameraProjection[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
    cameraProjection[11] = -1.0;
    cameraProjection[14] = 2.0 * farPlane * nearPlane / (nearPlane - farPlane);
    return true;
}

void ShadowMapRenderer::setLight(const float light[4], const float eye[3], const float centre[3])
{
    if (light[3] != 0.0f || !finite3(light) || !finite3(eye) || !finite3(centre))
        return;
    const float lightLength = length3(light);
    if (!(lightLength > 0.0f))
        return;
    const float d[3] = {light[0] / lightLength * lightDistance, light[1] / lightLength * lightDistance,
                        light[2] / lightLength * lightDistance};
    float v[3] = {centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]};
    const float viewLength = length3(v);
    for (float& c : v)
        c = viewLength > 0.0f ? c / viewLength * focusDistance : 0.0f;
    const float focus[3] = {eye[0] + v[0], eye[1] + v[1], eye[2] + v[2]};
    const float from[3] = {focus[0] + d[0], focus[1] + d[1], focus[2] + d[2]};
    // Straight overhead the usual up vector lies along the view: take the z axis instead.
    const bool overhead = std::fabs(light[1]) / lightLength > 0.999f;
    const float up[3] = {0.0f, overhead ? 0.0f : 1.0f, overhead ? 1.0f : 0.0f};
    lookAt(from, focus, up, lightView);
    const float farPlane = std::max(focus[1] + lightDistance + lightFarBeyondFocus, lightNear + 1.0f);
    ortho(-lightHalfWidth, lightHalfWidth, -lightHalfWidth, lightHalfWidth, lightNear, farPlane,
          lightProjection);
    hasLight = true;

    float lightClip[16];
    multMatrix(lightProjection, lightView, lightClip);
    multMatrix(biasMatrix, lightClip, shadowBase);
}

void ShadowMapRenderer::setCamera(const double view[16])
{
    copyMatrix(view, cameraView);
    double inverse[16];
    platform::invertMatrix(view, inverse);
    copyMatrix(inverse, inverseCameraView);
}

void ShadowMapRenderer::clearMap()
{
    // Zero (alpha 0) is "nothing drawn here" to the programs that read the maps, whatever colour
    // the window is cleared with.
    GLfloat clearColour[4] = {0, 0, 0, 0};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
}

void ShadowMapRenderer::saveTarget()
{
    // The maps hold values, not colours: a frame that left blending or the alpha test on for its
    // overlays must not blend them (the outline map's alpha is a depth).
    previousBlend = glIsEnabled(GL_BLEND);
    previousAlphaTest = glIsEnabled(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    GLint framebuffer = 0;
    GLint drawBuffer = GL_BACK;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    previousFramebuffer = GLuint(framebuffer);
    previousDrawBuffer = GLenum(drawBuffer);
}

void ShadowMapRenderer::restoreTarget()
{
    // What the begin operation pushed: projection, viewport, model-view, and the pass's shader.
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    RenderSettings::overrideShader = nullptr;
    if (previousBlend)
        glEnable(GL_BLEND);
    if (previousAlphaTest)
        glEnable(GL_ALPHA_TEST);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, previousFramebuffer);
    glDrawBuffer(previousDrawBuffer);
}

void ShadowMapRenderer::beginShadowPass()
{
    saveTarget();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, shadowFramebuffer);
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    clearMap();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixf(lightProjection);
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(0, 0, shadowSize, shadowSize);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(lightView);
    // Back faces go into the map: a face turned to the light never finds itself in it.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    RenderSettings::overrideShader = depthShader;
}

void ShadowMapRenderer::endShadowPass()
{
    glCullFace(GL_BACK);
    glDisable(GL_CULL_FACE);
    restoreTarget();
}

void ShadowMapRenderer::beginOutlinePass()
{
    saveTarget();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, outlineFramebuffer);
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    clearMap();
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixd(cameraProjection);
    glPushAttrib(GL_VIEWPORT_BIT);
    glViewport(0, 0, outlineSize, outlineSize);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixd(cameraView);
    RenderSettings::overrideShader = outlineShader;
}

void ShadowMapRenderer::endOutlinePass()
{
    restoreTarget();
}

void ShadowMapRenderer::beginFinalPass()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixd(cameraProjection);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixd(cameraView);
    RenderSettings::materialShaders = true;
    glDisable(GL_LIGHTING);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);
    multMatrix(shadowBase, inverseCameraView, shadowTextureMatrix);
    shadowMapTexture = shadowTexture;
    outlineMapTexture = outlineTexture;
}
