#include "flight/KeyAnimation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{

const double pi = 3.14159265358979323846;

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

// Rotation by `angle` radians about a unit axis, as the importer builds it.
void rotationKey(KeyAnimation& a, double t, double angle, double ax, double ay, double az)
{
    const double s = std::sin(angle / 2);
    const double q[4] = {std::cos(angle / 2), ax * s, ay * s, az * s};
    a.addRotationKey(t, q);
}

} // namespace

TEST(KeyAnimation, LoopsOverItsLengthAndWrapsBeforeTheFirstKey)
{
    KeyAnimation a;
    translationKey(a, 0.0, 0, 0, 0);
    translationKey(a, 1.0, 10, 0, 0);
    translationKey(a, 2.0, 10, 10, 0);
    expectMoved(a, 2.5, {0, 0, 0}, {5, 0, 0}); // replays 0.5 s
    expectMoved(a, 2.0, {0, 0, 0}, {0, 0, 0}); // the loop starts again at its length
    a.looping = false;
    expectMoved(a, 2.5, {0, 0, 0}, {10, 15, 0}); // the last segment extrapolates

    // Before the first key: from the last key (2.0 s, 40) to the first (0.5 s, 10), f = 1.2.
    KeyAnimation late;
    translationKey(late, 0.5, 10, 0, 0);
    translationKey(late, 2.0, 40, 0, 0);
    expectMoved(late, 2.2, {0, 0, 0}, {4, 0, 0});
}

TEST(KeyAnimation, ScalesThenRotatesThenTranslatesAndEmptyChannelsDoNothing)
{
    KeyAnimation a;
    expectMoved(a, 3.7, {1, 2, 3}, {1, 2, 3});
    translationKey(a, 0, 1, 2, 3);
    rotationKey(a, 0, pi / 2, 0, 0, 1);
    expectMoved(a, 0, {1, 0, 0}, {1, 3, 3}); // no scale channel
    const double s[3] = {2, 3, 4};
    a.setScaleKey(0, s);
    expectMoved(a, 0, {1, 0, 0}, {1, 4, 3}); // scaled to (2, 0, 0), turned to (0, 2, 0), moved
}

TEST(KeyAnimation, OneKeyOrAZeroLengthNeverDividesByZero)
{
    KeyAnimation a;
    translationKey(a, 0.5, 3, 4, 5);
    rotationKey(a, 0.25, pi / 2, 1, 0, 0);
    for (double t : {0.0, 0.4, 7.0})
        expectMoved(a, t, {0, 1, 0}, {3, 4, 6}); // single keys are held

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
    a.looping = false;
    rotationKey(a, 0, 0, 0, 0, 1);
    // 90 degrees about z written as the opposite quaternion: halfway is 45 degrees, not 135.
    const double opposite[4] = {-std::cos(pi / 4), 0, 0, -std::sin(pi / 4)};
    a.addRotationKey(1, opposite);
    expectMoved(a, 0.5, {1, 0, 0}, {std::cos(pi / 4), std::sin(pi / 4), 0});

    KeyAnimation r; // existing x new: (1, 0, 0) turns about z first, then about x
    rotationKey(r, 0, pi / 2, 1, 0, 0);
    rotationKey(r, 0, pi / 2, 0, 0, 1);
    expectMoved(r, 0, {1, 0, 0}, {0, 0, 1});
}
