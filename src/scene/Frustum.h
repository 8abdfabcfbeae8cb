// View-frustum planes and the classification of volumes against them.
#pragma once

class AxisAlignedBB;
class BoundingObject;

// Indices of the six planes, in the order they are stored.
enum FrustumPlaneIndex { PlaneLeft, PlaneRight, PlaneBottom, PlaneTop, PlaneNear, PlaneFar };

// Results of classifyBox and classifyVolume.
enum FrustumClass { FrustumOutside = 0, FrustumInside = 1, FrustumIntersecting = 2 };

// Six planes (a, b, c, d), normalised so that (a, b, c) has length 1. A point p lies on the inner
// side of a plane when a*p.x + b*p.y + c*p.z + d >= 0. Indexed like double[6][4].
struct FrustumPlanes {
    double plane[6][4];

    double* operator[](int i) { return plane[i]; }
    const double* operator[](int i) const { return plane[i]; }
};

// The planes of the clip matrix projection x view (column-major). A plane whose normal has no
// length (a degenerate matrix) becomes (0, 0, 0, 1), which every point passes.
void extractPlanes(const double clip[16], FrustumPlanes& out);

// FrustumOutside when every corner of the box is outside one plane, FrustumInside when every corner
// is inside all six, FrustumIntersecting otherwise. `empty` is not consulted.
int classifyBox(const AxisAlignedBB& box, const FrustumPlanes& planes);

// classifyBox for a box; FrustumInside (never culled) for any other kind of volume.
int classifyVolume(const BoundingObject* volume, const FrustumPlanes& planes);
