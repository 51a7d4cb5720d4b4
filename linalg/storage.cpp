#include "linalg/linalg.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Exhausted memory is fatal: report it and leave through exit(), so that
// registered handlers run and open streams (the point log) are flushed.
[[noreturn]] void Out_Of_Memory()
{
    std::fputs("could not allocate memory", stderr);
    std::exit(1);
}

void *Allocate_Zeroed(int count, std::size_t size)
{
    // One spare leading element: index 0 exists but is never used.
    std::size_t elements = count < 0 ? 0 : static_cast<std::size_t>(count);
    void *block = std::calloc(elements + 1, size);
    if (block == nullptr)
        Out_Of_Memory();
    return block;
}

} // namespace

Matrix Allocate_Matrix(int rows, int columns)
{
    auto m = static_cast<Matrix>(Allocate_Zeroed(rows, sizeof(double *)));
    for (int i = 1; i <= rows; ++i)
        m[i] = static_cast<double *>(Allocate_Zeroed(columns, sizeof(double)));
    return m;
}

Vector Allocate_Vector(int length)
{
    return static_cast<Vector>(Allocate_Zeroed(length, sizeof(double)));
}

IndexVector Allocate_Index_Vector(int length)
{
    return static_cast<IndexVector>(Allocate_Zeroed(length, sizeof(int)));
}

void Free_Matrix(Matrix m, int rows)
{
    for (int i = 1; i <= rows; ++i)
        std::free(m[i]);
    std::free(m);
}

void Free_Vector(Vector v)
{
    std::free(v);
}

void Free_Index_Vector(IndexVector v)
{
    std::free(v);
}
