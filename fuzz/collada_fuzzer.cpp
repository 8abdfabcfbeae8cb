// COLLADA files through the game's importer path: the markup index and check in this process, then
// the import process beside the fuzzer (reused, replaced when it fails) and the decoding of its
// answer. Assimp's own crashes stay in the import process and count as refused files; anything
// that goes wrong in this process is a finding.
#include "loaders/ColladaLoaderMarkup.h"
#include "loaders/ImportProcess.h"
#include "loaders/ImportedModel.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string document(reinterpret_cast<const char*>(data), size);
    indexColladaMarkup(document);
    if (!checkColladaMarkup(document).empty())
        return 0;
    static ImportProcess process;
    ImportedModel model;
    std::string error;
    if (process.import(document, model, error) && model.nodes.empty())
        __builtin_trap(); // a decoded model always has its root
    return 0;
}
