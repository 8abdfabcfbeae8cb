// Mesh: construction and upload, the three draw paths, display lists, index ordering.
#include "scene/Mesh.h"

#include "render/MatrixMath.h"
#include "render/RenderSettings.h"

#include "scene/DepthOrder.h"
#include <cassert>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <utility>

// --- Construction and upload ---------------------------------------------------------------------

Mesh::Mesh(std::vector<std::array<float, 3>> positions, std::vector<std::array<float, 3>> normals,
           std::vector<std::array<float, 2>> texCoords, std::vector<uint32_t> indexList)
    : indices(std::move(indexList)), vertexBuffer(0), indexBuffer(0), displayList(0), listValid(false)
{
    const size_t count = std::min({positions.size(), normals.size(), texCoords.size()});
    vertices.reserve(count);
    for (size_t k = 0; k < count; ++k) {
        const auto& p = positions[k];
        const auto& n = normals[k];
        const auto& uv = texCoords[k];
        vertices.push_back(Vertex{uv[0], uv[1], n[0], n[1], n[2], p[0], p[1], p[2]});
    }
    keepValidTriangles();
    upload();
}

Mesh::~Mesh()
{
    if (vertexBuffer != 0)
        glDeleteBuffers(1, &vertexBuffer);
    if (indexBuffer != 0)
        glDeleteBuffers(1, &indexBuffer);
    if (displayList != 0)
        glDeleteLists(displayList, 1);
}

// Indices come from content files; one that points past the vertices would make every draw path
// read outside the arrays, so such triangles never get in.
void Mesh::keepValidTriangles()
{
    const size_t vertexCount = vertices.size();
    const size_t given = indices.size();
    size_t kept = 0;
    for (size_t i = 0; i + 2 < given; i += 3) {
        if (indices[i] < vertexCount && indices[i + 1] < vertexCount && indices[i + 2] < vertexCount) {
            indices[kept] = indices[i];
            indices[kept + 1] = indices[i + 1];
            indices[kept + 2] = indices[i + 2];
            kept += 3;
        }
    }
    indices.resize(kept);
    if (kept != given)
        std::cerr << "Mesh error: left out " << given - kept << " of " << given
                  << " indices that do not form triangles of the mesh's " << vertexCount << " vertices\n";
}

void Mesh::upload()
{
    listValid = false;
    if (vertexBuffer == 0)
        glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    if (!vertices.empty())
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(sizeof(Vertex) * vertices.size()), vertices.data(),
                     GL_STATIC_DRAW);
    if (indexBuffer == 0)
        glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    if (!indices.empty())
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(sizeof(uint32_t) * indices.size()), indices.data(),
                     GL_STATIC_DRAW);

    bounds.reset();
    sphere = BoundingSphere();
    if (vertices.empty())
        return;
    const float first[3] = {vertices[0].x, vertices[0].y, vertices[0].z};
    bounds = AxisAlignedBB(first, first);
    for (const Vertex& v : vertices) {
        const float p[3] = {v.x, v.y, v.z};
        for (int k = 0; k < 3; ++k) {
            if (p[k] < bounds.min[k])
                bounds.min[k] = p[k];
            else if (p[k] > bounds.max[k])
                bounds.max[k] = p[k];
        }
    }
    float largest = 0.0f;
    for (int k = 0; k < 3; ++k)
        sphere.centre[k] = bounds.min[k] + (bounds.max[k] - bounds.min[k]) * 0.5f;
    for (const Vertex& v : vertices) {
        const float dx = v.x - sphere.centre[0];
        const float dy = v.y - sphere.centre[1];
        const float dz = v.z - sphere.centre[2];
        largest = std::max(largest, dx * dx + dy * dy + dz * dz);
    }
    sphere.radius = std::sqrt(largest);
}

// --- Draw paths ----------------------------------------------------------------------------------

void Mesh::draw()
{
    switch (RenderSettings::geometryMode) {
    case 0:
        drawBuffers();
        break;
    case 1:
        drawArrays();
        break;
    default:
        drawImmediate();
        break;
    }
}

void Mesh::drawBuffers()
{
    if (vertexBuffer == 0) {
        // Without a buffer the offsets below would be read as client pointers near address 0.
        std::cerr << "Mesh error: VBO not initialized!\n";
        return;
    }
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    if (listValid && displayList != 0)
        glCallList(displayList);
    else
        glDrawElements(GL_TRIANGLES, GLsizei(indices.size()), GL_UNSIGNED_INT, nullptr);
}

