// Turns one COLLADA file into a Model: a mesh per polygon set of its geometries, a material per
// COLLADA material, and the parts its visual scene places, with their key animations.
#pragma once

#include <string>

class Model;

// Imports the file at `directory` + "\" + `fileName` (a data path; `directory` normally ends with a
// separator already, the doubled one is harmless). The file is read as COLLADA whatever its name
// ends with: the large arrow lives in "arrow.dae2".
//
// Always returns a new Model, owned by the caller (normally through the entities that count it).
// When the file is missing or is not valid COLLADA, "error occured while loading model <fileName>"
// and the reason go to standard error on two lines, and the model stays empty and not loaded.
//
// Every polygon set of a geometry becomes its own mesh and part with the material bound to it;
// polygons are triangulated, missing normals generated, vertices shared so that one index
// addresses position, normal and texture coordinate alike, and texture coordinates have t flipped
// (1 - t). Parts are placed by their node's world transform, walking the visual scene breadth
// first; the up axis and unit of the file are not applied. An animated node gives each of its parts
// a KeyAnimation of its local transform (times in seconds), which replaces the part's transform
// while drawing. A material's first diffuse texture is loaded relative to the model file.
Model* loadModel(const std::string& directory, const std::string& fileName);
