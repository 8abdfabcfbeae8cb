// Volumes and scene-graph leaves for tests that need no drawing: boxes, spheres, entities whose
// model is only a box, and probes that log every render call with the planes they were given.
#pragma once

#include "scene/BoundingSphere.h"
#include "scene/Entity.h"
#include "scene/Model.h"

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

// A model with a box and no parts: all that bounds, culling and collision look at.
inline Model* boxModel(float x0, float y0, float z0, float x1, float y1, float z1)
{
    auto* model = new Model;
    model->bounds = box(x0, y0, z0, x1, y1, z1);
    return model;
}

struct RenderCall {
    std::string name;
    const FrustumPlanes* planes;
};

// An entity with a cube of half-size `h` around its origin, moved to (x, y, z), that logs its render
// calls into `log` instead of drawing.
class ProbeNode : public Entity
{
  public:
    ProbeNode(std::string name, std::vector<RenderCall>* log, float x, float y, float z, float h = 0.5f)
        : Entity(boxModel(-h, -h, -h, h, h, h)), name(std::move(name)), log(log)
    {
        translate(x, y, z);
    }
    void render(double, const FrustumPlanes* planes) override { log->push_back({name, planes}); }

    std::string name;
    std::vector<RenderCall>* log; // not owned
};

} // namespace testsupport
