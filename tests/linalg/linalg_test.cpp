// Exhausted memory, the normal equations and the LU solver.
#include "linalg/linalg.h"

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#if !defined(__SANITIZE_ADDRESS__)
#include <sys/resource.h>
#endif

namespace {

using Values = std::vector<double>;
using Rows = std::vector<Values>;

// A matrix or vector filled from values; released at the end of the test.
struct Storage {
    std::vector<Matrix> matrices;
    std::vector<int> rows;
    std::vector<Vector> vectors;
    Matrix Of(const Rows &values, int columns = 0)
    {
        const int n = int(values.size()), m = values.empty() ? columns : int(values[0].size());
        Matrix a = Allocate_Matrix(n, m);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= m; ++j)
                a[i][j] = values[i - 1][j - 1];
        matrices.push_back(a), rows.push_back(n);
        return a;
    }
    Vector Of(const Values &values)
    {
        Vector v = Allocate_Vector(int(values.size()));
        std::copy(values.begin(), values.end(), v + 1);
        vectors.push_back(v);
        return v;
    }
    ~Storage()
    {
        for (std::size_t k = 0; k < matrices.size(); ++k)
            Free_Matrix(matrices[k], rows[k]);
        for (Vector v : vectors)
            Free_Vector(v);
    }
};

Values Elements(const double *v, int n)
{
    return Values(v + 1, v + n + 1);
}

TEST(StorageDeathTest, ExhaustedMemoryWritesTheMessageAndExitsWithOne)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    // Under the address sanitizer its own warning comes first and it refuses
    // the request itself; elsewhere the heap is limited in the child.
#if defined(__SANITIZE_ADDRESS__)
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
    Storage s;
    Matrix n = s.Of(Rows(3, Values(3))), a = s.Of({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}});
    Vector c = s.Of(Values(3));
    Normal_Matrix(a, 4, 3, n);
    Normal_Vector(a, s.Of({1, 2, 3, 6}), 4, 3, c);
    EXPECT_EQ((Rows{Elements(n[1], 3), Elements(n[2], 3), Elements(n[3], 3)}),
              (Rows{{2, 1, 1}, {1, 2, 1}, {1, 1, 2}}));
    EXPECT_EQ(Elements(c, 3), (Values{7, 8, 9}));
    // Products 1, 1e16 and -1e16 in ascending k lose the 1; any other order
    // or a compensated sum keeps it.
    Matrix big = s.Of({{1, 1, 0}, {1e8, 1e8, 1}, {-1e8, 1e8, 1}});
    Normal_Matrix(big, 3, 3, n);
    Normal_Vector(big, s.Of({1, 1e8, 1e8}), 3, 3, c);
    EXPECT_EQ((Values{n[1][2], n[2][1], n[3][3], c[1], c[3]}), (Values{0, 0, 2, 0, 2e8}));
}

const double inf = std::numeric_limits<double>::infinity();
const std::string zeroRow = "error: matrix with zero row in Triangular_Decomposition\n";
const std::string singular = "error: singular matrix in Triangular_Decomposition\n";

struct LuCase {
    Rows a;
    Values b, x;
    std::vector<int> idx; // empty: not checked
    std::string messages;
    std::vector<std::pair<int, Values>> rows; // rows of the work matrix afterwards
};

// clang-format off
const LuCase luCases[] = {
    {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {4, -5, 6.5}, {4, -5, 6.5}, {1, 2, 3}, "", {}},
    // The multipliers take the places of the eliminated elements.
    {{{2, 1, 1}, {1, 2, 1}, {1, 1, 2}}, {7, 8, 9}, {1, 2, 3}, {1, 2, 3}, "",
     {{1, {2, 1, 1}}, {2, {0.5, 1.5, 0.5}}, {3, {0.5, 1.0 / 3, 4.0 / 3}}}},
    // Equal scores: the lower position wins. Then the scaling decides against
    // the larger element. Then an exchange moves only idx, not the rows.
    {{{2, 1}, {4, -4}}, {3, 0}, {1, 1}, {1, 2}, "", {{2, {2, -6}}}},
    {{{1, 1}, {10, 10000}}, {2, 10010}, {1, 1}, {1, 2}, "", {}},
    {{{1, 10000}, {10, 1}}, {10001, 11}, {1, 1}, {2, 1}, "", {{1, {0.1, 9999.9}}, {2, {10, 1}}}},
    {{{0, 2, 0}, {3, 0, 0}, {0, 0, 4}}, {2, 3, 4}, {1, 1, 1}, {2, 1, 3}, "", {}},
    // A zero row; a column without a pivot, skipped and left as it was.
    {{{1, 2}, {0, 0}}, {1, 1}, {-inf, inf}, {}, zeroRow + singular, {}},
    {{{0, 1}, {0, 2}}, {1, 1}, {inf, 0.5}, {}, singular, {{2, {0, 2}}}},
    {{{0}}, {1}, {inf}, {1}, zeroRow + singular, {}},
    {{{5}}, {10}, {2}, {1}, "", {}},
};
// clang-format on

