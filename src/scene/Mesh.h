// An indexed triangle list: one interleaved client-side vertex array plus an index array, mirrored
// into two buffer objects and optionally recorded into a display list. It is drawn in the geometry
// mode that RenderSettings::geometryMode selects each frame.
#pragma once

#include "scene/AxisAlignedBB.h"
#include "scene/BoundingSphere.h"
#include "scene/Vertex.h"

#include <GL/glew.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <unordered_map>
#include <vector>

class Mesh
{
  public:
    // The vertex count is the smallest of the three attribute counts. Triangles that name a vertex
    // beyond it, and a trailing incomplete triangle, are left out with one line on standard error.
    // Needs the GL context: the buffers are created and filled here (see upload).
    Mesh(std::vector<std::array<float, 3>> positions, std::vector<std::array<float, 3>> normals,
         std::vector<std::array<float, 2>> texCoords, std::vector<uint32_t> indices);
    // Deletes the two buffer objects and the display list this mesh created.
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Fills the buffer objects from the arrays (creating them on first use) and recomputes
    // `bounds` and `sphere`. Leaves both buffers bound.
    void upload();

    // Draws the triangles in the current geometry mode: 0 buffer objects, 1 vertex arrays, any
    // other value immediate mode. A valid display list is replayed instead of the arrays.
    void draw();
    void drawBuffers();   // leaves both buffers bound; without a vertex buffer: a message, no draw
    void drawArrays();    // binds buffer 0 to both targets first, so pointers are never offsets
    void drawImmediate(); // glBegin/glEnd, one vertex per index

    // Records the current geometry mode's draw into a fresh display list.
    void compile();
    // Deletes the display list; drawing goes back to the arrays.
    void release();

    // Replaces the triangle list (invalid triangles are left out as in the constructor); in buffer
    // mode also refills the index buffer.
    void setIndices(std::vector<uint32_t> list);

    // Reorders the triangles back to front (largest clip-space depth first) for the current
    // modelview and projection matrices and refills the index buffer, in every geometry mode.
    // Triangles at equal depth keep their relative order, so sorting again for the same view
    // changes nothing.
    void sortTriangles();

    std::vector<Vertex> vertices;  // interleaved vertex data
    std::vector<uint32_t> indices; // three per triangle, each below vertices.size()
    GLuint vertexBuffer;           // GL_ARRAY_BUFFER name, 0 = none; owned
    GLuint indexBuffer;            // GL_ELEMENT_ARRAY_BUFFER name, 0 = none; owned
    AxisAlignedBB bounds;          // model space, over all vertex positions; empty without vertices
    BoundingSphere sphere;         // centre of `bounds`, radius to the farthest vertex position
    GLuint displayList;            // 0 = none; owned
    bool listValid;                // displayList holds a recording of the current geometry

  private:
    void keepValidTriangles();
    void uploadIndices();
};

// Hands out unique float sort keys. A key that is already taken moves to the nearest free float
// above it (below it, once the taken keys reach +infinity); a NaN key counts as +infinity. Stepping
// by one representable float, rather than by a fixed amount, works at any magnitude and changes a
// key as little as possible. Each taken key remembers where the run of taken keys above it ended,
// so thousands of equal keys (a flat surface facing the eye) cost no more than distinct ones.
class UniqueSortKeys
{
  public:
    explicit UniqueSortKeys(size_t expectedKeys = 0) { above.reserve(expectedKeys); }

    float take(float key);

  private:
    bool taken(float key) const { return above.count(key) != 0; }

    std::unordered_map<float, float> above; // every taken key -> a float above it, free when last seen
};

// Stores `value` in `map` under `key`, or, when that key is taken, under the key UniqueSortKeys
// would hand out: the nearest free float above it (below it, once the taken keys reach
// +infinity); NaN counts as +infinity. Walks the run of taken keys, so it suits maps of a few
// dozen entries (the parts of a model, the transparent entities of a frame). Returns the key used.
template <class T> float insertWithUniqueKey(std::map<float, T>& map, float key, const T& value)
{
    constexpr float infinity = std::numeric_limits<float>::infinity();
    if (std::isnan(key))
        key = infinity;
    auto next = map.lower_bound(key);
    float free = key;
    // Consecutive floats have nothing in between, so a run of taken keys is a run of neighbours.
    while (next != map.end() && next->first == free && free < infinity) {
        free = std::nextafter(free, infinity);
        ++next;
    }
    if (next == map.end() || next->first != free) {
        map.emplace_hint(next, free, value);
        return free;
    }
    free = key;
    do
        free = std::nextafter(free, -infinity);
    while (map.count(free) != 0);
    map.emplace(free, value);
    return free;
}
