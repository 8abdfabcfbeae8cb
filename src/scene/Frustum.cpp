#include "scene/Frustum.h"

#include "scene/AxisAlignedBB.h"

#include <cmath>

void extractPlanes(const double clip[16], FrustumPlanes& out)
{
    // Row r of the column-major matrix is (clip[r], clip[4 + r], clip[8 + r], clip[12 + r]).
    // Left/right come from row 0, bottom/top from row 1, near/far from row 2, each against row 3.
    for (int i = 0; i < 6; ++i) {
        const int row = i / 2;
        const double sign = (i % 2 == 0) ? 1.0 : -1.0;
        double* p = out.plane[i];
        for (int c = 0; c < 4; ++c)
            p[c] = clip[4 * c + 3] + sign * clip[4 * c + row];
        const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        if (length > 0 && std::isfinite(length)) {
            for (int c = 0; c < 4; ++c)
                p[c] /= length;
        } else {
            p[0] = p[1] = p[2] = 0;
            p[3] = 1;
        }
    }
}

int classifyBox(const AxisAlignedBB& box, const FrustumPlanes& planes)
{
    float corners[8][3];
    for (int corner = 0; corner < 8; ++corner) {
        corners[corner][0] = (corner & 1) ? box.max[0] : box.min[0];
        corners[corner][1] = (corner & 2) ? box.max[1] : box.min[1];
        corners[corner][2] = (corner & 4) ? box.max[2] : box.min[2];
    }
    int fullyPassed = 0;
    for (int i = 0; i < 6; ++i) {
        const float a = float(planes[i][0]), b = float(planes[i][1]), c = float(planes[i][2]),
                    d = float(planes[i][3]);
        int inside = 0;
        for (const auto& p : corners) {
            if (a * p[0] + b * p[1] + c * p[2] + d >= 0)
                ++inside;
        }
        if (inside == 0)
            return FrustumOutside;
        if (inside == 8)
            ++fullyPassed;
    }
    return fullyPassed == 6 ? FrustumInside : FrustumIntersecting;
}

int classifyVolume(const BoundingObject* volume, const FrustumPlanes& planes)
{
    if (const auto* box = dynamic_cast<const AxisAlignedBB*>(volume))
        return classifyBox(*box, planes);
    return FrustumInside;
}
