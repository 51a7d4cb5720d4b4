#include "../linalg/matrix_builders.h"
#include "model/stereo_model.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::vector<double>>;

Rows Rotation(double omega, double phi, double kappa)
{
    OwnedMatrix r(3, 3);
    Rotation_Matrix(r.m, omega, phi, kappa);
    Rows rows;
    for (int i = 1; i <= 3; ++i)
        rows.push_back({r.m[i][1], r.m[i][2], r.m[i][3]});
    return rows;
}

void Expect_Near(const Rows &actual, const Rows &expected, double tolerance)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(actual[i][j], expected[i][j], tolerance)
                << "row " << i + 1 << " col " << j + 1;
}

TEST(RotationMatrix, ElementaryRotationsAndTheirLayout)
{
    EXPECT_EQ(Rotation(0, 0, 0), (Rows{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    const double a = 0.3, c = std::cos(a), s = std::sin(a);
    Expect_Near(Rotation(a, 0, 0), Rows{{1, 0, 0}, {0, c, s}, {0, -s, c}}, 0);
    Expect_Near(Rotation(0, a, 0), Rows{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}, 0);
    Expect_Near(Rotation(0, 0, a), Rows{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}, 0);
}

TEST(RotationMatrix, LeftCameraOfTheModel)
{
    Expect_Near(Rotation(1.715906, 0.499112, -0.101816),
                Rows{{0.873461, 0.485860, -0.031718},
                     {0.089241, -0.095714, 0.991400},
                     {0.478646, -0.868780, -0.126961}},
                0.5e-6);
}

TEST(RotationMatrix, OrthonormalWithThirdRowFromOmegaAndPhi)
{
    const double angles[][3] = {{1.7, 0.5, -0.1}, {-2.9, 1.2, 3.0}, {0.01, -1.5, 0.7}};
    for (auto &g : angles) {
        Rows r = Rotation(g[0], g[1], g[2]);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                double dot = 0;
                for (int k = 0; k < 3; ++k)
                    dot += r[i][k] * r[j][k];
                EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-15);
            }
        double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                     r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                     r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
        EXPECT_NEAR(det, 1.0, 1e-15);
        EXPECT_EQ(r[2][0], std::sin(g[1]));
        EXPECT_EQ(r[2][2], std::cos(g[0]) * std::cos(g[1]));
    }
}

} // namespace
