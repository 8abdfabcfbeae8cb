// Recomputing a group's box after one of its entities moves: the per-frame cost of a moving object
// in a populated group.
#include "scene/Entity.h"
#include "scene/Group.h"
#include "scene/Model.h"

#include <benchmark/benchmark.h>

namespace
{

void BM_groupBoundsAfterOneMoves(benchmark::State& state)
{
    const int count = int(state.range(0));
    auto* model = new Model; // only its box matters here; the entities delete it with the group
    const float lo[3] = {-1, 0, -1}, hi[3] = {1, 8, 1};
    model->bounds = AxisAlignedBB(lo, hi);

    Group group(count);
    for (int i = 0; i < count; ++i) {
        auto* entity = new Entity(model);
        group.addChild(entity);
        entity->translate(float(i % 40) * 10, 0, float(i / 40) * 10);
    }
    float world[16];
    group.getWorldTransform(world);
    Node* mover = group.getChild(count / 2);

    float step = 0.01f;
    for (auto _ : state) {
        mover->translate(step, 0, 0);
        step = -step;
        group.getWorldTransform(world);
        benchmark::DoNotOptimize(group.worldBox->max[0]);
    }
}
BENCHMARK(BM_groupBoundsAfterOneMoves)->Arg(1000);

} // namespace
