// The rotation matrix, the stereo camera model and the space intersection,
// against their published check values.
#include "model/stereo_model.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Rows = std::vector<std::vector<double>>;

Rows Rows_Of(Matrix r)
{
    return {{r[1][1], r[1][2], r[1][3]}, {r[2][1], r[2][2], r[2][3]}, {r[3][1], r[3][2], r[3][3]}};
}

Rows Rotation(double omega, double phi, double kappa)
{
    Matrix r = Allocate_Matrix(3, 3);
    Rotation_Matrix(r, omega, phi, kappa);
    const Rows rows = Rows_Of(r);
    Free_Matrix(r, 3);
    return rows;
}

// Each element to within half a unit of its last digit: of six decimals, or
// of six significant digits.
void Expect_Near(const Rows &actual, const Rows &expected, bool significant)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const double e = expected[i][j], magnitude = std::floor(std::log10(std::fabs(e)));
            EXPECT_NEAR(actual[i][j], e, 0.5 * std::pow(10, significant ? magnitude - 5 : -6))
                << i + 1 << "," << j + 1;
        }
}

TEST(RotationMatrix, TheLeftCameraToItsCheckValues)
{
    EXPECT_EQ(Rotation(0, 0, 0), (Rows{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    Expect_Near(Rotation(1.715906, 0.499112, -0.101816),
                {{0.873461, 0.485860, -0.031718},
                 {0.089241, -0.095714, 0.991400},
                 {0.478646, -0.868780, -0.126961}},
                false);
}

TEST(StereoModel, CommonRotationAndIntersectionsToTheirCheckValues)
{
    Setup_Stereo_Model();
    const StereoModelRecord &m = StereoModel;
    // The leading angles are not the cameras' omega.
    EXPECT_NEAR(Leading_Angle(m.leftRotation), 1.698165, 0.5e-6);
    EXPECT_NEAR(Leading_Angle(m.rightRotation), 1.683922, 0.5e-6);
    Expect_Near(Rows_Of(m.commonRotation),
                {{0.939522, 0.0422031, 0.339878},
                 {0.342486, -0.112295, -0.932788},
                 {-0.00119990, 0.992778, -0.119958}},
                true);
    const struct {
        int row, leftColumn, rightColumn;
        const char *xyz;
    } cases[] = {
        {320, 505, 425, "103.864 196.927 25.133"}, {320, 465, 465, "95.288 210.967 28.175"},
        {320, 436, 494, "78.038 239.207 34.295"},  {512, 494, 436, "101.968 200.281 19.980"},
        {10, 39, -19, "89.736 193.893 35.001"},    {630, 949, 891, "114.687 205.372 16.437"},
        {320, 494, 436, "102.211 199.632 25.719"},
    };
    char shown[100];
    for (const auto &c : cases) {
        double x = 0, y = 0, z = 0;
        Space_Intersection(c.row, c.leftColumn, c.rightColumn, &x, &y, &z);
        std::snprintf(shown, sizeof shown, "%.3f %.3f %.3f", x, y, z);
        EXPECT_EQ(std::string(shown), c.xyz) << c.row << " " << c.leftColumn;
        EXPECT_TRUE(m.solution[1] == x && m.solution[2] == y && m.solution[3] == z);
    }
    Release_Stereo_Model();
}

} // namespace
