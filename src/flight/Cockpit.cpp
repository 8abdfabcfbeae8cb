// Drawing the airplane: its model at the drawn pose and, in cockpit view, the instrument panel over
// the lower half of the screen.
#include "flight/Airplane.h"

#include "flight/PursuitCam.h"
#include "render/RenderSettings.h"
#include "render/ShadingState.h"
#include "render/TextureLoader.h"
#include "scene/Model.h"

#include <GL/glu.h>

namespace qorm
{
namespace scenegraph
{

namespace
{

// The panel image is the same for every airplane: read once per game, on the first drawing (when
// the GL context is sure to exist), and kept until the Game releases it. 0 when it could not be read.
GLuint sharedPanelTexture = 0;
bool panelLoadTried = false;

GLuint panelTextureFor(const std::string& path)
{
    if (!panelLoadTried) {
        panelLoadTried = true;
        GLint previous = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
        GLuint name = 0;
        loadTexture(path, name);
        if (name != 0) {
            // The quad's texture coordinates stop short of the border; clamping keeps the far side
            // of the image from bleeding into the edges.
            glBindTexture(GL_TEXTURE_2D, name);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            sharedPanelTexture = name;
        }
        glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    }
    return sharedPanelTexture;
}

} // namespace

void releasePanelTexture()
{
    if (sharedPanelTexture != 0)
        glDeleteTextures(1, &sharedPanelTexture);
    sharedPanelTexture = 0;
    panelLoadTried = false;
}

namespace
{

void drawPanel(GLuint texture)
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    disableShaderProfiles();
    glEnable(GL_TEXTURE_2D);
    const bool lighting = glIsEnabled(GL_LIGHTING);
    if (lighting)
        glDisable(GL_LIGHTING);
    if (RenderSettings::transparency) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_ALPHA_TEST);
        glDisable(GL_DEPTH_TEST);
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    if (RenderSettings::filterChanged) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(RenderSettings::minFilter));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(RenderSettings::magFilter));
    }
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0, 800, 600, 0);

    // The lower half of the fixed 800 x 600 overlay space, whatever the window size; texture rows
    // run from the picture's top, like the screen's here.
    glBegin(GL_QUADS);
    glTexCoord2d(0.01, 0.01);
    glVertex2d(0, 300);
    glTexCoord2d(0.99, 0.01);
    glVertex2d(800, 300);
    glTexCoord2d(0.99, 0.99);
    glVertex2d(800, 600);
    glTexCoord2d(0.01, 0.99);
    glVertex2d(0, 600);
    glEnd();

    glPopMatrix();
    if (RenderSettings::transparency) {
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        glEnable(GL_DEPTH_TEST);
    }
    if (lighting)
        glEnable(GL_LIGHTING);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

} // namespace

void drawAirplaneModel(Model* model, const double pose[16], double time)
{
    if (!model)
        return;
    glPushMatrix();
    glMultMatrixd(pose);
    model->draw(time);
    glPopMatrix();
}

void Cockpit::draw(const Airplane& airplane, const double pose[16], double time)
{
    panelTexture = panelTextureFor(airplane.panelPath);
    drawAirplaneModel(model, pose, time);
    if (!camera || camera->mode != PursuitCam::Cockpit)
        return;
    // Without its image the panel would be a blank slab over half the view; leave it out.
    if (panelTexture == 0)
        return;
    drawPanel(panelTexture);
}

} // namespace scenegraph
} // namespace qorm
