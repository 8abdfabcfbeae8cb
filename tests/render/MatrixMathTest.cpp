#include "render/MatrixMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

// Rotation about z by `radians`, then translation: the transform glTranslate(t); glRotate(z).
void rotationZ(double radians, const double t[3], double m[16])
{
    loadIdentity(m);
    m[0] = std::cos(radians);
    m[1] = std::sin(radians);
    m[4] = -std::sin(radians);
    m[5] = std::cos(radians);
    m[12] = t[0];
    m[13] = t[1];
    m[14] = t[2];
}

} // namespace

TEST(MatrixMath, ProductComposesInTheObjectsOwnFrame)
{
    const double toParent[3] = {10, 0, 0};
    const double toChild[3] = {0, 5, 0};
    double parent[16], child[16], world[16];
    rotationZ(M_PI / 2, toParent, parent);
    rotationZ(0, toChild, child);
    multMatrix(parent, child, world);

    // The child's origin lies 5 along the parent's local y, which the parent turned onto -x.
    const double origin[3] = {0, 0, 0};
    double p[3];
    transformPoint(world, origin, p);
    EXPECT_NEAR(p[0], 5.0, 1e-12);
    EXPECT_NEAR(p[1], 0.0, 1e-12);
    EXPECT_NEAR(p[2], 0.0, 1e-12);
}

TEST(MatrixMath, ProductMayOverwriteAnOperand)
{
    float a[16], b[16], expected[16];
    for (int i = 0; i < 16; ++i) {
        a[i] = float(i + 1);
        b[i] = float(16 - i);
    }
    multMatrix(a, b, expected);
    multMatrix(a, b, a);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(a[i], expected[i]);
    // Column 0 of a x b with a's rows (1,5,9,13) and b's column (16,15,14,13): 16+75+126+169.
    EXPECT_EQ(expected[0], 386.0f);
}

TEST(MatrixMath, IdentityCopiesAndPointTransform)
{
    float m[16];
    loadIdentity(m);
    m[12] = 1;
    m[13] = 2;
    m[14] = 3;
    double d[16];
    copyMatrix(m, d);
    EXPECT_EQ(d[0], 1.0);
    EXPECT_EQ(d[1], 0.0);
    EXPECT_EQ(d[14], 3.0);
    float back[16];
    copyMatrix(d, back);
    float p[3] = {1, 1, 1};
    transformPoint(back, p, p);
    EXPECT_EQ(p[0], 2.0f);
    EXPECT_EQ(p[1], 3.0f);
    EXPECT_EQ(p[2], 4.0f);
}
