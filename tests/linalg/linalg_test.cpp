// Exhausted memory, the normal equations and the LU solver.
#include "matrix_builders.h"

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#define QV_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_UNDER_ASAN 1
#endif
#endif
#ifndef QV_UNDER_ASAN
#include <sys/resource.h>
#endif

namespace {

const std::string zeroRow = "error: matrix with zero row in Triangular_Decomposition\n";
const std::string singular = "error: singular matrix in Triangular_Decomposition\n";
const double inf = std::numeric_limits<double>::infinity();

TEST(StorageDeathTest, ExhaustedMemoryWritesTheMessageAndExitsWithOne)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    // Under the address sanitizer its own warning comes first and it refuses
    // the request itself; elsewhere the heap is limited in the child.
#ifdef QV_UNDER_ASAN
    const char message[] = "could not allocate memory$";
    auto limit = [] {};
#else
    const char message[] = "^could not allocate memory$";
    auto limit = [] {
        rlimit heap{512u << 20, 512u << 20};
        setrlimit(RLIMIT_AS, &heap);
    };
#endif
    EXPECT_EXIT((limit(), Allocate_Vector(1 << 30)), testing::ExitedWithCode(1), message);
    EXPECT_EXIT((limit(), Allocate_Matrix(3, 1 << 30)), testing::ExitedWithCode(1), message);
    EXPECT_EXIT((limit(), Allocate_Index_Vector(0x7ffffff0)), testing::ExitedWithCode(1), message);
}

TEST(NormalEquations, FourObservationsOfThreeUnknownsSummedInAscendingOrder)
{
    OwnedMatrix a(Rows{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}});
    OwnedVector b({1, 2, 3, 6});
    OwnedMatrix n(3, 3);
    OwnedVector c(3);
    Normal_Matrix(a.m, 4, 3, n.m);
    Normal_Vector(a.m, b.v, 4, 3, c.v);
    EXPECT_EQ((Rows{n.Row(1, 3), n.Row(2, 3), n.Row(3, 3)}),
              (Rows{{2, 1, 1}, {1, 2, 1}, {1, 1, 2}}));
    EXPECT_EQ(c.Values(3), (std::vector<double>{7, 8, 9}));

    // Products 1, 1e16 and -1e16 in ascending k lose the 1; any other order
    // or a compensated sum keeps it.
    OwnedMatrix big(Rows{{1, 1, 0}, {1e8, 1e8, 1}, {-1e8, 1e8, 1}});
    OwnedVector d({1, 1e8, 1e8});
    Normal_Matrix(big.m, 3, 3, n.m);
    Normal_Vector(big.m, d.v, 3, 3, c.v);
    EXPECT_EQ(n.m[1][2], 0.0);
    EXPECT_EQ(n.m[2][1], 0.0);
    EXPECT_EQ(c.v[1], 0.0);
    EXPECT_EQ(n.m[3][3], 2.0);
    EXPECT_EQ(c.v[3], 2e8);
}

struct LuCase {
    const char *name;
    Rows a;
    std::vector<double> b, x;
    std::vector<int> idx; // empty: not checked
    std::string messages;
    std::vector<std::pair<int, std::vector<double>>> rows; // rows of W afterwards
};

const LuCase luCases[] = {
    {"identity", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {4, -5, 6.5}, {4, -5, 6.5}, {1, 2, 3}, "", {}},
    {"normal matrix: multipliers in place",
     {{2, 1, 1}, {1, 2, 1}, {1, 1, 2}},
     {7, 8, 9},
     {1, 2, 3},
     {1, 2, 3},
     "",
     {{1, {2, 1, 1}}, {2, {0.5, 1.5, 0.5}}, {3, {0.5, 1.0 / 3, 4.0 / 3}}}},
    {"equal scores: the lower position wins",
     {{2, 1}, {4, -4}},
     {3, 0},
     {1, 1},
     {1, 2},
     "",
     {{2, {2, -6}}}},
    {"scaling decides", {{1, 1}, {10, 10000}}, {2, 10010}, {1, 1}, {1, 2}, "", {}},
    {"exchange: only idx changes",
     {{1, 10000}, {10, 1}},
     {10001, 11},
     {1, 1},
     {2, 1},
     "",
     {{1, {0.1, 9999.9}}, {2, {10, 1}}}},
    {"permutation of three",
     {{0, 2, 0}, {3, 0, 0}, {0, 0, 4}},
     {2, 3, 4},
     {1, 1, 1},
     {2, 1, 3},
     "",
     {}},
    {"zero row", {{1, 2}, {0, 0}}, {1, 1}, {-inf, inf}, {}, zeroRow + singular, {}},
    {"singular column: skipped", {{0, 1}, {0, 2}}, {1, 1}, {inf, 0.5}, {}, singular, {{2, {0, 2}}}},
    {"order one, zero", {{0}}, {1}, {inf}, {1}, zeroRow + singular, {}},
    {"order one", {{5}}, {10}, {2}, {1}, "", {}},
};

