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

class TransparentQueueTest : public ::testing::Test
{
  protected:
    void TearDown() override { TransparentQueue::clear(); }
};

} // namespace

TEST_F(TransparentQueueTest, EqualDepthsAreAllKeptAtAnyMagnitude)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float keys[] = {0.5f, -3.0f, 256.0f, 1.0e6f, 3.0e38f, std::numeric_limits<float>::max(), inf};
    size_t expected = 0;
    for (float key : keys) {
        float previous = -inf;
        for (int i = 0; i < 50; ++i) {
            const float used = TransparentQueue::insert(key, entryFor(nullptr, double(i)));
            EXPECT_FALSE(std::isnan(used));
            // Near the top of the float range the free keys lie below; elsewhere they lie above.
            if (key < 1e30f && i > 0) {
                EXPECT_GT(used, previous) << "key " << key << ": later entries go behind earlier ones";
            }
            previous = used;
        }
        expected += 50;
        EXPECT_EQ(TransparentQueue::entries.size(), expected) << "key " << key;
    }
    // A broken depth is still queued (and drawn) rather than lost.
    TransparentQueue::insert(std::nanf(""), entryFor(nullptr, 0));
    TransparentQueue::insert(std::nanf(""), entryFor(nullptr, 0));
    EXPECT_EQ(TransparentQueue::entries.size(), expected + 2);
    for (const auto& entry : TransparentQueue::entries)
        EXPECT_FALSE(std::isnan(entry.first));
}

TEST_F(TransparentQueueTest, NearbyKeysStayInDepthOrder)
{
    TransparentQueue::insert(0.25f, entryFor(nullptr, 1));
    TransparentQueue::insert(0.25f, entryFor(nullptr, 2));
    TransparentQueue::insert(0.5f, entryFor(nullptr, 3));
    TransparentQueue::insert(0.1f, entryFor(nullptr, 4));
    std::vector<double> order;
    for (const auto& entry : TransparentQueue::entries)
        order.push_back(entry.second.time);
    EXPECT_EQ(order, (std::vector<double>{4, 1, 2, 3}));
}

TEST_F(TransparentQueueTest, WithdrawDropsOnlyThatEntity)
{
    auto* a = reinterpret_cast<Entity*>(0x1000);
    auto* b = reinterpret_cast<Entity*>(0x2000);
    TransparentQueue::insert(1, entryFor(a, 0));
    TransparentQueue::insert(1, entryFor(b, 0));
    TransparentQueue::insert(2, entryFor(a, 0));
    TransparentQueue::withdraw(a);
    ASSERT_EQ(TransparentQueue::entries.size(), 1u);
    EXPECT_EQ(TransparentQueue::entries.begin()->second.entity, b);
}
