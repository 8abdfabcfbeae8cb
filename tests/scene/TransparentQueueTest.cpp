#include "scene/TransparentQueue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

TransparentQueue::Entry entryFor(Entity* entity, double time)
{
    TransparentQueue::Entry entry{};
    entry.entity = entity;
    entry.time = time;
    return entry;
}

} // namespace

TEST(TransparentQueue, EqualDepthsAreAllKeptAtAnyMagnitude)
{
    const float keys[] = {0.5f,
                          256.0f,
                          1.0e6f,
                          std::numeric_limits<float>::max(),
                          std::numeric_limits<float>::infinity(),
                          std::nanf("")};
    for (float key : keys) {
        for (int i = 0; i < 50; ++i)
            TransparentQueue::insert(key, entryFor(nullptr, double(i)));
    }
    EXPECT_EQ(TransparentQueue::entries.size(), 300u);
    for (const auto& entry : TransparentQueue::entries)
        EXPECT_FALSE(std::isnan(entry.first));

    // Later entries at an equal depth go just behind the earlier ones, before deeper entries.
    TransparentQueue::clear();
    TransparentQueue::insert(0.25f, entryFor(nullptr, 1));
    TransparentQueue::insert(0.5f, entryFor(nullptr, 3));
    TransparentQueue::insert(0.25f, entryFor(nullptr, 2));
    std::vector<double> order;
    for (const auto& entry : TransparentQueue::entries)
        order.push_back(entry.second.time);
    EXPECT_EQ(order, (std::vector<double>{1, 2, 3}));
    TransparentQueue::clear();
}
