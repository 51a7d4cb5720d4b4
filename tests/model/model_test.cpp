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
    // The published check values, to the last bit: each result as an
    // independent evaluation of the documented formulas, in their order and
    // in IEEE doubles, gives it (shown to three decimals beside it).
    const struct {
        int row, leftColumn, rightColumn;
        double x, y, z;
    } cases[] = {
        {320, 505, 425, 0x1.9f74b8ff76518p+6, 0x1.89da9d4a605acp+7, 0x1.921f06d6956cap+4},
        {320, 465, 465, 0x1.7d26b17125902p+6, 0x1.a5ef30b08e6e4p+7, 0x1.c2cdf304a9d0bp+4},
        {320, 436, 494, 0x1.38269df94017ap+6, 0x1.de6a36111214bp+7, 0x1.125cddc3305e7p+5},
        {512, 494, 436, 0x1.97deb9503e900p+6, 0x1.90901c9344200p+7, 0x1.3faf25f3d8593p+4},
        {10, 39, -19, 0x1.66f1306b25ce2p+6, 0x1.83c9271be04ecp+7, 0x1.180191f25c45cp+5},
        {630, 949, 891, 0x1.cabfdd9900a9bp+6, 0x1.9abe62f0b8f59p+7, 0x1.06fdd5a8295e1p+4},
        {320, 494, 436, 0x1.98d8870213372p+6, 0x1.8f43c5064ca9dp+7, 0x1.9b807cc670f64p+4},
    };
    const char *shown[] = {"103.864 196.927 25.133", "95.288 210.967 28.175",
                           "78.038 239.207 34.295",  "101.968 200.281 19.980",
                           "89.736 193.893 35.001",  "114.687 205.372 16.437",
                           "102.211 199.632 25.719"};
    char text[100];
    for (int k = 0; k < 7; ++k) {
        const auto &c = cases[k];
        double x = 0, y = 0, z = 0;
        Space_Intersection(c.row, c.leftColumn, c.rightColumn, &x, &y, &z);
        EXPECT_TRUE(x == c.x && y == c.y && z == c.z) << c.row << " " << c.leftColumn;
        std::snprintf(text, sizeof text, "%.3f %.3f %.3f", x, y, z);
        EXPECT_EQ(std::string(text), shown[k]);
        EXPECT_TRUE(m.solution[1] == x && m.solution[2] == y && m.solution[3] == z);
    }
    Release_Stereo_Model();
}

} // namespace