void Mesh::drawArrays()
{
    // A buffer left bound by the buffer path would turn the pointers below into offsets.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, vertices.data());
    if (listValid && displayList != 0)
        glCallList(displayList);
    else
        glDrawElements(GL_TRIANGLES, GLsizei(indices.size()), GL_UNSIGNED_INT, indices.data());
}

void Mesh::drawImmediate()
{
    if (listValid && displayList != 0) {
        glCallList(displayList);
        return;
    }
    glBegin(GL_TRIANGLES);
    for (uint32_t index : indices) {
        const Vertex& v = vertices[index];
        glTexCoord2f(v.s, v.t);
        glNormal3f(v.nx, v.ny, v.nz);
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
}

void Mesh::drawRanges(const std::vector<IndexRange>& ranges)
{
    if (ranges.empty())
        return;
    const int mode = RenderSettings::geometryMode;
    if (mode == 0 && vertexBuffer == 0) {
        std::cerr << "Mesh error: VBO not initialized!\n";
        return;
    }
    if (mode == 0 || mode == 1) {
        rangeCounts.clear();
        rangeOffsets.clear();
        for (const IndexRange& range : ranges) {
            assert(size_t(range.first) + range.count <= indices.size());
            rangeCounts.push_back(GLsizei(range.count));
            if (mode == 0)
                rangeOffsets.push_back(
                    reinterpret_cast<const GLvoid*>(size_t(range.first) * sizeof(uint32_t)));
            else
                rangeOffsets.push_back(indices.data() + range.first);
        }
        if (mode == 0) {
            glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
            glInterleavedArrays(GL_T2F_N3F_V3F, 0, nullptr);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
        } else {
            glBindBuffer(GL_ARRAY_BUFFER, 0);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
            glInterleavedArrays(GL_T2F_N3F_V3F, 0, vertices.data());
        }
        glMultiDrawElements(GL_TRIANGLES, rangeCounts.data(), GL_UNSIGNED_INT, rangeOffsets.data(),
                            GLsizei(rangeCounts.size()));
        return;
    }
    glBegin(GL_TRIANGLES);
    for (const IndexRange& range : ranges)
        for (uint32_t k = range.first; k < range.first + range.count; ++k) {
            const Vertex& v = vertices[indices[k]];
            glTexCoord2f(v.s, v.t);
            glNormal3f(v.nx, v.ny, v.nz);
            glVertex3f(v.x, v.y, v.z);
        }
    glEnd();
}

// --- Display lists -------------------------------------------------------------------------------

void Mesh::compile()
{
    listValid = false;
    if (displayList != 0)
        glDeleteLists(displayList, 1);
    displayList = glGenLists(1);
    if (displayList == 0)
        return; // no list could be made: keep drawing from the arrays
    glNewList(displayList, GL_COMPILE);
    draw();
    glEndList();
    listValid = true;
}

void Mesh::release()
{
    if (displayList != 0)
        glDeleteLists(displayList, 1);
    displayList = 0;
    listValid = false;
}

// --- Index ordering ------------------------------------------------------------------------------

void Mesh::uploadIndices()
{
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(sizeof(uint32_t) * indices.size()), indices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void Mesh::setIndices(std::vector<uint32_t> list)
{
    indices = std::move(list);
    keepValidTriangles();
    if (RenderSettings::geometryMode == 0)
        uploadIndices();
}

void Mesh::sortTriangles()
{
    float modelview[16];
    float projection[16];
    float clip[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    multMatrix(projection, modelview, clip);

    // The position is the triangle's place in the list, so ties keep their order.
    triangleOrder.clear();
    for (size_t i = 0; i + 3 <= indices.size(); i += 3) {
        const Vertex& a = vertices[indices[i]];
        const Vertex& b = vertices[indices[i + 1]];
        const Vertex& c = vertices[indices[i + 2]];
        const float x = (a.x + b.x + c.x) * 0.33333334f;
        const float y = (a.y + b.y + c.y) * 0.33333334f;
        const float z = (a.z + b.z + c.z) * 0.33333334f;
        const float depth = clip[2] * x + clip[6] * y + clip[10] * z + clip[14];
        triangleOrder.push_back(DepthEntry{sortableDepth(depth), uint32_t(i / 3)});
    }
    sortFarthestFirst(triangleOrder);

    sortedIndices.clear();
    for (const DepthEntry& entry : triangleOrder) {
        const uint32_t* triangle = &indices[size_t(entry.position) * 3];
        sortedIndices.insert(sortedIndices.end(), triangle, triangle + 3);
    }
    indices.swap(sortedIndices); // the old list becomes next frame's storage
    uploadIndices();
}
