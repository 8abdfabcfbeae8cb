// A drawable object made of meshes, materials and their placements (parts). Built by the COLLADA
// importer, shared by reference count between the entities that show it.
#pragma once

#include "scene/AxisAlignedBB.h"
#include "scene/BoundingSphere.h"
#include "scene/DepthOrder.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class Material;
class Mesh;
class ModelPart;

class Model
{
  public:
    // Empty maps and parts, not loaded, no flags, empty bounds, refCount 0.
    Model();
    // Deletes every mesh (with its buffers and display list), every material (with its texture) and
    // every part (with its animation).
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // Draws every part in order under the current modelview; `time` in seconds drives animated
    // parts. Nothing when not loaded.
    void draw(double time);
    // Draws the opaque parts at once, then the transparent parts farthest first with depth writes
    // off, each with its triangles sorted back to front. With transparency switched off, or with
    // at most one part, this is draw().
    void drawSorted(double time);

    // Records display lists for the parts that are neither transparent nor animated.
    void compile();
    // Deletes the display lists of all parts.
    void release();

    // Recomputes `bounds` (the parts' mesh boxes placed by their static transforms) and `sphere`
    // (centred in `bounds`) from the parts. The importer calls it once the parts are in.
    void computeBounds();

    // Makes every material's diffuse colour `alpha` opaque (the ghost look) and marks the model as
    // transparent; 1 changes nothing. resetAlpha puts back exactly what the last setAlpha changed,
    // so a model that is transparent from its file stays so.
    void setAlpha(float alpha);
    void resetAlpha();

    std::map<std::string, Mesh*> meshes;        // by geometry id; owned
    std::map<std::string, Material*> materials; // by material id; owned
    std::vector<ModelPart*> parts;              // drawn in order; owned
    bool loaded;                                // the import ran to its end; otherwise nothing is drawn
    bool animated;                              // at least one part has a key animation
    bool hasTransparency;                       // at least one part is drawn see-through
    AxisAlignedBB bounds;                       // model space
    BoundingSphere sphere;                      // model space
    uint32_t refCount;                          // entities showing the model

  private:
    void drawPart(const ModelPart& part, double time);

    std::vector<DepthEntry> transparentParts; // drawSorted's scratch, kept between frames

    bool alphaChanged;                            // setAlpha ran since the last resetAlpha
    bool transparencyBeforeChange;                // hasTransparency before that setAlpha
    std::map<Material*, float> alphaBeforeChange; // diffuse alphas it replaced
};
