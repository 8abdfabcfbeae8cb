// The three-dimensional part of a race frame, shared by the game and the level preview tool so both
// draw a level the same way.
#pragma once

#include <functional>

class Scene;
class ShadowMapRenderer;
namespace qorm
{
namespace scenegraph
{
class PursuitCam;
}
} // namespace qorm

// What a race frame shows besides the scene, each drawn at its place in the frame with the camera's
// view loaded and the animation time in seconds. Any of them may be empty.
struct RaceActors {
    std::function<void(double)> airplane; // after the scene, before the see-through objects
    std::function<void(double)> ghosts;   // after the see-through objects
    std::function<void(double)> panel;    // last, over everything: the cockpit panel
};

// Draws `scene` (which may be null) from `camera` at animation time `time` (seconds): updates the
// camera, turns the sky box with it and culls against the frustum when culling is on.
//
// With `shadowMap` given, the cartoon switch on and a GL that runs the shaders, the cartoon path:
// a shadow pass from the scene's light (scene and airplane, culled against the light's box), an
// outline pass from the camera (scene, the airplane unless seen from the cockpit, ghosts) and the
// final pass with the cartoon shaders (scene, sky, transparent queue, ghosts, airplane, panel),
// with a projection that follows the window's size. Otherwise the fixed-function path: scene,
// airplane, sky, transparent queue farthest first, ghosts and panel.
//
// Both draw the sky last, at the far depth, where nothing else was drawn, and never cull it. Both
// leave lighting off, the model-view at identity and the polygon mode filled for the overlays that
// follow.
void renderRaceView(qorm::scenegraph::PursuitCam& camera, Scene* scene, double time,
                    const RaceActors& actors = RaceActors(), ShadowMapRenderer* shadowMap = nullptr);

// Whether renderRaceView takes the cartoon path with `shadowMap`.
bool cartoonPathActive(const ShadowMapRenderer* shadowMap);

// Blending with the source alpha, and the alpha test: how the game draws whatever may be
// see-through (enabled while the transparency switch is on).
void enableBlending();
