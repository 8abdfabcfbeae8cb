// Back-to-front sorting of a transparent mesh, as drawSorted does it every frame: read the
// matrices, order the triangles by clip-space depth, refill the index buffer.
#include "scene/Mesh.h"
#include "support/BenchContext.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace
{

constexpr int triangleCount = 10000;

// Small triangles scattered through a 100-unit cube in front of the eye (random depths), or
// laid out on one plane facing the eye (every depth key equal).
std::unique_ptr<Mesh> makeTriangles(bool facingPlane)
{
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> spread(-50.0f, 50.0f);
    std::vector<std::array<float, 3>> positions;
    std::vector<uint32_t> indices;
    for (int i = 0; i < triangleCount; ++i) {
        const float x = facingPlane ? float(i % 100) - 50.0f : spread(random);
        const float y = facingPlane ? float(i / 100) - 50.0f : spread(random);
        const float z = facingPlane ? -100.0f : spread(random) - 100.0f;
        const uint32_t first = uint32_t(positions.size());
        positions.insert(positions.end(), {{x, y, z}, {x + 1.0f, y, z}, {x, y + 1.0f, z}});
        indices.insert(indices.end(), {first, first + 1, first + 2});
    }
    return std::make_unique<Mesh>(positions, std::vector<std::array<float, 3>>(positions.size(), {0, 0, 1}),
                                  std::vector<std::array<float, 2>>(positions.size(), {0, 0}), indices);
}

void sortTriangles(benchmark::State& state, bool facingPlane, bool turning)
{
    if (!ensureBenchContext()) {
        state.SkipWithError("no GL context (run under xvfb-run)");
        return;
    }
    std::unique_ptr<Mesh> mesh = makeTriangles(facingPlane);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 4.0 / 3.0, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    double angle = 0.0;
    for (auto _ : state) {
        if (turning) {
            // A new view every frame, so the order really changes between sorts.
            glLoadIdentity();
            glTranslatef(0.0f, 0.0f, -100.0f);
            glRotated(angle, 0.0, 1.0, 0.0);
            glTranslatef(0.0f, 0.0f, 100.0f);
            angle += 7.0;
        }
        mesh->sortTriangles();
        benchmark::DoNotOptimize(mesh->indices.data());
    }
    glFinish();
    state.SetItemsProcessed(state.iterations() * triangleCount);
}

} // namespace

BENCHMARK_CAPTURE(sortTriangles, scattered_fixedView, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sortTriangles, scattered_turningView, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sortTriangles, planeFacingTheEye, true, false)->Unit(benchmark::kMillisecond);
