// A scene-graph leaf for tests: a fixed box in its own frame, world bounds like an entity's, and a
// log of every render call with the planes it was given.
#pragma once

#include "scene/AxisAlignedBB.h"
#include "scene/MatrixMath.h"
#include "scene/Node.h"

#include <string>
#include <vector>

namespace testsupport
{

struct RenderCall {
    std::string name;
    const FrustumPlanes* planes;
};

class ProbeNode : public Node
{
  public:
    ProbeNode(std::string name, std::vector<RenderCall>* log, const float lo[3], const float hi[3])
        : name(std::move(name)), log(log), extent(lo, hi)
    {
        box = new AxisAlignedBB;
        worldBounds = box;
    }

    bool collides(const BoundingObject* other, bool) override
    {
        if (!boundsValid) {
            float scratch[16];
            getWorldTransform(scratch);
        }
        return box->intersects(other);
    }
    BoundingObject* getLocalBounds() override { return &extent; }
    float* getWorldTransform(float out[16]) override
    {
        chainTransform(out);
        *box = extent;
        box->transform(out);
        boundsValid = true;
        return out;
    }
    void compileGeometry() override {}
    void releaseGeometry() override {}
    void render(double, const FrustumPlanes* planes) override
    {
        if (log)
            log->push_back({name, planes});
    }

    std::string name;
    std::vector<RenderCall>* log;
    AxisAlignedBB extent;
    AxisAlignedBB* box;
};

// A probe with a cube of half-size `h` around its origin, moved to (x, y, z).
inline ProbeNode* probeAt(const std::string& name, std::vector<RenderCall>* log, float x, float y, float z,
                          float h = 0.5f)
{
    const float lo[3] = {-h, -h, -h}, hi[3] = {h, h, h};
    auto* probe = new ProbeNode(name, log, lo, hi);
    probe->translate(x, y, z);
    return probe;
}

} // namespace testsupport
