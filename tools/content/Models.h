// Every COLLADA model of the game and the small textures they use. The airplane is about one unit
// long with its nose along +Z; scenery is built at the size it is placed at (1 unit is about seven
// metres), standing on its origin.
#pragma once

#include "Collada.h"

#include <string>
#include <vector>

namespace content
{

struct ModelFile {
    std::string name; // file name below models/, as scene files name it after "models\"
    ColladaDocument document;
};

// Sizes that the level layout relies on.
namespace pylon
{
constexpr double halfWidth = 0.6; // across the gate (local x), at the foot
constexpr double halfDepth = 2.2; // along the flight direction (local z): deeper than a frame's flight
constexpr double height = 12.0;   // above the gate's foot
constexpr double buried = 3.0;    // reaches this far below the foot, so sloping ground never shows a gap
constexpr double gateHalfDistance = 6.0; // distance of each pylon from the gate centre
} // namespace pylon

std::vector<ModelFile> buildModels();

// Writes the models and their textures below `folder` (the data folder's models/).
void writeModels(const std::string& folder);

} // namespace content
