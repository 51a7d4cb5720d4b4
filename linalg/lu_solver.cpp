#include "linalg/linalg.h"

#include <cmath>
#include <cstdio>

void Triangular_Decomposition(Matrix a, int n, Matrix work, IndexVector idx)
{
    Vector scale = Allocate_Vector(n);

    // Copy A into the work matrix and compute each row's scale factor once,
    // from the original row. All zero-row reports come before any elimination.
    for (int k = 1; k <= n; ++k) {
        idx[k] = k;
        double big = 0.0;
        for (int j = 1; j <= n; ++j) {
            work[k][j] = a[k][j];
            double magnitude = std::fabs(a[k][j]);
            if (magnitude > big)
                big = magnitude;
        }
        if (big == 0.0) {
            std::fputs("error: matrix with zero row in Triangular_Decomposition\n", stdout);
            scale[k] = 0.0;
        } else {
            scale[k] = 1.0 / big;
        }
    }

    for (int l = 1; l < n; ++l) {
        // Scaled pivot search: strictly greater wins, so ties keep the lowest
        // position and a zero or NaN score never wins.
        double best = 0.0;
        int pivotPosition = l;
        for (int i = l; i <= n; ++i) {
            double score = std::fabs(work[idx[i]][l]) * scale[idx[i]];
            if (score > best) {
                best = score;
                pivotPosition = i;
            }
        }
        if (best == 0.0) {
            std::fputs("error: singular matrix in Triangular_Decomposition\n", stdout);
            continue;
        }
        if (pivotPosition != l) {
            int swap = idx[l];
            idx[l] = idx[pivotPosition];
            idx[pivotPosition] = swap;
        }

        double *pivotRow = work[idx[l]];
        double pivot = pivotRow[l];
        for (int m = l + 1; m <= n; ++m) {
            double *row = work[idx[m]];
            double factor = row[l] / pivot;
            row[l] = factor;
            for (int j = l + 1; j <= n; ++j)
                row[j] = row[j] - factor * pivotRow[j];
        }
    }

    if (work[idx[n]][n] == 0.0)
        std::fputs("error: singular matrix in Triangular_Decomposition\n", stdout);

    Free_Vector(scale);
}

void Triangular_Substitution(Matrix work, Vector b, int n, IndexVector idx, Vector x)
{
    // Forward substitution with the unit lower factor, b read in pivot order.
    x[1] = b[idx[1]];
    for (int i = 2; i <= n; ++i) {
        const double *row = work[idx[i]];
        double sum = 0.0;
        for (int j = 1; j < i; ++j)
            sum += row[j] * x[j];
        x[i] = b[idx[i]] - sum;
    }

    // Back substitution with the upper factor, in place.
    x[n] = x[n] / work[idx[n]][n];
    for (int i = n - 1; i >= 1; --i) {
        const double *row = work[idx[i]];
        double sum = 0.0;
        for (int j = i + 1; j <= n; ++j)
            sum += row[j] * x[j];
        x[i] = (x[i] - sum) / row[i];
    }
}

void Solve_Linear_System(Matrix a, Vector b, int n, Vector x)
{
    Matrix work = Allocate_Matrix(n, n);
    IndexVector idx = Allocate_Index_Vector(n);
    Triangular_Decomposition(a, n, work, idx);
    Triangular_Substitution(work, b, n, idx, x);
    Free_Index_Vector(idx);
    Free_Matrix(work, n);
}
