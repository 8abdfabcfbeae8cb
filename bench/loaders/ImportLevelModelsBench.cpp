// What importing a level's models costs in the import process, against Assimp in the measuring
// process itself: every distinct model a level's scene file names (objects, gate, both arrows),
//   importLevelModels/LEVEL/isolated   one ModelImporter, so one import process, builds all Models
//   importLevelModels/LEVEL/inProcess  Assimp reads the same documents here (no Models built)
//   importProcessStart                 starting an import process and importing nothing
// The difference of the first two is the isolation's cost less the building of the Models.
#include "app/LevelCatalogue.h"
#include "app/LevelEntry.h"
#include "loaders/ColladaImport.h"
#include "loaders/ColladaLoader.h"
#include "loaders/ImportProcess.h"
#include "platform/DataPath.h"
#include "scene/Model.h"
#include "support/BenchContext.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iostream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace
{

std::string readFile(const std::string& path)
{
    std::ifstream in(platform::nativePath(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The model files a level's scene file names, as data paths.
std::set<std::string> levelModels(const std::string& levelPath)
{
    const std::string scene = readFile(platform::dataDirectory("") + levelPath + ".xml");
    std::set<std::string> models;
    const std::regex attribute(R"((model|arrow)="([^"]+)\")");
    for (std::sregex_iterator at(scene.begin(), scene.end(), attribute), end; at != end; ++at) {
        models.insert((*at)[2]);
        if ((*at)[1] == "arrow")
            models.insert((*at)[2].str() + "2");
    }
    return models;
}

void isolated(benchmark::State& state, const std::set<std::string>& models)
{
    if (!std::getenv("DISPLAY") || !ensureBenchContext()) {
        state.SkipWithError("no GL context (run under xvfb-run)");
        return;
    }
    const std::string data = platform::dataDirectory("");
    for (auto _ : state) {
        ModelImporter importer;
        for (const std::string& file : models) {
            std::unique_ptr<Model> model(importer.load(data, file));
            if (!model->loaded)
                state.SkipWithError(("cannot load " + file).c_str());
        }
    }
    state.counters["models"] = double(models.size());
}

void inProcess(benchmark::State& state, const std::set<std::string>& models)
{
    const std::string data = platform::dataDirectory("");
    for (auto _ : state) {
        for (const std::string& file : models) {
            ImportedModel model;
            std::string error;
            if (!importColladaDocument(readFile(data + file), model, error))
                state.SkipWithError(("cannot import " + file).c_str());
        }
    }
}

void processStart(benchmark::State& state)
{
    for (auto _ : state) {
        ImportProcess process;
        ImportedModel model;
        std::string error;
        // Nothing Assimp can read: the answer comes as soon as the process is up.
        process.import("", model, error);
    }
}

const bool registered = [] {
    for (LevelEntry* entry : loadLevelCatalogue(platform::dataDirectory(""))) {
        const std::string path = entry->path;
        const std::string name = "importLevelModels/" + path.substr(path.find_last_of("\\/") + 1);
        const std::set<std::string> models = levelModels(path);
        benchmark::RegisterBenchmark((name + "/isolated").c_str(), [models](benchmark::State& state) {
            isolated(state, models);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/inProcess").c_str(), [models](benchmark::State& state) {
            inProcess(state, models);
        })->Unit(benchmark::kMillisecond);
        delete entry;
    }
    benchmark::RegisterBenchmark("importProcessStart", processStart)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
