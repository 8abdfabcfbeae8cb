// Importing the airplane model, as the game does once at start-up (and the scene loader does for
// every other model of a level): read the COLLADA file, triangulate, share vertices, upload the
// meshes and load the texture.
#include "loaders/ColladaLoader.h"

#include "platform/DataPath.h"
#include "scene/Model.h"
#include "support/BenchContext.h"

#include <GL/glew.h>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

void importAirplane(benchmark::State& state)
{
    if (!ensureBenchContext()) {
        state.SkipWithError("no GL context (run under xvfb-run)");
        return;
    }
    const std::string directory = platform::dataDirectory("");
    size_t parts = 0;
    for (auto _ : state) {
        std::unique_ptr<Model> model(loadModel(directory, "models\\airplane.dae"));
        if (!model->loaded) {
            state.SkipWithError("models/airplane.dae did not load");
            return;
        }
        parts = model->parts.size();
        benchmark::DoNotOptimize(model->bounds);
    }
    state.counters["parts"] = double(parts);
}

} // namespace

BENCHMARK(importAirplane)->Unit(benchmark::kMillisecond);
