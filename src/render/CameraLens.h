// The player camera's perspective, shared by the window's projection, the cartoon passes and the
// level preview.
#pragma once

namespace cameraLens
{

constexpr double fieldOfView = 45.0; // degrees, vertical
// The pursuit camera rides 2 units behind the airplane and about 0.2 above the runway: with the
// near plane at 1 the ground closer than one unit was cut away and the lower third of the picture
// showed the sky box through it. At 0.2 the depth buffer still separates surfaces 0.03 units
// apart at the far plane.
constexpr double nearPlane = 0.2;
constexpr double farPlane = 350.0;

} // namespace cameraLens
