#include "matrix_builders.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

const char zeroRow[] = "error: matrix with zero row in Triangular_Decomposition\n";
const char singular[] = "error: singular matrix in Triangular_Decomposition\n";
const double inf = std::numeric_limits<double>::infinity();

// One decomposition and substitution with the factors kept for inspection.
struct Factored {
    int n;
    OwnedMatrix work;
    IndexVector idx;
    OwnedVector x;
    std::string messages;

    Factored(const OwnedMatrix &a, const OwnedVector &b, int order)
        : n(order), work(order, order), idx(Allocate_Index_Vector(order)), x(order)
    {
        messages = Captured_Stdout([&] {
            Triangular_Decomposition(a.m, n, work.m, idx);
            Triangular_Substitution(work.m, b.v, n, idx, x.v);
        });
    }
    ~Factored() { Free_Index_Vector(idx); }

    std::vector<int> Permutation() const { return std::vector<int>(idx + 1, idx + n + 1); }
    std::vector<double> Row(int r) const
    {
        return std::vector<double>(work.m[r] + 1, work.m[r] + n + 1);
    }
    std::vector<double> Solution() const { return std::vector<double>(x.v + 1, x.v + n + 1); }
};

TEST(LuSolver, IdentityGivesTheRightSide)
{
    OwnedMatrix a{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    OwnedVector b{4, -5, 6.5};
    Factored f(a, b, 3);
    EXPECT_EQ(f.Permutation(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(f.Solution(), (std::vector<double>{4, -5, 6.5}));
    EXPECT_EQ(f.messages, "");
}

TEST(LuSolver, NormalMatrixFactorsInPlaceWithUnitLowerMultipliers)
{
    OwnedMatrix a{{2, 1, 1}, {1, 2, 1}, {1, 1, 2}};
    OwnedVector b{7, 8, 9};
    Factored f(a, b, 3);
    EXPECT_EQ(f.Permutation(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(f.Row(1), (std::vector<double>{2, 1, 1}));
    EXPECT_EQ(f.Row(2), (std::vector<double>{0.5, 1.5, 0.5}));
    // 1/3 and 4/3, each as the elimination rounds it.
    EXPECT_EQ(f.Row(3), (std::vector<double>{0.5, 0.5 / 1.5, 1.5 - (0.5 / 1.5) * 0.5}));
    EXPECT_EQ(f.Solution(), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(f.messages, "");
}

TEST(LuSolver, PivotChoiceFollowsScaledScores)
{
    {
        SCOPED_TRACE("equal scores: the lower position wins, no exchange");
        OwnedMatrix a{{2, 1}, {4, -4}};
        OwnedVector b{3, 0};
        Factored f(a, b, 2);
        EXPECT_EQ(f.Permutation(), (std::vector<int>{1, 2}));
        EXPECT_EQ(f.Row(2), (std::vector<double>{2, -6}));
        EXPECT_EQ(f.Solution(), (std::vector<double>{1, 1}));
    }
    {
        SCOPED_TRACE("scaling decides against the larger element");
        OwnedMatrix a{{1, 1}, {10, 10000}};
        OwnedVector b{2, 10010};
        Factored f(a, b, 2);
        EXPECT_EQ(f.Permutation(), (std::vector<int>{1, 2}));
        EXPECT_EQ(f.Solution(), (std::vector<double>{1, 1}));
    }
    {
        SCOPED_TRACE("exchange: only idx changes, rows stay in place");
        OwnedMatrix a{{1, 10000}, {10, 1}};
        OwnedVector b{10001, 11};
        Factored f(a, b, 2);
        EXPECT_EQ(f.Permutation(), (std::vector<int>{2, 1}));
        EXPECT_EQ(f.Row(1), (std::vector<double>{1.0 / 10, 10000 - (1.0 / 10) * 1}));
        EXPECT_EQ(f.Row(2), (std::vector<double>{10, 1}));
        EXPECT_EQ(f.Solution(), (std::vector<double>{1, 1}));
    }
    {
        SCOPED_TRACE("permutation of three");
        OwnedMatrix a{{0, 2, 0}, {3, 0, 0}, {0, 0, 4}};
        OwnedVector b{2, 3, 4};
        Factored f(a, b, 3);
        EXPECT_EQ(f.Permutation(), (std::vector<int>{2, 1, 3}));
        EXPECT_EQ(f.Solution(), (std::vector<double>{1, 1, 1}));
        EXPECT_EQ(f.messages, "");
    }
}

TEST(LuSolver, NumericalTroubleIsReportedAndNonFiniteValuesPassOn)
{
    {
        SCOPED_TRACE("zero row: one zero-row and one singular message");
        OwnedMatrix a{{1, 2}, {0, 0}};
        OwnedVector b{1, 1};
        Factored f(a, b, 2);
        EXPECT_EQ(f.messages, std::string(zeroRow) + singular);
        EXPECT_EQ(f.x.v[2], inf);
        EXPECT_EQ(f.x.v[1], -inf);
    }
    {
        SCOPED_TRACE("singular column: skipped, no message from the final check");
        OwnedMatrix a{{0, 1}, {0, 2}};
        OwnedVector b{1, 1};
        Factored f(a, b, 2);
        EXPECT_EQ(f.messages, singular);
        EXPECT_EQ(f.Row(2), (std::vector<double>{0, 2})); // not eliminated
        EXPECT_EQ(f.x.v[2], 0.5);
        EXPECT_EQ(f.x.v[1], inf);
    }
    {
        SCOPED_TRACE("NaN never wins a pivot search");
        OwnedMatrix a{{std::nan(""), 1}, {0, 1}};
        OwnedVector b{1, 1};
        Factored f(a, b, 2);
        EXPECT_EQ(f.Permutation(), (std::vector<int>{1, 2}));
        EXPECT_EQ(f.messages, singular);
    }
}

TEST(LuSolver, OrderOne)
{
    {
        OwnedMatrix a{{0}};
        OwnedVector b{1};
        Factored f(a, b, 1);
        EXPECT_EQ(f.messages, std::string(zeroRow) + singular);
    }
    {
        OwnedMatrix a{{5}};
        OwnedVector b{10};
        Factored f(a, b, 1);
        EXPECT_EQ(f.Solution(), (std::vector<double>{2}));
        EXPECT_EQ(f.messages, "");
    }
}

TEST(LuSolver, SolveLeavesItsInputsUnchanged)
{
    OwnedMatrix a{{0, 2, 0}, {3, 0, 0}, {0, 0, 4}};
    OwnedVector b{2, 3, 4};
    OwnedVector x(3);
    std::string messages = Captured_Stdout([&] { Solve_Linear_System(a.m, b.v, 3, x.v); });
    EXPECT_EQ(messages, "");
    EXPECT_EQ(x.v[1], 1);
    EXPECT_EQ(x.v[2], 1);
    EXPECT_EQ(x.v[3], 1);
    EXPECT_EQ(a.m[1][2], 2);
    EXPECT_EQ(a.m[2][1], 3);
    EXPECT_EQ(a.m[1][1], 0);
    EXPECT_EQ(b.v[1], 2);
    EXPECT_EQ(b.v[3], 4);
}

} // namespace
