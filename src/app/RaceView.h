// The three-dimensional part of a race frame, shared by the game and the level preview tool so both
// draw a level the same way.
#pragma once

class Scene;
namespace qorm
{
namespace scenegraph
{
class PursuitCam;
}
} // namespace qorm

// Draws `scene` (which may be null) from `camera` at animation time `time` (seconds) with the
// fixed-function path: updates the camera, turns the sky box with it, lights, culls against the
// frustum when culling is on, draws the transparent queue farthest first, and leaves lighting off,
// the model-view at identity and the polygon mode filled for the overlays that follow.
void renderRaceView(qorm::scenegraph::PursuitCam& camera, Scene* scene, double time);

// Blending with the source alpha, and the alpha test: how the game draws whatever may be
// see-through (enabled while the transparency switch is on).
void enableBlending();
