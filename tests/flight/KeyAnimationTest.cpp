#include "flight/KeyAnimation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

const double pi = 3.14159265358979323846;

struct Point {
    double x, y, z;
};

// The point p moved by the animation's transform at `time`.
Point at(const Animation& animation, double time, Point p = {0, 0, 0})
{
    double m[16];
    animation.evaluate(m, time);
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

void expectPoint(Point p, double x, double y, double z, const char* what)
{
    EXPECT_NEAR(p.x, x, 1e-9) << what;
    EXPECT_NEAR(p.y, y, 1e-9) << what;
    EXPECT_NEAR(p.z, z, 1e-9) << what;
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
    expectPoint(at(a, 0.5), 5, 0, 0, "0.5 s");
    expectPoint(at(a, 2.5), 5, 0, 0, "2.5 s replays 0.5 s");
    expectPoint(at(a, 2.0), 0, 0, 0, "the loop starts again at its length");
    a.looping = false;
    expectPoint(at(a, 2.5), 10, 15, 0, "without looping the last segment extrapolates");

    KeyAnimation late;
    translationKey(late, 0.5, 10, 0, 0);
    translationKey(late, 1.0, 20, 0, 0);
    translationKey(late, 2.0, 40, 0, 0);
    // From the last key (2.0 s, 40) to the first (0.5 s, 10): f = (0.2 - 2) / (0.5 - 2) = 1.2.
    expectPoint(at(late, 2.2), 4, 0, 0, "wrapped segment");
}

TEST(KeyAnimation, ScalesThenRotatesThenTranslatesAndEmptyChannelsDoNothing)
{
    double m[16];
    KeyAnimation().evaluate(m, 3.7);
    for (int i = 0; i < 16; ++i)
        EXPECT_DOUBLE_EQ(m[i], i % 5 == 0 ? 1.0 : 0.0) << "element " << i;

    KeyAnimation a;
    translationKey(a, 0, 1, 2, 3);
    expectPoint(at(a, 0, {1, 1, 1}), 2, 3, 4, "translation only");
    rotationKey(a, 0, pi / 2, 0, 0, 1);
    expectPoint(at(a, 0, {1, 0, 0}), 1, 3, 3, "no scale channel");
    const double s[3] = {2, 3, 4};
    a.setScaleKey(0, s);
    // (1, 0, 0) scaled to (2, 0, 0), turned to (0, 2, 0), moved to (1, 4, 3).
    expectPoint(at(a, 0, {1, 0, 0}), 1, 4, 3, "all three");
}

TEST(KeyAnimation, OneKeyOrAZeroLengthNeverDividesByZero)
{
    KeyAnimation a;
    translationKey(a, 0.5, 3, 4, 5);
    rotationKey(a, 0.25, pi / 2, 1, 0, 0);
    for (double t : {0.0, 0.4, 0.5, 7.0})
        expectPoint(at(a, t, {0, 1, 0}), 3, 4, 6, "single keys are held");

    // Shorter than a millisecond: no loop (a modulo by zero), the keys play once.
    KeyAnimation shortOne;
    translationKey(shortOne, 0, 0, 0, 0);
    translationKey(shortOne, 0.0004, 1, 0, 0);
    KeyAnimation once = shortOne;
    once.looping = false;
    for (double t : {0.0002, 1.0})
        expectPoint(at(shortOne, t), at(once, t).x, 0, 0, "same as without looping");
}

TEST(KeyAnimation, SlerpTakesTheShorterWay)
{
    KeyAnimation a;
    a.looping = false;
    rotationKey(a, 0, 0, 0, 0, 1);
    // The same 90 degree turn about z, written as the opposite quaternion (more than 90 degrees
    // away in 4-D): halfway is 45 degrees, not the 135 degrees of the long way round.
    const double opposite[4] = {-std::cos(pi / 4), 0, 0, -std::sin(pi / 4)};
    a.addRotationKey(1, opposite);
    expectPoint(at(a, 0.5, {1, 0, 0}), std::cos(pi / 4), std::sin(pi / 4), 0, "halfway");
}

TEST(KeyAnimation, KeysAtTheSameTimeReplaceOrCompose)
{
    KeyAnimation a;
    translationKey(a, 3, 5, 5, 5);
    translationKey(a, 3, 1, 2, 3);
    EXPECT_EQ(a.translationKeys.size(), 1u);
    translationKey(a, 1, 0, 0, 0);
    EXPECT_DOUBLE_EQ(a.endTime, 3) << "an earlier key does not shorten the animation";

    // Existing first: 90 degrees about x, then 90 about z, turns (1, 0, 0) by z first, then by x.
    KeyAnimation r;
    rotationKey(r, 0, pi / 2, 1, 0, 0);
    rotationKey(r, 0, pi / 2, 0, 0, 1);
    EXPECT_EQ(r.rotationKeys.size(), 1u);
    expectPoint(at(r, 0, {1, 0, 0}), 0, 0, 1, "composed rotation");
}