TEST(LuSolver, NamedCasesFactorSolveAndReport)
{
    for (const LuCase &c : luCases) {
        SCOPED_TRACE(testing::PrintToString(c.a));
        const int n = int(c.b.size());
        Storage s;
        Matrix a = s.Of(c.a), work = s.Of(Rows(n, Values(n)));
        Vector b = s.Of(c.b), x = s.Of(Values(n)), solved = s.Of(Values(n));
        IndexVector idx = Allocate_Index_Vector(n);
        testing::internal::CaptureStdout();
        Triangular_Decomposition(a, n, work, idx);
        Triangular_Substitution(work, b, n, idx, x);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.messages);
        EXPECT_EQ(Elements(x, n), c.x);
        EXPECT_TRUE(c.idx.empty() || std::vector<int>(idx + 1, idx + n + 1) == c.idx);
        for (const auto &[row, values] : c.rows)
            EXPECT_EQ(Elements(work[row], n), values) << "row " << row;
        Free_Index_Vector(idx);
        // The whole solve gives the same and leaves its inputs as they were.
        testing::internal::CaptureStdout();
        Solve_Linear_System(a, b, n, solved);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.messages);
        EXPECT_EQ(Elements(solved, n), c.x);
        for (int i = 1; i <= n; ++i)
            EXPECT_EQ(Elements(a[i], n), c.a[i - 1]);
        EXPECT_EQ(Elements(b, n), c.b);
    }
}

TEST(LuSolver, FactorsRebuildTheMatrixInPivotOrderAndSolutionsSolve)
{
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> element(-10, 10);
    for (int n = 1; n <= 8; ++n)
        for (int trial = 0; trial < 25; ++trial) {
            SCOPED_TRACE(std::to_string(n) + " " + std::to_string(trial));
            Storage s;
            Rows rows(n, Values(n));
            Values right(n);
            for (int i = 0; i < n; ++i) {
                // Rows of very different size, so that the scaling matters.
                const double rowScale = std::pow(10.0, int(random() % 7) - 3);
                for (double &value : rows[i])
                    value = element(random) * rowScale;
                right[i] = element(random) * rowScale;
            }
            Matrix a = s.Of(rows), work = s.Of(Rows(n, Values(n)));
            Vector b = s.Of(right), x = s.Of(Values(n));
            IndexVector idx = Allocate_Index_Vector(n);
            Triangular_Decomposition(a, n, work, idx);
            Triangular_Substitution(work, b, n, idx, x);
            std::vector<int> order(idx + 1, idx + n + 1);
            std::sort(order.begin(), order.end());
            for (int p = 1; p <= n; ++p)
                ASSERT_EQ(order[p - 1], p) << "idx is not a permutation";
            // Row idx(p) of A is row p of L (unit diagonal) times U, both read
            // through idx; and A x reproduces b.
            for (int p = 1; p <= n; ++p) {
                const double *row = a[idx[p]];
                double size = 0, sum = 0, largest = 0;
                for (int j = 1; j <= n; ++j)
                    largest = std::fmax(largest, std::fabs(row[j]));
                for (int j = 1; j <= n; ++j) {
                    double product = 0;
                    for (int k = 1; k <= p && k <= j; ++k)
                        product += (k == p ? 1.0 : work[idx[p]][k]) * work[idx[k]][j];
                    EXPECT_NEAR(product, row[j], 1e-12 * largest) << idx[p] << "," << j;
                    size += std::fabs(row[j] * x[j]);
                    sum += row[j] * x[j];
                }
                EXPECT_NEAR(sum, b[idx[p]], 1e-10 * (size + std::fabs(b[idx[p]])));
            }
            Free_Index_Vector(idx);
        }
}

} // namespace
