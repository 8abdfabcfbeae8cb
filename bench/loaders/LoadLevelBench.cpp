// Loading each bundled level, as choosing a track does: parse the scene file, build the terrain
// from its height map, load the textures, import every model once and place the nodes.
#include "app/Globals.h"
#include "app/LevelCatalogue.h"
#include "app/LevelEntry.h"
#include "loaders/SceneXMLHandler.h"
#include "platform/DataPath.h"
#include "scene/Group.h"
#include "scene/Scene.h"

#include <GL/glew.h>

#include <GL/freeglut.h>
#include <IL/il.h>
#include <IL/ilu.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace
{

// A hidden window gives the GL context; made once for the whole benchmark run.
bool levelContext()
{
    static const bool ready = [] {
        if (glutGet(GLUT_INIT_STATE) == 0) {
            int argc = 1;
            char name[] = "aerovant_bench";
            char* argv[] = {name, nullptr};
            glutInit(&argc, argv);
        }
        if (glutGetWindow() == 0) {
            glutInitDisplayMode(GLUT_RGBA | GLUT_DEPTH);
            glutInitWindowSize(64, 64);
            glutCreateWindow("aerovant bench");
            glutHideWindow();
        }
        if (glewInit() != GLEW_OK)
            return false;
        ilInit();
        iluInit();
        return true;
    }();
    return ready;
}

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
    if (!std::getenv("DISPLAY") || !levelContext()) {
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
