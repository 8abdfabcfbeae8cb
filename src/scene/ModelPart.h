// One placement of a mesh with a material inside a Model.
#pragma once

class Animation;
class Material;
class Mesh;

class ModelPart
{
  public:
    ModelPart(); // no mesh, material or animation; identity transform
    // Deletes `animation`; the mesh and material belong to the Model.
    ~ModelPart();
    ModelPart(const ModelPart&) = delete;
    ModelPart& operator=(const ModelPart&) = delete;

    // The part-to-model matrix at `time` (seconds): the animation's when `animated`, else
    // `transform`.
    void partMatrix(double time, float out[16]) const;
    // Multiplies the current GL matrix by the part-to-model matrix at `time` (seconds).
    void multiplyMatrix(double time) const;

    Mesh* mesh;           // not owned (the Model's meshes)
    Material* material;   // not owned (the Model's materials)
    float transform[16];  // part to model, column-major
    Animation* animation; // owned; null when the part does not move. A KeyAnimation, or an
                          // AnimationChain when nodes above the part's node move too
    bool animated;        // use `animation` instead of `transform`
};
