// A control change stamped exactly where a step ends: whether it reaches the airplane before or
// after the update that runs that step (the same counter value, so both happen), the flight is the
// same. Scripted races replay at any frame rate only because of this.
#include "flight/Airplane.h"

#include "support/ManualCounter.h"

#include <gtest/gtest.h>

#include <cstring>

using qorm::scenegraph::Airplane;

namespace
{

const int64_t second = 1000000000;

struct Change {
    int64_t ticks;
    unsigned char key;
    bool down;
};

// Flies 60 calls a second for one second; changes stamped at a call's instant are handed over
// before that call when `changesFirst`, otherwise after it.
void fly(Airplane& airplane, ManualCounter& counter, const std::vector<Change>& changes, bool changesFirst)
{
    size_t next = 0;
    auto hand = [&](int64_t upTo, bool inclusive) {
        for (; next < changes.size() &&
               (changes[next].ticks < upTo || (inclusive && changes[next].ticks == upTo));
             ++next) {
            counter.set(changes[next].ticks);
            airplane.handleKey(changes[next].key, changes[next].down);
        }
    };
    for (int call = 1; call <= 60; ++call) {
        int64_t now = call * second / 60;
        hand(now, changesFirst);
        counter.set(now);
        airplane.advanceTo(now);
        hand(now, true);
    }
}

} // namespace

TEST(AirplaneSteps, AChangeStampedWhereAStepEndsFliesTheSameWhetherItCameBeforeOrAfterThatStep)
{
    const int64_t end12 = 12 * second / 60; // 200 ms, the end of step 12 and a call instant
    // A press inside step 12 released exactly at its end; a press exactly at the end of step 30,
    // released inside step 33; a rudder press at the end of step 36.
    const std::vector<Change> changes = {{end12 - 10000000, 'w', true},
                                         {end12, 'w', false},
                                         {30 * second / 60, 'w', true},
                                         {30 * second / 60 + 45000000, 'w', false},
                                         {36 * second / 60, 'a', true}};
    ManualCounter counter;
    counter.set(0);
    Airplane before("");
    fly(before, counter, changes, true);
    counter.set(0);
    Airplane after("");
    fly(after, counter, changes, false);

    EXPECT_EQ(std::memcmp(before.transform, after.transform, sizeof before.transform), 0);
    EXPECT_EQ(before.throttleSpeed, after.throttleSpeed);
    EXPECT_EQ(before.yawDeflection, after.yawDeflection);
    // A change at a step's start acts from the next step: the short press for step 13 alone, the
    // other for steps 32 and 33, the rudder from step 38 to 60.
    EXPECT_NEAR(before.throttleSpeed, 3 * 2.0 / 60, 1e-12);
    EXPECT_NEAR(before.yawDeflection, 23 * double(before.yawRate) / 60, 1e-6);
}
