// Something the game draws every frame: the airplane (and through it the cockpit panel).
#pragma once

namespace qorm
{
namespace scenegraph
{

class GameObject
{
  public:
    virtual ~GameObject() = default;

    // Draws the object under the current modelview. `time` is the animation time in seconds that
    // the caller hands to every drawable of the frame.
    virtual void render(double time) = 0;
};

} // namespace scenegraph
} // namespace qorm
