// The three-dimensional part of a race frame, shared by the game and the level preview tool so both
// draw a level the same way.
#pragma once

#include <functional>

class Scene;
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

// Draws `scene` (which may be null) from `camera` at animation time `time` (seconds) with the
// fixed-function path: updates the camera, turns the sky box with it, lights, culls against the
// frustum when culling is on, draws the airplane, the transparent queue farthest first, the ghosts
// and the panel, and leaves lighting off, the model-view at identity and the polygon mode filled
// for the overlays that follow.
void renderRaceView(qorm::scenegraph::PursuitCam& camera, Scene* scene, double time,
                    const RaceActors& actors = RaceActors());

// Blending with the source alpha, and the alpha test: how the game draws whatever may be
// see-through (enabled while the transparency switch is on).
void enableBlending();
