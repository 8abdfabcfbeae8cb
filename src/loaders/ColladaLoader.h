// Turns one COLLADA file into a Model: a mesh per polygon set of its geometries, a material per
// COLLADA material, and the parts its visual scene places, with their key animations.
#pragma once

#include "loaders/ImportProcess.h"

#include <memory>
#include <string>

class Model;

// Imports the file `fileName` (a data path) in `directory`, which normally ends with a separator;
// one is put between them only when it does not, and an empty `directory` stands for the working
// directory. The file is read as COLLADA whatever its name ends with: the large arrow lives in
// "arrow.dae2".
//
// The file is checked for counts, strides and indices that disagree with its arrays, then read by
// Assimp in the "aerovant-import" process beside the program (see ImportProcess.h), never in the
// game: a file that crashes it, exhausts its memory or time, or makes it answer garbage fails like
// any other unreadable file.
//
// Always returns a new Model, owned by the caller (normally through the entities that count it).
// When the file is missing or is not valid COLLADA, "error occured while loading model <fileName>"
// and the reason go to standard error on two lines, and the model stays empty and not loaded.
//
// Every polygon set of a geometry becomes its own mesh and part with the material bound to it;
// polygons are triangulated, missing normals generated, vertices shared so that one index
// addresses position, normal and texture coordinate alike, and texture coordinates have t flipped
// (1 - t). Parts are placed by their node's world transform, walking the visual scene breadth
// first; the up axis and unit of the file are not applied. A part whose node, or a node above it,
// is animated gets an animation that replaces its transform while drawing: the KeyAnimation of its
// node's local transform (times in seconds) when only that node moves, directly below the visual
// scene; otherwise an AnimationChain of every node's keys or fixed transform on the way down, so
// that geometry in a child of a moving node (a pivot node) moves with it. Opacity follows the
// effect's transparency mode: A_ONE the transparent colour's alpha times the transparency, RGB_ZERO
// one minus the mean of its red, green and blue times the transparency (RGB_ONE the mean itself),
// taken from the document. A material's first diffuse texture is loaded relative to the model file.
Model* loadModel(const std::string& directory, const std::string& fileName);

// Imports models one after another through one import process, so that loading a level starts
// one process for all its models. loadModel is one ModelImporter's single load. Each import may
// take the import process's time limit; once the imports together have taken `budgetSeconds`
// (a whole bundled level takes about 30 ms), the remaining models are refused without being
// imported, so a level full of hostile models cannot stall the game for their sum.
class ModelImporter
{
  public:
    static constexpr double defaultBudgetSeconds = 10;
    ModelImporter();
    // Imports with the import program `helper` under `limits` (see ImportProcess).
    ModelImporter(std::string helper, ImportProcess::Limits limits, double budgetSeconds);
    ~ModelImporter(); // ends the import process
    ModelImporter(const ModelImporter&) = delete;
    ModelImporter& operator=(const ModelImporter&) = delete;

    // As loadModel.
    Model* load(const std::string& directory, const std::string& fileName);

    // Import processes started so far.
    unsigned processesStarted() const;

  private:
    std::unique_ptr<ImportProcess> process;
    std::string helper;
    ImportProcess::Limits limits;
    double budgetSeconds;
    double secondsSpent = 0; // wall-clock time of the imports so far
};
