// An indexed triangle list: one interleaved client-side vertex array plus an index array, mirrored
// into two buffer objects and optionally recorded into a display list. It is drawn in the geometry
// mode that RenderSettings::geometryMode selects each frame.
#pragma once

#include "scene/AxisAlignedBB.h"
#include "scene/BoundingSphere.h"
#include "scene/DepthOrder.h"
#include "scene/Vertex.h"

#include <GL/glew.h>

#include <array>
#include <cstdint>
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

    // A run of `count` indices starting at index `first` of `indices`.
    struct IndexRange {
        uint32_t first;
        uint32_t count;
    };
    // Draws only these runs of the triangle list, in the current geometry mode, with one call per
    // frame in the buffer and array modes (no display list, nothing uploaded). Ranges must lie
    // within `indices`.
    void drawRanges(const std::vector<IndexRange>& ranges);

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
    std::vector<GLsizei> rangeCounts;        // drawRanges' scratch, kept between frames
    std::vector<const GLvoid*> rangeOffsets; // drawRanges' scratch, kept between frames
    std::vector<DepthEntry> triangleOrder;   // sortTriangles' scratch, kept between frames
    std::vector<uint32_t> sortedIndices;     // sortTriangles' scratch, kept between frames

    void keepValidTriangles();
    void uploadIndices();
};
