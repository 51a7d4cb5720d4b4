#include "matrix_builders.h"

#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QV_UNDER_ASAN 1
#endif

#ifndef QV_UNDER_ASAN
#include <sys/resource.h>
#endif

namespace {

TEST(Storage, FreshObjectsAreZeroAtEveryValidIndex)
{
    OwnedMatrix a(4, 3);
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 3; ++j)
            EXPECT_EQ(a.m[i][j], 0.0);

    OwnedVector v(5);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(v.v[i], 0.0);

    IndexVector idx = Allocate_Index_Vector(7);
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(idx[i], 0);
    Free_Index_Vector(idx);
}

TEST(Storage, RowsAreSeparateBlocksAndWritesStayInTheirRow)
{
    OwnedMatrix a(4, 3);
    for (int j = 1; j <= 3; ++j)
        a.m[2][j] = 10.0 + j;
    a.m[4][3] = 99.0; // the last valid element
    for (int i : {1, 3})
        for (int j = 1; j <= 3; ++j)
            EXPECT_EQ(a.m[i][j], 0.0) << i << "," << j;
    EXPECT_EQ(a.m[2][3], 13.0);
    EXPECT_EQ(a.m[4][3], 99.0);

    // Rows can be exchanged by handle without touching their contents.
    std::swap(a.m[1], a.m[2]);
    EXPECT_EQ(a.m[1][1], 11.0);
    EXPECT_EQ(a.m[2][1], 0.0);
}

// Makes the heap refuse a large request in this (child) process.
void Limit_Heap()
{
#ifndef QV_UNDER_ASAN
    rlimit limit{512u << 20, 512u << 20};
    setrlimit(RLIMIT_AS, &limit);
#endif
}

// The message ends the output: no line break after it. Under the address
// sanitizer the allocator's own warning comes first.
#ifdef QV_UNDER_ASAN
const char outOfMemory[] = "could not allocate memory$";
#else
const char outOfMemory[] = "^could not allocate memory$";
#endif

using StorageDeathTest = testing::Test;

TEST_F(StorageDeathTest, ExhaustedMemoryWritesTheMessageAndExitsWithOne)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    // A vector of 2^30 doubles (8 GiB) cannot be had.
    EXPECT_EXIT(
        {
            Limit_Heap();
            Allocate_Vector(1 << 30);
        },
        testing::ExitedWithCode(1), outOfMemory);
    EXPECT_EXIT(
        {
            Limit_Heap();
            Allocate_Matrix(3, 1 << 30);
        },
        testing::ExitedWithCode(1), outOfMemory);
    EXPECT_EXIT(
        {
            Limit_Heap();
            Allocate_Index_Vector(0x7ffffff0);
        },
        testing::ExitedWithCode(1), outOfMemory);
}

} // namespace