TEST(LuSolver, NamedCasesFactorSolveAndReport)
{
    for (const LuCase &c : luCases) {
        SCOPED_TRACE(c.name);
        const int n = int(c.b.size());
        OwnedMatrix a(c.a), work(n, n);
        OwnedVector b(c.b), x(n), solved(n);
        IndexVector idx = Allocate_Index_Vector(n);
        testing::internal::CaptureStdout();
        Triangular_Decomposition(a.m, n, work.m, idx);
        Triangular_Substitution(work.m, b.v, n, idx, x.v);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.messages);
        EXPECT_EQ(x.Values(n), c.x);
        if (!c.idx.empty()) {
            EXPECT_EQ(std::vector<int>(idx + 1, idx + n + 1), c.idx);
        }
        for (const auto &[row, values] : c.rows)
            EXPECT_EQ(work.Row(row, n), values) << "row " << row;
        Free_Index_Vector(idx);

        // The whole solve gives the same and leaves its inputs as they were.
        testing::internal::CaptureStdout();
        Solve_Linear_System(a.m, b.v, n, solved.v);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.messages);
        EXPECT_EQ(solved.Values(n), c.x);
        for (int i = 1; i <= n; ++i)
            EXPECT_EQ(a.Row(i, n), c.a[i - 1]);
        EXPECT_EQ(b.Values(n), c.b);
    }
}

TEST(LuSolver, FactorsRebuildTheMatrixInPivotOrderAndSolutionsSolve)
{
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> element(-10, 10);
    std::uniform_int_distribution<int> magnitude(-3, 3);
    for (int n = 1; n <= 8; ++n)
        for (int trial = 0; trial < 25; ++trial) {
            SCOPED_TRACE("order " + std::to_string(n) + ", trial " + std::to_string(trial));
            OwnedMatrix a(n, n), work(n, n);
            OwnedVector b(n), x(n);
            for (int i = 1; i <= n; ++i) {
                // Rows of very different size, so that the scaling matters.
                const double rowScale = std::pow(10.0, magnitude(random));
                for (int j = 1; j <= n; ++j)
                    a.m[i][j] = element(random) * rowScale;
                b.v[i] = element(random) * rowScale;
            }
            IndexVector idx = Allocate_Index_Vector(n);
            Triangular_Decomposition(a.m, n, work.m, idx);
            Triangular_Substitution(work.m, b.v, n, idx, x.v);
            std::vector<bool> seen(n + 1, false);
            for (int p = 1; p <= n; ++p) {
                ASSERT_TRUE(idx[p] >= 1 && idx[p] <= n && !seen[idx[p]]) << "not a permutation";
                seen[idx[p]] = true;
            }
            // Row idx(p) of A is row p of L (unit diagonal) times U, both read
            // through idx; and A x reproduces b.
            for (int p = 1; p <= n; ++p) {
                const double *row = a.m[idx[p]];
                double size = 0, residual = 0, largest = 0;
                for (int j = 1; j <= n; ++j)
                    largest = std::fmax(largest, std::fabs(row[j]));
                for (int j = 1; j <= n; ++j) {
                    double sum = 0;
                    for (int k = 1; k <= p && k <= j; ++k)
                        sum += (k == p ? 1.0 : work.m[idx[p]][k]) * work.m[idx[k]][j];
                    EXPECT_NEAR(sum, row[j], 1e-12 * largest) << "element " << idx[p] << "," << j;
                    size += std::fabs(row[j] * x.v[j]);
                    residual += row[j] * x.v[j];
                }
                EXPECT_NEAR(residual, b.v[idx[p]], 1e-10 * (size + std::fabs(b.v[idx[p]])));
            }
            Free_Index_Vector(idx);
        }
}

} // namespace
