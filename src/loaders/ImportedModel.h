// A COLLADA model as the importer process hands it over: plain arrays without GL objects, and the
// checked binary form it travels in between the importer process and the game.
//
// The binary form is little-endian: 32-bit counts and indices, 32-bit floats for geometry and
// colours, 64-bit floats for key times and values, strings as a count and their bytes. Decoding
// trusts nothing: every count is bounded by the bytes left, every index is checked against what it
// points into, every number must be finite, and the whole buffer must be used up.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct ImportedMaterial {
    std::string id; // COLLADA id (or Assimp's name for a material it made up)
    float diffuse[4] = {1, 1, 1, 1};
    float ambient[4] = {1, 1, 1, 1};
    float specular[4] = {1, 1, 1, 1};
    float shininess = 0;
    bool transparent = false;
    std::string texture; // the first diffuse texture as the file writes it, "" when none
};

struct ImportedMesh {
    std::string name;
    uint32_t material = 0; // index into ImportedModel::materials
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 3>> normals;   // as many as positions
    std::vector<std::array<float, 2>> texCoords; // as many as positions, t already flipped
    std::vector<uint32_t> indices;               // triangles; empty when the polygon set has none
};

struct ImportedVectorKey {
    double time; // seconds
    double value[3];
};

struct ImportedRotationKey {
    double time;     // seconds
    double value[4]; // unit quaternion w, x, y, z
};

// The usable keys of one animated node (finite values, non-zero rotations already normalised).
struct ImportedChannel {
    std::vector<ImportedVectorKey> translation;
    std::vector<ImportedRotationKey> rotation;
    std::vector<ImportedVectorKey> scale;
};

// Nodes come breadth first from the root of the visual scene: every node's parent comes before it.
struct ImportedNode {
    int32_t parent = -1;          // index of the parent node; -1 only for the root, node 0
    float local[16];              // column-major transform relative to the parent
    int32_t channel = -1;         // index into ImportedModel::channels, -1 when the node does not move
    std::vector<uint32_t> meshes; // indices into ImportedModel::meshes, in the node's order
};

struct ImportedModel {
    std::vector<ImportedMaterial> materials;
    std::vector<ImportedMesh> meshes;
    std::vector<ImportedChannel> channels;
    std::vector<ImportedNode> nodes; // at least the root
};

// Appends the binary form of `model` to `out`.
void encodeImportedModel(const ImportedModel& model, std::string& out);

// Reads `size` bytes at `data` into `model`. False, with the reason in `error`, when the bytes are
// not exactly one well-formed model.
bool decodeImportedModel(const char* data, size_t size, ImportedModel& model, std::string& error);
