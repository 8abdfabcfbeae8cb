// Frustum classification of boxes against the planes of a typical game camera.
#include "flight/Camera.h"
#include "scene/AxisAlignedBB.h"
#include "scene/Frustum.h"

#include "support/PerspectiveMatrix.h"

#include <benchmark/benchmark.h>

namespace
{

FrustumPlanes gameCameraPlanes()
{
    qorm::scenegraph::Camera camera;
    camera.eye[0] = 0;
    camera.eye[1] = 10;
    camera.eye[2] = 0;
    camera.center[0] = 0;
    camera.center[1] = 10;
    camera.center[2] = -1;
    double projection[16];
    testsupport::perspectiveMatrix(45, 4.0 / 3.0, 1, 2000, projection);
    camera.update(projection);
    return camera.frustumPlanes;
}

AxisAlignedBB boxAt(float x, float y, float z, float h)
{
    const float lo[3] = {x - h, y - h, z - h}, hi[3] = {x + h, y + h, z + h};
    return AxisAlignedBB(lo, hi);
}

// range(0): 0 a box in plain view, 1 a box behind the camera (rejected by the near plane),
// 2 a box across the left edge of the view.
void BM_classifyBox(benchmark::State& state)
{
    const FrustumPlanes planes = gameCameraPlanes();
    const AxisAlignedBB boxes[3] = {boxAt(0, 10, -100, 5), boxAt(0, 10, 100, 5), boxAt(-40, 10, -100, 5)};
    const AxisAlignedBB& box = boxes[state.range(0)];
    for (auto _ : state) {
        benchmark::DoNotOptimize(classifyBox(box, planes));
    }
}
BENCHMARK(BM_classifyBox)->Arg(0)->Arg(1)->Arg(2);

} // namespace
