// Building a terrain from its height map, as loading a level does: decode the 16-bit image, make
// the vertices, normals and quadtree-ordered indices, upload the mesh and load the terrain shader.
#include "scene/Terrain.h"

#include "platform/DataPath.h"
#include "support/BenchContext.h"
#include "support/TestImages.h"

#include <GL/glew.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{

// A folder holding the shader programs and rolling hills of every benchmarked size; removed at exit.
const std::string& benchDirectory()
{
    static const std::string directory = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "aerovant-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return std::string();
        const std::string path = pattern + "/";
        std::error_code error;
        std::filesystem::copy(platform::dataDirectory("") + "shader", path + "shader",
                              std::filesystem::copy_options::recursive, error);
        static struct Cleanup {
            std::string path;
            ~Cleanup() { std::filesystem::remove_all(path); }
        } cleanup{path};
        return path;
    }();
    return directory;
}

std::string heightMap(int n)
{
    const std::string name = "hills" + std::to_string(n) + ".png";
    if (!std::filesystem::exists(benchDirectory() + name)) {
        std::vector<uint16_t> samples(size_t(n) * size_t(n));
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
                samples[size_t(j) * size_t(n) + size_t(i)] =
                    uint16_t(32767 + 30000 * std::sin(i * 12.0 / n) * std::cos(j * 9.0 / n));
        testimages::writeGreyPng(benchDirectory() + name, n, n, samples);
    }
    return name;
}

void buildTerrain(benchmark::State& state)
{
    if (!ensureBenchContext() || benchDirectory().empty()) {
        state.SkipWithError("no GL context (run under xvfb-run) or no temporary folder");
        return;
    }
    const int n = int(state.range(0));
    const std::string file = heightMap(n);
    for (auto _ : state) {
        Terrain terrain(benchDirectory(), file, 1600, 140, 1600);
        if (!terrain.loaded) {
            state.SkipWithError("the terrain did not load");
            return;
        }
        benchmark::DoNotOptimize(terrain.indexCount);
    }
    state.counters["vertices"] = double(n) * n;
}

} // namespace

BENCHMARK(buildTerrain)->Arg(257)->Arg(513)->Arg(1025)->Unit(benchmark::kMillisecond);
