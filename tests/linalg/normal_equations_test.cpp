#include "matrix_builders.h"

#include <gtest/gtest.h>

namespace {

TEST(NormalEquations, FourObservationsOfThreeUnknowns)
{
    OwnedMatrix a{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
    OwnedVector b{1, 2, 3, 6};
    OwnedMatrix n(3, 3);
    OwnedVector c(3);
    Normal_Matrix(a.m, 4, 3, n.m);
    Normal_Vector(a.m, b.v, 4, 3, c.v);

    const double expected[3][3] = {{2, 1, 1}, {1, 2, 1}, {1, 1, 2}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            EXPECT_EQ(n.m[i][j], expected[i - 1][j - 1]);
    EXPECT_EQ(c.v[1], 7);
    EXPECT_EQ(c.v[2], 8);
    EXPECT_EQ(c.v[3], 9);
    // The inputs are read only.
    EXPECT_EQ(a.m[4][2], 1);
    EXPECT_EQ(b.v[4], 6);
}

TEST(NormalEquations, SumsRunInAscendingOrderAndTheMatrixIsExactlySymmetric)
{
    // The products of column 1 with b are 1e16, 1 and -1e16: added in
    // ascending k the 1 is lost (0 in all), while a compensated sum or one that
    // pairs the large terms first gives 1.
    OwnedMatrix a{{1e8, 0.1, 3}, {1, 0.7, -2}, {-1e8, 0.3, 1.0 / 3}};
    OwnedVector b{1e8, 1, 1e8};
    OwnedMatrix n(3, 3);
    OwnedVector c(3);
    Normal_Matrix(a.m, 3, 3, n.m);
    Normal_Vector(a.m, b.v, 3, 3, c.v);

    EXPECT_EQ(c.v[1], 0.0);
    double sum = 0.0;
    sum += 0.1 * 3;
    sum += 0.7 * -2;
    sum += 0.3 * (1.0 / 3);
    EXPECT_EQ(n.m[2][3], sum);
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            EXPECT_EQ(n.m[i][j], n.m[j][i]);
}

TEST(NormalEquations, ZeroColumnAndDegenerateSizes)
{
    OwnedMatrix a{{1, 0, 2}, {3, 0, 4}};
    OwnedVector b{5, 6};
    OwnedMatrix n(3, 3);
    OwnedVector c(3);
    Normal_Matrix(a.m, 2, 3, n.m);
    Normal_Vector(a.m, b.v, 2, 3, c.v);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(n.m[2][k], 0.0);
        EXPECT_EQ(n.m[k][2], 0.0);
    }
    EXPECT_EQ(c.v[2], 0.0);

    // No observations: every element is an empty sum.
    n.m[1][1] = c.v[1] = 42;
    Normal_Matrix(a.m, 0, 3, n.m);
    Normal_Vector(a.m, b.v, 0, 3, c.v);
    EXPECT_EQ(n.m[1][1], 0.0);
    EXPECT_EQ(c.v[1], 0.0);

    // No unknowns: nothing is written.
    n.m[1][1] = c.v[1] = 42;
    Normal_Matrix(a.m, 2, 0, n.m);
    Normal_Vector(a.m, b.v, 2, 0, c.v);
    EXPECT_EQ(n.m[1][1], 42);
    EXPECT_EQ(c.v[1], 42);
}

} // namespace
