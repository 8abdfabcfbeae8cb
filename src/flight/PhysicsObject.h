// Something the game advances in time from its idle step.
#pragma once

#include <cstdint>

namespace qorm
{
namespace scenegraph
{

class PhysicsObject
{
  public:
    virtual ~PhysicsObject() = default;

    // Advances the simulation to the instant `now`, in ticks of the performance counter (the same
    // counter that stamps the flight keys). `now` is not changed.
    virtual void advanceTo(int64_t& now) = 0;
};

} // namespace scenegraph
} // namespace qorm
