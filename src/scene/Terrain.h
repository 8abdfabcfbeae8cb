// The ground of a level: a square height field read from a grey image, built once into one mesh
// whose triangles are ordered as a quadtree, so that culling only chooses which contiguous index
// ranges to draw. The two outer rings of the grid lie flat at height 0 and the outermost ring is
// pulled out by a whole terrain width, which makes a flat apron up to the horizon.
//
// The terrain is assumed to sit at the world origin, unrotated: height queries and patch culling
// work in its own coordinates.
#pragma once

#include "render/ImageFile.h"
#include "render/TextureLoader.h"
#include "scene/AxisAlignedBB.h"
#include "scene/Mesh.h"
#include "scene/Node.h"
#include "shading/Material.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CgTerrain;
class Mesh;

// Height maps may have at most this many samples per side (the mesh of a larger one would need
// gigabytes); a smaller side than 3 leaves no ground inside the flat rings.
constexpr int maxHeightMapSide = 2049;
constexpr int minHeightMapSide = 3;

// The heights in `size` bytes of a height map image whose file name says `type`, as a terrain takes
// them: the largest square from the image's top left, gridSize * gridSize samples in 0..1,
// row-major from the top row. False, with the message naming `path`, when the image is unusable.
// Needs no GL context. Images wider or taller than `maxSide` are refused before decoding.
bool readHeightMapSamples(const uint8_t* data, size_t size, ImageFileType type, const std::string& path,
                          std::vector<float>& heights, int& gridSize, int maxSide = maxTextureSide);

class Terrain : public Node
{
  public:
    // Reads the height map at `directory` + `fileName` (PNG, JPEG or TGA; 16-bit grey keeps its
    // full precision) and builds the mesh; `directory` is the data directory, which also holds the
    // terrain shader. sizeX and sizeZ are the extents along x and z, sizeY the height of a white
    // sample, all in world units. A missing or unusable image, or a size that is not a positive
    // finite number, is reported on standard error and leaves the terrain unloaded: it draws
    // nothing, has height 0 everywhere and never collides. Needs the GL context.
    Terrain(const std::string& directory, const std::string& fileName, float sizeX, float sizeY, float sizeZ);
    // Deletes the mesh (with its buffers), the shader and, through the material, the texture.
    ~Terrain() override;

    // The raw height sample under (x, z), in world units, without interpolation. 0 outside the
    // inner grid (the flat rings and beyond) and everywhere on an unloaded terrain. The lookup's
    // cells are sizeX / n wide (the mesh's are sizeX / (n - 1)) and row 1 counts as border while
    // column 1 does not; both on purpose: the bundled levels place their gates and scenery with
    // exactly this lookup, and collisions with the ground use it too.
    float getHeight(float x, float z) const;

    // True when `other` is a sphere whose centre lies below the ground under it; the radius plays
    // no part. Never for another kind of volume, a node with noBounds or an unloaded terrain.
    bool collides(const BoundingObject* other, bool deep) override;
    BoundingObject* getLocalBounds() override; // localBox
    float* getWorldTransform(float out[16]) override;
    void compileGeometry() override; // records the whole grid into the mesh's display list
    void releaseGeometry() override;
    // Draws the patches that survive culling against `planes` (all of them when null) with the
    // terrain material.
    void render(double time, const FrustumPlanes* planes) override;

    // The + and - keys: cull one quadtree level deeper (while maxDepth is below the height map's
    // side in samples) or one level coarser (while above 0).
    void raiseDepth();
    void lowerDepth();

    std::vector<float> heights;    // gridSize * gridSize samples in 0..1, row-major from the image's
                                   // top row; empty when the image could not be used
    int gridSize;                  // samples per side (n)
    float sizeX, sizeY, sizeZ;     // extents along x and z and the height scale, world units
    bool loaded;                   // the mesh exists and may be drawn
    float repeatTexture;           // detail texture repeat; stored for the scene loader only
    AxisAlignedBB localBox;        // the whole mesh with its apron: (-1.5 sizeX, -50, -1.5 sizeZ) to
                                   // (1.5 sizeX, sizeY, 1.5 sizeZ) once loaded; culls the terrain
    AxisAlignedBB patchBox;        // the height-map grid (-sizeX/2, -50, -sizeZ/2)-(sizeX/2, sizeY,
                                   // sizeZ/2): the quadtree's root patch (its border patches own
                                   // the apron)
    AxisAlignedBB worldPatchBox;   // patchBox in world space, kept with worldBox
    AxisAlignedBB* worldBox;       // the box worldBounds points to (owned through it)
    std::vector<uint32_t> indices; // every triangle of the grid in quadtree order
    uint32_t indexCount;           // (n - 1)^2 * 6
    std::vector<Mesh::IndexRange> drawRanges; // the runs of `indices` selected for the current
                                              // pass (the mesh keeps the whole list; nothing is
                                              // copied or uploaded per frame)
    uint32_t drawCount;                       // number of indices in drawRanges
    std::unique_ptr<Mesh> mesh;               // owned; null while not loaded
    Material material;                        // its texture is the terrain texture (owned by the material)
    std::unique_ptr<CgTerrain> terrainShader; // owned; the material's shader
    int maxDepth;                             // deepest quadtree level used for culling; 4 at first

  private:
    // Patch index ranges match patch boxes only when n - 1 is a power of two; other grids are
    // culled as a whole.
    bool quadtreeGrid;

    // Reads the image and builds heights, indices and mesh; false (with a message) on failure.
    bool build(const std::string& path);
    bool readHeightMap(const std::string& path);
    void buildMesh();
    void cullPatches(const AxisAlignedBB& box, int depth, const FrustumPlanes& planes);
    void selectPatch(int i0, int k0, int depth);
};
