// Dense double-precision matrices and vectors indexed from 1, the normal
// equations of a least-squares system, and an LU solver with scaled partial
// pivoting.
//
// Storage carries no dimensions: every routine takes its sizes as arguments.
// Each block has one spare leading element, so that index 1 is the first
// element in use and no address before a block is ever formed. Element access
// is plain and unchecked: M[i][j], v[i].
#pragma once

using Matrix = double **;
using Vector = double *;
using IndexVector = int *;

// Creation zero-fills. On exhausted memory they write "could not allocate
// memory" (no line break) to standard error and end the process with status 1.
Matrix Allocate_Matrix(int rows, int columns);
Vector Allocate_Vector(int length);
IndexVector Allocate_Index_Vector(int length);

// Free_Matrix releases rows 1..rows in ascending order, then the row array.
void Free_Matrix(Matrix m, int rows);
void Free_Vector(Vector v);
void Free_Index_Vector(IndexVector v);

// N = A^T A (n x n) and c = A^T b for an m x n matrix A. Each element is one
// running sum over k = 1..m in ascending order.
void Normal_Matrix(Matrix a, int m, int n, Matrix normal);
void Normal_Vector(Matrix a, Vector b, int m, int n, Vector c);

// Gaussian elimination with scaled partial pivoting. The work matrix receives
// a copy of A and then the factors; its rows never move, idx holds the
// permutation. Numerical trouble is reported on standard output only.
void Triangular_Decomposition(Matrix a, int n, Matrix work, IndexVector idx);
void Triangular_Substitution(Matrix work, Vector b, int n, IndexVector idx, Vector x);
void Solve_Linear_System(Matrix a, Vector b, int n, Vector x);
