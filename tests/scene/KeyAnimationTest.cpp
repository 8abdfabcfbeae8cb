#include "scene/KeyAnimation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

// Quarter turns about z and about x, and the same turn about z written as the opposite quaternion.
const double h = std::sqrt(0.5), aboutZ[4] = {h, 0, 0, h}, aboutX[4] = {h, h, 0, 0},
             oppositeZ[4] = {-h, 0, 0, -h};

// Checks where the animation's transform at `time` moves the point p.
void expectMoved(const Animation& animation, double time, std::vector<double> p, std::vector<double> expected)
{
    double m[16];
    animation.evaluate(m, time);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(m[k] * p[0] + m[4 + k] * p[1] + m[8 + k] * p[2] + m[12 + k], expected[k], 1e-9)
            << "at " << time << " s, axis " << k;
}

void translationKey(KeyAnimation& a, double t, double x, double y, double z)
{
    const double v[3] = {x, y, z};
    a.setTranslationKey(t, v);
}

} // namespace

TEST(KeyAnimation, LoopsOverItsLengthAndWrapsBeforeTheFirstKey)
{
    KeyAnimation a;
    translationKey(a, 0.0, 0, 0, 0);
    translationKey(a, 1.0, 10, 0, 0);
    translationKey(a, 2.0, 10, 10, 0);
    expectMoved(a, 2.5, {0, 0, 0}, {5, 0, 0}); // replays 0.5 s

    // Before the first key: from the last key (2.0 s, 40) to the first (0.5 s, 10), f = 1.2.
    KeyAnimation late;
    translationKey(late, 0.5, 10, 0, 0);
    translationKey(late, 2.0, 40, 0, 0);
    expectMoved(late, 2.2, {0, 0, 0}, {4, 0, 0});
}

TEST(KeyAnimation, ScalesRotatesTranslatesHoldsSingleKeysAndPlaysBlinksOnce)
{
    KeyAnimation a;
    expectMoved(a, 3.7, {1, 2, 3}, {1, 2, 3}); // three empty channels
    translationKey(a, 0, 1, 2, 3);
    a.addRotationKey(0, aboutZ);
    expectMoved(a, 0, {1, 0, 0}, {1, 3, 3});
    const double s[3] = {2, 3, 4};
    a.setScaleKey(0, s);
    // Scaled to (2, 0, 0), turned to (0, 2, 0), moved; single keys are held whatever the time.
    for (double t : {0.0, 0.4, 7.0})
        expectMoved(a, t, {1, 0, 0}, {1, 4, 3});

    // Shorter than a millisecond: no loop (a modulo by zero), the keys play once.
    KeyAnimation blink;
    translationKey(blink, 0, 0, 0, 0);
    translationKey(blink, 0.0004, 1, 0, 0);
    expectMoved(blink, 0.0002, {0, 0, 0}, {0.5, 0, 0});
    expectMoved(blink, 0.0008, {0, 0, 0}, {2, 0, 0});
}

TEST(KeyAnimation, RotationsTakeTheShorterWayAndKeysAtOneTimeCompose)
{
    KeyAnimation a;
    const double none[4] = {1, 0, 0, 0};
    a.addRotationKey(0, none);
    a.addRotationKey(1, oppositeZ); // halfway is 45 degrees, not the 135 of the long way round
    expectMoved(a, 0.5, {1, 0, 0}, {h, h, 0});

    KeyAnimation r; // existing x new: (1, 0, 0) turns about z first, then about x
    r.addRotationKey(0, aboutX);
    r.addRotationKey(0, aboutZ);
    expectMoved(r, 0, {1, 0, 0}, {0, 0, 1});
}
