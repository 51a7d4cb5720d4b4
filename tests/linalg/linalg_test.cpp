// Storage, exhausted memory and the LU solver. (The normal equations' every
// sum and order enter the space intersection's results, held to the last bit
// by the model's test.)
#include "linalg/linalg.h"

#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#if !defined(__SANITIZE_ADDRESS__)
#include <sys/resource.h>
#endif

namespace {

using Values = std::vector<double>;
using Rows = std::vector<Values>;

// 1-based storage over vectors, as the routines take it: a spare leading
// element in every row and vector, and a spare leading row handle.
struct Stored {
    Rows rows;
    std::vector<double *> handles{nullptr};
    explicit Stored(const Rows &values) : rows(values)
    {
        for (Values &row : rows)
            row.insert(row.begin(), 0), handles.push_back(row.data());
    }
    Stored(const Stored &) = delete;
    operator Matrix() { return handles.data(); }
    Values Row(int i) const { return Values(rows[i - 1].begin() + 1, rows[i - 1].end()); }
};

const auto One_Based = [](Values values) {
    values.insert(values.begin(), 0);
    return values;
};

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

TEST(Storage, NewStorageIsZeroWhereFreedStorageHeldValues)
{
    for (int round = 0; round < 2; ++round) {
        Vector v = Allocate_Vector(64);
        Matrix m = Allocate_Matrix(2, 64);
        IndexVector idx = Allocate_Index_Vector(64);
        for (int i = 1; i <= 64; ++i) {
            EXPECT_TRUE(v[i] == 0.0 && m[1][i] == 0.0 && m[2][i] == 0.0 && idx[i] == 0) << i;
            v[i] = m[1][i] = m[2][i] = idx[i] = -7;
        }
        Free_Vector(v), Free_Matrix(m, 2), Free_Index_Vector(idx);
    }
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
    // The multiplier is a quotient, not a product with the pivot's reciprocal.
    {{{3, 1}, {7, 2}}, {4, 9}, {0x1.ffffffffffffcp-1, 0x1.0000000000006p+0}, {1, 2}, "",
     {{2, {0x1.2aaaaaaaaaaabp+1, -0x1.5555555555558p-2}}}},
    {{{0, 2, 0}, {3, 0, 0}, {0, 0, 4}}, {2, 3, 4}, {1, 1, 1}, {2, 1, 3}, "", {}},
    // A zero row; a column without a pivot, skipped and left as it was.
    {{{1, 2}, {0, 0}}, {1, 1}, {-inf, inf}, {}, zeroRow + singular, {}},
    {{{0, 1}, {0, 2}}, {1, 1}, {inf, 0.5}, {}, singular, {{2, {0, 2}}}},
    {{{0}}, {1}, {inf}, {1}, zeroRow + singular, {}},
    {{{0, 0, 0, 1}, {0, 0, 2, 0}, {0, 3, 0, 0}, {4, 0, 0, 0}}, {1, 2, 3, 4}, {1, 1, 1, 1}, {4, 3, 2, 1}, "", {}},
};
// clang-format on

TEST(LuSolver, NamedCasesFactorSolveAndReport)
{
    for (const LuCase &c : luCases) {
        SCOPED_TRACE(testing::PrintToString(c.a));
        const int n = int(c.b.size());
        Stored a(c.a), work(Rows(n, Values(n)));
        Values b = One_Based(c.b), x(n + 1), solved(n + 1);
        IndexVector idx = Allocate_Index_Vector(n);
        testing::internal::CaptureStdout();
        Triangular_Decomposition(a, n, work, idx);
        Triangular_Substitution(work, b.data(), n, idx, x.data());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.messages);
        EXPECT_EQ(Values(x.begin() + 1, x.end()), c.x);
        EXPECT_TRUE(c.idx.empty() || std::vector<int>(idx + 1, idx + n + 1) == c.idx);
        for (const auto &[row, values] : c.rows)
            EXPECT_EQ(work.Row(row), values) << "row " << row;
        Free_Index_Vector(idx);
        // The whole solve gives the same and leaves its inputs as they were.
        testing::internal::CaptureStdout();
        Solve_Linear_System(a, b.data(), n, solved.data());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.messages);
        EXPECT_EQ(solved, x);
        for (int i = 1; i <= n; ++i)
            EXPECT_EQ(a.Row(i), c.a[i - 1]);
        EXPECT_EQ(b, One_Based(c.b));
    }
}

} // namespace
