#include "render/MatrixMath.h"

#include <gtest/gtest.h>

#include <vector>

TEST(MatrixMath, ProductsComposeLikeGLAndMayOverwriteAnOperand)
{
    // A parent turned a quarter about z and moved 10 along x, a child moved 5 along the parent's y,
    // which the turn points along -x: the child's origin lies at (5, 0, 0).
    const double parent[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1};
    double child[16], world[16], p[3];
    loadIdentity(child);
    child[13] = 5;
    multMatrix(parent, child, world);
    const double origin[3] = {0, 0, 0};
    transformPoint(world, origin, p);
    EXPECT_EQ(std::vector<double>(p, p + 3), (std::vector<double>{5, 0, 0}));

    // Written over its left operand. Column 0 of a x b: a's rows (1, 5, 9, 13) times (16, 15, 14, 13).
    float a[16], b[16], expected[16];
    for (int i = 0; i < 16; ++i) {
        a[i] = float(i + 1);
        b[i] = float(16 - i);
    }
    multMatrix(a, b, expected);
    multMatrix(a, b, a);
    EXPECT_EQ(std::vector<float>(a, a + 16), std::vector<float>(expected, expected + 16));
    EXPECT_EQ(expected[0], 386.0f);
}

TEST(MatrixMath, CopiesBetweenPrecisionsAndTransformsAPointInPlace)
{
    float m[16], back[16];
    double d[16];
    loadIdentity(m);
    m[12] = 1;
    m[13] = 2;
    m[14] = 3;
    copyMatrix(m, d);
    copyMatrix(d, back);
    float p[3] = {1, 1, 1};
    transformPoint(back, p, p);
    EXPECT_EQ(std::vector<float>(p, p + 3), (std::vector<float>{2, 3, 4}));
}
