#include "app/HeldKeys.h"

#include <gtest/gtest.h>

TEST(HeldKeys, RepeatsOfAHeldKeyAreNotNewPresses)
{
    HeldKeys held;
    EXPECT_TRUE(held.pressKey(27));
    EXPECT_FALSE(held.pressKey(27)) << "X repeats a held ESC as more presses";
    EXPECT_TRUE(held.pressKey('w')) << "another key while ESC is held";
    held.releaseKey(27);
    EXPECT_TRUE(held.pressKey(27));

    // Shift pressed while W is held: the repeats read 'W', the release may read either.
    EXPECT_FALSE(held.pressKey('W'));
    held.releaseKey('W');
    EXPECT_TRUE(held.pressKey('w'));

    // Special keys have their own codes: F1 (1) is not the key with character code 1.
    EXPECT_TRUE(held.pressSpecial(1));
    EXPECT_TRUE(held.pressKey(1));
    EXPECT_FALSE(held.pressSpecial(1));
    held.releaseSpecial(1);
    EXPECT_TRUE(held.pressSpecial(1));
    EXPECT_TRUE(held.pressSpecial(1000)) << "codes outside the table are never held";
    EXPECT_TRUE(held.pressSpecial(1000));
    held.releaseSpecial(-5);
}
