#include "linalg/linalg.h"

void Normal_Matrix(Matrix a, int m, int n, Matrix normal)
{
    // Both triangles are formed, each element by its own sum; N(i,j) and
    // N(j,i) add the same products in the same order, so N is exactly symmetric.
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            double sum = 0.0;
            for (int k = 1; k <= m; ++k)
                sum += a[k][i] * a[k][j];
            normal[i][j] = sum;
        }
    }
}

void Normal_Vector(Matrix a, Vector b, int m, int n, Vector c)
{
    for (int i = 1; i <= n; ++i) {
        double sum = 0.0;
        for (int k = 1; k <= m; ++k)
            sum += a[k][i] * b[k];
        c[i] = sum;
    }
}
