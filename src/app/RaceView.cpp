#include "app/RaceView.h"

#include "flight/PursuitCam.h"
#include "render/RenderSettings.h"
#include "render/ShadingState.h"
#include "scene/Scene.h"
#include "scene/Skybox.h"
#include "scene/TransparentQueue.h"

#include <GL/glew.h>

namespace
{

void setClientArrays(bool enable)
{
    const GLenum arrays[] = {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY};
    for (GLenum array : arrays) {
        if (enable)
            glEnableClientState(array);
        else
            glDisableClientState(array);
    }
}

// The sky turns with the camera but never moves with it: it takes the view's rotation only.
void orientSkybox(Skybox* skybox, const double view[16])
{
    for (int i = 0; i < 16; ++i)
        skybox->rotation[i] = view[i];
    skybox->rotation[3] = skybox->rotation[7] = skybox->rotation[11] = 0.0;
    skybox->rotation[12] = skybox->rotation[13] = skybox->rotation[14] = 0.0;
    skybox->rotation[15] = 1.0;
}

} // namespace

void renderRaceView(qorm::scenegraph::PursuitCam& camera, Scene* scene, double time, const RaceActors& actors)
{
    camera.update();
    const FrustumPlanes* planes = RenderSettings::frustumCulling ? &camera.frustumPlanes : nullptr;

    if (scene && scene->skybox)
        orientSkybox(scene->skybox, camera.view);

    glEnable(GL_LIGHTING);
    RenderSettings::materialShaders = false;
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    disableShaderProfiles();

    const bool clientArrays = RenderSettings::geometryMode != 2;
    if (clientArrays)
        setClientArrays(true);

    glLoadMatrixd(camera.view);
    if (scene)
        renderNode(time, scene, planes);
    if (actors.airplane)
        actors.airplane(time);
    drawTransparentQueue();
    if (actors.ghosts)
        actors.ghosts(time);
    if (actors.panel)
        actors.panel(time);

    if (clientArrays)
        setClientArrays(false);

    if (RenderSettings::transparency)
        enableBlending();
    glLoadIdentity();
    disableShaderProfiles();
    if (RenderSettings::transparency)
        enableBlending();

    if (glIsEnabled(GL_LIGHTING))
        glDisable(GL_LIGHTING);
    if (RenderSettings::wireframe)
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void enableBlending()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
}
