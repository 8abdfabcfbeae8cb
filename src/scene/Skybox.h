// A textured cube around the viewer: it turns with the camera but never moves with it, and is drawn
// without lighting, shaders or depth writes, so everything drawn after it lies in front. All six
// faces come from one texture laid out as a 4 x 2 grid of cells: the four side views left to
// right in the half t = 0.5..1 (+z, +x, -z, -x), the top view at s = 0.25..0.5 and the bottom view
// at s = 0..0.25 in the half t = 0..0.5.
#pragma once

#include "scene/Node.h"

#include <GL/glew.h>

#include <memory>
#include <string>

class AxisAlignedBB;
class Mesh;

class Skybox : public Node
{
  public:
    // Loads the sky texture from `texturePath` (a data path) and builds a cube of edge `size`
    // (world units) whose centre sits at (posX, posY, posZ) relative to the eye. A missing image
    // is reported by the texture loader; the cube is then drawn untextured. Needs the GL context.
    Skybox(const std::string& texturePath, float size, float posX, float posY, float posZ);
    // Deletes the texture and the mesh; Node deletes the box.
    ~Skybox() override;

    bool collides(const BoundingObject* other, bool deep) override; // never
    BoundingObject* getLocalBounds() override;                      // the fixed box
    float* getWorldTransform(float out[16]) override;               // identity; bounds untouched
    void invalidateBounds(bool recursive, bool upward) override;    // nothing: the box never changes
    void compileGeometry() override;                                // nothing: always drawn directly
    void releaseGeometry() override;                                // nothing
    // Draws the cube around the eye: loads the identity, applies `rotation`, then `offset`.
    // Neither the node's local matrix nor the planes take part.
    void render(double time, const FrustumPlanes* planes) override;

    GLuint texture;             // sky image; 0 when it could not be loaded; owned
    double rotation[16];        // the camera's rotation (view matrix without translation), column-major;
                                // identity until the game controller sets it each frame
    double offset[3];           // cube centre relative to the eye, world units
    AxisAlignedBB* box;         // (-size/2)..(size/2) on every axis; also worldBounds (owned through it)
    std::unique_ptr<Mesh> mesh; // the 24-vertex cube, normals pointing inwards; owned
};
