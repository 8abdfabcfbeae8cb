// Terrain as a scene node: height queries, collision, bounds, patch culling and drawing. The
// construction from the height map is in TerrainBuild.cpp.
#include "scene/Terrain.h"

#include "scene/BoundingSphere.h"
#include "scene/Mesh.h"
#include "shading/CgTerrain.h"

#include <GL/glew.h>

#include <cmath>

namespace
{

const float terrainDiffuse[4] = {0.6f, 0.6f, 0.6f, 1.0f};
const float terrainAmbient[4] = {0.4f, 0.4f, 0.4f, 1.0f};
const float terrainSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};

} // namespace

Terrain::Terrain(const std::string& directory, const std::string& fileName, float sizeX, float sizeY,
                 float sizeZ)
    : gridSize(0), sizeX(sizeX), sizeY(sizeY), sizeZ(sizeZ), loaded(false), repeatTexture(1.0f),
      worldBox(nullptr), indexCount(0), drawCount(0),
      material(false, terrainDiffuse, terrainAmbient, terrainSpecular, 1.0f), maxDepth(4), quadtreeGrid(false)
{
    terrainShader = std::make_unique<CgTerrain>(directory);
    material.shader = terrainShader.get();
    if (!build(directory + fileName)) {
        heights.clear();
        indices.clear();
        indexCount = 0;
    }
    worldBox = new AxisAlignedBB();
    worldBounds = worldBox;
}

// The members go in reverse order: the shader, the material (deleting the terrain texture), then
// the mesh with its buffer objects; Node deletes worldBox.
Terrain::~Terrain() = default;

float Terrain::getHeight(float x, float z) const
{
    if (heights.empty())
        return 0;
    const int n = gridSize;
    // Cells of the height lookup are sizeX / n wide, not sizeX / (n - 1) like the mesh's, and rows
    // start at 2 but columns at 1: deliberate, see getHeight in the header.
    const float column = (x + sizeX * 0.5f) / (sizeX / float(n));
    const float row = (z + sizeZ * 0.5f) / (sizeZ / float(n));
    // Written so that NaN and values beyond int's range fail the test before any conversion.
    if (!(column >= 1.0f && column < float(n - 1) && row >= 2.0f && row < float(n - 1)))
        return 0;
    return heights[size_t(int(row)) * size_t(n) + size_t(int(column))] * sizeY;
}

bool Terrain::collides(const BoundingObject* other, bool)
{
    if (noBounds || !loaded)
        return false;
    const auto* sphere = dynamic_cast<const BoundingSphere*>(other);
    if (!sphere)
        return false;
    return getHeight(sphere->centre[0], sphere->centre[2]) > sphere->centre[1];
}

BoundingObject* Terrain::getLocalBounds()
{
    return &localBox;
}

float* Terrain::getWorldTransform(float out[16])
{
    chainTransform(out);
    *worldBox = localBox;
    worldBox->empty = false;
    worldBox->transform(out);
    worldPatchBox = patchBox;
    worldPatchBox.empty = false;
    worldPatchBox.transform(out);
    boundsValid = true;
    return out;
}

void Terrain::compileGeometry()
{
    if (!mesh)
        return;
    mesh->setIndices(indices);
    mesh->compile();
}

void Terrain::releaseGeometry()
{
    if (mesh)
        mesh->release();
}

void Terrain::render(double, const FrustumPlanes* planes)
{
    if (!loaded)
        return;
    if (planes) {
        if (!boundsValid) {
            float scratch[16];
            getWorldTransform(scratch);
        }
        drawCount = 0;
        drawRanges.clear();
        cullPatches(worldPatchBox, 0, *planes);
        if (drawCount == 0)
            return;
        material.apply();
        mesh->drawRanges(drawRanges);
        return;
    }
    material.apply();
    mesh->draw();
}

void Terrain::raiseDepth()
{
    if (maxDepth < gridSize)
        ++maxDepth;
}

void Terrain::lowerDepth()
{
    if (maxDepth > 0)
        --maxDepth;
}

void Terrain::cullPatches(const AxisAlignedBB& box, int depth, const FrustumPlanes& planes)
{
    const int n = gridSize;
    const float cellX = sizeX / float(n - 1);
    const float cellZ = sizeZ / float(n - 1);
    const float half = float(n) * 0.5f;
    // Grid columns and rows of the patch corners; the half cell added by n / 2 (not (n - 1) / 2)
    // rounds corners that land a hair below a grid line.
    const int i0 = int(box.min[0] / cellX + half);
    const int k0 = int(box.min[2] / cellZ + half);
    const int i1 = int(box.max[0] / cellX + half);
    const int k1 = int(box.max[2] / cellZ + half);

    if (i0 < i1 - 1 && k0 < k1 - 1 && depth < maxDepth && quadtreeGrid) {
        // Patches on the border own the apron beyond it.
        AxisAlignedBB widened = box;
        if (i0 == 0)
            widened.min[0] -= sizeX;
        if (k0 == 0)
            widened.min[2] -= sizeZ;
        if (i1 == n - 1)
            widened.max[0] += sizeX;
        if (k1 == n - 1)
            widened.max[2] += sizeZ;
        const int side = classifyBox(widened, planes);
        if (side == FrustumOutside)
            return;
        if (side == FrustumIntersecting) {
            const float midX = (box.min[0] + box.max[0]) * 0.5f;
            const float midZ = (box.min[2] + box.max[2]) * 0.5f;
            const float xs[3] = {box.min[0], midX, box.max[0]};
            const float zs[3] = {box.min[2], midZ, box.max[2]};
            for (int quarter = 0; quarter < 4; ++quarter) {
                const int qx = quarter & 1;
                const int qz = quarter >> 1;
                AxisAlignedBB part = box;
                part.min[0] = xs[qx];
                part.max[0] = xs[qx + 1];
                part.min[2] = zs[qz];
                part.max[2] = zs[qz + 1];
                cullPatches(part, depth + 1, planes);
            }
            return;
        }
    }
    selectPatch(i0, k0, depth);
}

void Terrain::selectPatch(int i0, int k0, int depth)
{
    if (depth == 0) {
        drawRanges.assign(1, Mesh::IndexRange{0, indexCount});
        drawCount = indexCount;
        return;
    }
    const int n = gridSize;
    size_t offset = 0;
    for (int level = 1; level <= depth; ++level) {
        const int outer = (n - 1) >> (level - 1);
        const int inner = (n - 1) >> level;
        i0 %= outer;
        k0 %= outer;
        if (i0 >= inner)
            offset += size_t(inner) * size_t(inner) * 6;
        if (k0 >= inner)
            offset += size_t(inner) * size_t(inner) * 12;
    }
    const size_t side = size_t(n >> depth);
    const size_t count = side * side * 6;
    if (offset + count > indices.size())
        return;
    // Neighbouring patches in quadtree order are neighbours in the index list: one run for both.
    if (!drawRanges.empty() && drawRanges.back().first + drawRanges.back().count == offset)
        drawRanges.back().count += uint32_t(count);
    else
        drawRanges.push_back(Mesh::IndexRange{uint32_t(offset), uint32_t(count)});
    drawCount += uint32_t(count);
}
