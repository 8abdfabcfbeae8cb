// The game's one camera: either in the cockpit looking along the nose, or behind the airplane at
// its height.
#pragma once

#include "flight/Camera.h"

#include <cstdint>

namespace qorm
{
namespace scenegraph
{

class PursuitCam : public Camera
{
  public:
    enum { Cockpit = 0, Pursuit = 1 };

    explicit PursuitCam(int32_t mode = Pursuit);

    // Places the camera for the airplane's pose (world position, up and nose directions) and
    // updates it. In pursuit mode the eye sits `distance` world units behind the airplane
    // horizontally, at its height. A nose pointing straight up or down has no horizontal
    // direction; the camera then keeps the heading it last had. Any other mode value leaves the
    // camera where it is. The direction vectors are normalised in place.
    void follow(double position[3], double upDir[3], double noseDir[3], double distance);

    // What follow does before it updates: moves eye, centre and up and marks the view dirty.
    void place(double position[3], double upDir[3], double noseDir[3], double distance);

    int32_t mode; // 0 cockpit view, 1 pursuit view; written directly by the game

  private:
    double heading[3]; // last horizontal nose direction seen in pursuit mode (unit, y = 0)
};

} // namespace scenegraph
} // namespace qorm
