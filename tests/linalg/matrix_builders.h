// Small builders for 1-based storage in tests; each object is released by the
// guard that owns it.
#pragma once

#include "linalg/linalg.h"

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct OwnedMatrix {
    Matrix m;
    int rows;
    OwnedMatrix(int r, int c) : m(Allocate_Matrix(r, c)), rows(r) {}
    OwnedMatrix(std::initializer_list<std::initializer_list<double>> values)
        : OwnedMatrix(static_cast<int>(values.size()), static_cast<int>(values.begin()->size()))
    {
        int i = 1;
        for (auto row : values) {
            int j = 1;
            for (double v : row)
                m[i][j++] = v;
            ++i;
        }
    }
    OwnedMatrix(const OwnedMatrix &) = delete;
    OwnedMatrix &operator=(const OwnedMatrix &) = delete;
    ~OwnedMatrix() { Free_Matrix(m, rows); }
};

struct OwnedVector {
    Vector v;
    explicit OwnedVector(int n) : v(Allocate_Vector(n)) {}
    OwnedVector(std::initializer_list<double> values) : OwnedVector(static_cast<int>(values.size()))
    {
        int i = 1;
        for (double x : values)
            v[i++] = x;
    }
    OwnedVector(const OwnedVector &) = delete;
    OwnedVector &operator=(const OwnedVector &) = delete;
    ~OwnedVector() { Free_Vector(v); }
};

// Runs f with standard output captured and returns what it wrote.
template <typename F> std::string Captured_Stdout(F f)
{
    testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}
