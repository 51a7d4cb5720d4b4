// 1-based storage built from rows of values, released by the guard that owns it.
#pragma once

#include "linalg/linalg.h"

#include <vector>

using Rows = std::vector<std::vector<double>>;

struct OwnedMatrix {
    Matrix m;
    int rows;
    OwnedMatrix(int r, int c) : m(Allocate_Matrix(r, c)), rows(r) {}
    explicit OwnedMatrix(const Rows &values)
        : OwnedMatrix(int(values.size()), int(values.empty() ? 0 : values[0].size()))
    {
        for (int i = 1; i <= rows; ++i)
            for (std::size_t j = 1; j <= values[0].size(); ++j)
                m[i][j] = values[i - 1][j - 1];
    }
    OwnedMatrix(const OwnedMatrix &) = delete;
    OwnedMatrix &operator=(const OwnedMatrix &) = delete;
    ~OwnedMatrix() { Free_Matrix(m, rows); }
    std::vector<double> Row(int i, int n) const { return {m[i] + 1, m[i] + n + 1}; }
};

struct OwnedVector {
    Vector v;
    explicit OwnedVector(int n) : v(Allocate_Vector(n)) {}
    explicit OwnedVector(const std::vector<double> &values) : OwnedVector(int(values.size()))
    {
        for (std::size_t i = 0; i < values.size(); ++i)
            v[i + 1] = values[i];
    }
    OwnedVector(const OwnedVector &) = delete;
    OwnedVector &operator=(const OwnedVector &) = delete;
    ~OwnedVector() { Free_Vector(v); }
    std::vector<double> Values(int n) const { return {v + 1, v + n + 1}; }
};
