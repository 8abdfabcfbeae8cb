// Building blocks for the scene tests. Volumes, box-only entities and probes need no GL; meshes,
// materials, textures, the lit view and pictures need the shared GL context.
#pragma once

#include "scene/Entity.h"
#include "scene/Group.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/ModelPart.h"
#include "shading/Material.h"
#include "support/OffscreenPicture.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace testsupport
{

inline AxisAlignedBB box(float x0, float y0, float z0, float x1, float y1, float z1)
{
    const float lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
    return AxisAlignedBB(lo, hi);
}

inline BoundingSphere sphereAt(float x, float y, float z, float r)
{
    const float c[3] = {x, y, z};
    return BoundingSphere(c, r);
}

inline std::vector<float> corners(const AxisAlignedBB& b)
{
    return {b.min[0], b.min[1], b.min[2], b.max[0], b.max[1], b.max[2]};
}

// A node's world box (the box its worldBounds point to), brought up to date.
inline std::vector<float> worldBox(Node& node)
{
    float world[16];
    node.getWorldTransform(world);
    return corners(*static_cast<const AxisAlignedBB*>(node.worldBounds));
}

// A model with a box and no parts: all that bounds, culling and collision look at.
inline Model* boxModel(float x0, float y0, float z0, float x1, float y1, float z1)
{
    auto* model = new Model;
    model->bounds = box(x0, y0, z0, x1, y1, z1);
    return model;
}

// An entity showing a cube of half-size `h` around its origin, moved to (x, y, z).
inline Entity* cubeAt(float x, float y, float z, float h = 0.5f)
{
    auto* entity = new Entity(boxModel(-h, -h, -h, h, h, h));
    entity->translate(x, y, z);
    return entity;
}

// What the probes drew, by name, with the planes each was given.
using RenderLog = std::map<std::string, const FrustumPlanes*>;

// A unit cube at (x, 0, z) in `parent` that logs its render calls into `log` instead of drawing.
class ProbeNode : public Entity
{
  public:
    ProbeNode(Group* parent, std::string name, RenderLog* log, float x, float z)
        : Entity(boxModel(-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f)), name(std::move(name)), log(log)
    {
        parent->addChild(this);
        translate(x, 0, z);
    }
    void render(double, const FrustumPlanes* planes) override { (*log)[name] = planes; }

    std::string name;
    RenderLog* log; // not owned
};

// A rectangle from (x0, y0) to (x1, y1) at depth z, facing +z, texture coordinates 0..1 across it.
inline Mesh* makeQuad(float x0, float y0, float x1, float y1, float z)
{
    return new Mesh({{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}},
                    std::vector<std::array<float, 3>>(4, {0, 0, 1}), {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                    {0, 1, 2, 0, 2, 3});
}

// A material of diffuse colour (r, g, b, a) and black otherwise: under LitView exactly that colour.
inline Material* makeMaterial(float r, float g, float b, float a, bool transparent)
{
    const float diffuse[4] = {r, g, b, a}, black[4] = {0, 0, 0, a};
    return new Material(transparent, diffuse, black, black, 0.0f);
}

// Appends a part that shows the model's `mesh` with its `material`, moved to (x, y, z).
inline ModelPart* addPart(Model& model, const std::string& mesh, const std::string& material, float x,
                          float y, float z)
{
    auto* part = new ModelPart();
    part->mesh = model.meshes.at(mesh);
    part->material = model.materials.at(material);
    const float offset[3] = {x, y, z};
    std::copy(offset, offset + 3, part->transform + 12);
    model.parts.push_back(part);
    return part;
}

// A 2 x 2 checkerboard of red and blue, nearest filtering, no mipmaps, left bound; owned by the caller.
inline GLuint makeCheckerTexture()
{
    const uint8_t texels[16] = {255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 255, 255, 0, 0, 255};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return texture;
}

// While it lives: a 60-degree square perspective (near 1, far 100), the eye at the origin looking
// down -z, depth testing, and one white light shining along -z with no ambient term, so a lit
// surface facing the eye shows exactly its diffuse colour. The destructor restores the rest.
class LitView
{
  public:
    LitView()
    {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        const float direction[4] = {0, 0, 1, 0}, white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 1.0, 1.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glLightfv(GL_LIGHT0, GL_POSITION, direction);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
    }
    ~LitView()
    {
        glPopAttrib();
        glBindBuffer(GL_ARRAY_BUFFER, 0); // buffer bindings are not attributes
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

// Clears `target`, runs `draw` and reads the picture back, saved as `name` when pictures are kept.
template <class Draw> Picture drawPicture(PictureTarget& target, const std::string& name, Draw draw)
{
    target.clear();
    draw();
    const Picture picture = target.read();
    savePicture(picture, name);
    return picture;
}

// The colour LitView shows at the eye-space point (x, y, z) in a square picture.
inline std::vector<int> colourAt(const Picture& picture, double x, double y, double z)
{
    const double pixelsPerUnit = picture.width / 2 / std::tan(M_PI / 6) / -z;
    const uint8_t* p =
        picture.at(int(picture.width / 2 + pixelsPerUnit * x), int(picture.height / 2 + pixelsPerUnit * y));
    return {p[0], p[1], p[2]};
}

} // namespace testsupport
