// Loading each bundled level, as choosing a track does: parse the scene file, build the terrain
// from its height map, load the textures, import every model once and place the nodes.
#include "render/Globals.h"
#include "app/LevelCatalogue.h"
#include "app/LevelEntry.h"
#include "loaders/SceneXMLHandler.h"
#include "platform/DataPath.h"
#include "scene/Group.h"
#include "scene/Scene.h"
#include "support/BenchContext.h"

#include <GL/glew.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace
{

size_t countNodes(const Group& group)
{
    size_t count = 0;
    for (const Node* child : group.children) {
        if (!child)
            continue;
        ++count;
        if (const auto* inner = dynamic_cast<const Group*>(child))
            count += countNodes(*inner);
    }
    return count;
}

void loadLevel(benchmark::State& state, const std::string& path)
{
    if (!std::getenv("DISPLAY") || !ensureBenchContext()) {
        state.SkipWithError("no GL context (run under xvfb-run)");
        return;
    }
    baseDirectory = platform::dataDirectory("");
    size_t nodes = 0;
    size_t gates = 0;
    for (auto _ : state) {
        std::unique_ptr<Scene> scene(loadSceneFile(path + ".xml"));
        nodes = countNodes(*scene);
        gates = scene->gates ? scene->gates->childCount : 0;
    }
    state.counters["nodes"] = double(nodes);
    state.counters["gates"] = double(gates);
}

// One benchmark per level of the catalogue, named after its path.
const bool registered = [] {
    for (LevelEntry* entry : loadLevelCatalogue(platform::dataDirectory(""))) {
        const std::string path = entry->path;
        const std::string name = "loadLevel/" + path.substr(path.find_last_of("\\/") + 1);
        benchmark::RegisterBenchmark(name.c_str(), [path](benchmark::State& state) {
            loadLevel(state, path);
        })->Unit(benchmark::kMillisecond);
        delete entry;
    }
    return true;
}();

} // namespace
