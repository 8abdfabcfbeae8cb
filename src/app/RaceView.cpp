#include "app/RaceView.h"

#include "flight/PursuitCam.h"
#include "render/Globals.h"
#include "render/MatrixMath.h"
#include "render/RenderSettings.h"
#include "render/ShadingState.h"
#include "scene/Light.h"
#include "scene/Scene.h"
#include "scene/Skybox.h"
#include "scene/TransparentQueue.h"
#include "shading/ShadowMapRenderer.h"

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

// Draws the sky where nothing else was drawn: last among the opaque objects, every fragment at
// the far depth, so it costs only the pixels the scene leaves uncovered. The picture is the one
// the sky drawn first without depth writes gives.
void drawSkyLast(Skybox* skybox, double time)
{
    GLint depthFunction = GL_LESS;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
    glDepthFunc(GL_LEQUAL);
    glDepthRange(1.0, 1.0);
    skybox->render(time, nullptr);
    glDepthRange(0.0, 1.0);
    glDepthFunc(GLenum(depthFunction));
    // What follows (see-through objects, ghosts, the panel) finds texturing as the scene left it.
    if (!texturing)
        glDisable(GL_TEXTURE_2D);
}

// The scene without its sky box (drawn by drawSkyLast, never culled with the scene's box).
void renderSceneWithoutSky(Scene* scene, double time, const FrustumPlanes* planes)
{
    Skybox* skybox = scene->skybox;
    const bool skyVisible = skybox && skybox->visible;
    if (skybox)
        skybox->visible = false;
    renderNode(time, scene, planes);
    if (skybox)
        skybox->visible = skyVisible;
}

void drawSky(Scene* scene, double time)
{
    if (scene && scene->skybox && scene->skybox->visible)
        drawSkyLast(scene->skybox, time);
}

// The three passes of the cartoon path, with the camera already updated for the outline and final
// passes' projection.
void renderCartoonPasses(qorm::scenegraph::PursuitCam& camera, Scene* scene, double time,
                         const FrustumPlanes* planes, const RaceActors& actors, ShadowMapRenderer& shadowMap)
{
    if (scene && scene->light) {
        const float eye[3] = {float(camera.eye[0]), float(camera.eye[1]), float(camera.eye[2])};
        const float centre[3] = {float(camera.center[0]), float(camera.center[1]), float(camera.center[2])};
        shadowMap.setLight(scene->light->position, eye, centre);
    }
    shadowMap.setCamera(camera.view);

    const int32_t savedMode = camera.mode;
    camera.mode = qorm::scenegraph::PursuitCam::Pursuit;
    const bool savedTransparency = RenderSettings::transparency;
    RenderSettings::transparency = false;

    // Shadow pass. Whatever lies outside the light's box is clipped anyway, so culling against it
    // leaves the map as it is.
    shadowMap.beginShadowPass();
    if (shadowMap.hasLight) {
        float lightClip[16];
        multMatrix(shadowMap.lightProjection, shadowMap.lightView, lightClip);
        double clip[16];
        copyMatrix(lightClip, clip);
        FrustumPlanes lightPlanes;
        extractPlanes(clip, lightPlanes);
        const FrustumPlanes* shadowPlanes = RenderSettings::frustumCulling ? &lightPlanes : nullptr;
        if (scene && scene->visible)
            renderSceneWithoutSky(scene, time, shadowPlanes);
        if (actors.airplane)
            actors.airplane(time);
    }
    shadowMap.endShadowPass();
    camera.mode = savedMode;

    shadowMap.beginOutlinePass();
    if (scene)
        renderSceneWithoutSky(scene, time, planes);
    if (savedMode == qorm::scenegraph::PursuitCam::Pursuit && actors.airplane)
        actors.airplane(time);
    if (actors.ghosts)
        actors.ghosts(time);
    shadowMap.endOutlinePass();

    RenderSettings::transparency = savedTransparency;
    TransparentQueue::clear();

    shadowMap.beginFinalPass();
    if (scene)
        renderSceneWithoutSky(scene, time, planes);
    drawSky(scene, time);
    drawTransparentQueue();
    if (actors.ghosts)
        actors.ghosts(time);
    if (actors.airplane)
        actors.airplane(time);
    if (actors.panel)
        actors.panel(time);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

} // namespace

bool cartoonPathActive(const ShadowMapRenderer* shadowMap)
{
    return shadowMap && RenderSettings::cgShaders && shadersSupported();
}

void renderRaceView(qorm::scenegraph::PursuitCam& camera, Scene* scene, double time, const RaceActors& actors,
                    ShadowMapRenderer* shadowMap)
{
    const bool cartoon = cartoonPathActive(shadowMap);
    if (cartoon) {
        // The outline and final passes draw with a projection of the window's present size, and
        // the culling planes come from that same projection.
        if (shadowMap->followWindow(windowWidth, windowHeight))
            camera.dirty = true;
        camera.update(shadowMap->cameraProjection);
    } else {
        camera.update();
    }
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

    if (cartoon) {
        renderCartoonPasses(camera, scene, time, planes, actors, *shadowMap);
    } else {
        glLoadMatrixd(camera.view);
        if (scene)
            renderSceneWithoutSky(scene, time, planes);
        if (actors.airplane)
            actors.airplane(time);
        drawSky(scene, time);
        drawTransparentQueue();
        if (actors.ghosts)
            actors.ghosts(time);
        if (actors.panel)
            actors.panel(time);
    }

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
