// The rotation matrix, the stereo camera model and the space intersection,
// against their published check values.
#include "../linalg/matrix_builders.h"
#include "model/stereo_model.h"

#include <cmath>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

namespace {

Rows Rotation(double omega, double phi, double kappa)
{
    OwnedMatrix r(3, 3);
    Rotation_Matrix(r.m, omega, phi, kappa);
    return {r.Row(1, 3), r.Row(2, 3), r.Row(3, 3)};
}

void Expect_Near(const Rows &actual, const Rows &expected, double tolerance)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(actual[i][j], expected[i][j], tolerance) << i + 1 << "," << j + 1;
}

TEST(RotationMatrix, ElementaryRotationsTheLeftCameraAndOrthonormality)
{
    EXPECT_EQ(Rotation(0, 0, 0), (Rows{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    const double c = std::cos(0.3), s = std::sin(0.3);
    Expect_Near(Rotation(0.3, 0, 0), {{1, 0, 0}, {0, c, s}, {0, -s, c}}, 0);
    Expect_Near(Rotation(0, 0.3, 0), {{c, 0, -s}, {0, 1, 0}, {s, 0, c}}, 0);
    Expect_Near(Rotation(0, 0, 0.3), {{c, s, 0}, {-s, c, 0}, {0, 0, 1}}, 0);
    Expect_Near(Rotation(1.715906, 0.499112, -0.101816),
                {{0.873461, 0.485860, -0.031718},
                 {0.089241, -0.095714, 0.991400},
                 {0.478646, -0.868780, -0.126961}},
                0.5e-6);
    // Rows orthonormal; row 1 x row 2 = row 3 gives determinant +1.
    const Rows r = Rotation(-2.9, 1.2, 3.0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(r[i][0] * r[j][0] + r[i][1] * r[j][1] + r[i][2] * r[j][2], i == j, 1e-15);
    EXPECT_NEAR(r[0][1] * r[1][2] - r[0][2] * r[1][1], r[2][0], 1e-15);
}

class ModelTest : public testing::Test {
  protected:
    void SetUp() override { Setup_Stereo_Model(); }
    void TearDown() override { Release_Stereo_Model(); }
};

TEST_F(ModelTest, LeadingAnglesAndTheCommonRotation)
{
    // The leading angles are not the cameras' omega.
    EXPECT_NEAR(Leading_Angle(StereoModel.leftRotation), 1.698165, 0.5e-6);
    EXPECT_NEAR(Leading_Angle(StereoModel.rightRotation), 1.683922, 0.5e-6);
    const Matrix r = StereoModel.commonRotation;
    const double expected[3][3] = {{0.939522, 0.0422031, 0.339878},
                                   {0.342486, -0.112295, -0.932788},
                                   {-0.00119990, 0.992778, -0.119958}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            // Six significant places: half a unit of the sixth digit.
            const double e = expected[i - 1][j - 1];
            EXPECT_NEAR(r[i][j], e, 0.5 * std::pow(10, std::floor(std::log10(std::fabs(e))) - 5))
                << i << "," << j;
        }
}

std::string Three_Decimals(double x, double y, double z)
{
    char text[100];
    std::snprintf(text, sizeof text, "%.3f %.3f %.3f", x, y, z);
    return text;
}

TEST_F(ModelTest, IntersectionsShownToThreeDecimals)
{
    const struct {
        int row, leftColumn, rightColumn;
        const char *xyz;
    } cases[] = {
        {320, 494, 436, "102.211 199.632 25.719"}, {320, 505, 425, "103.864 196.927 25.133"},
        {320, 465, 465, "95.288 210.967 28.175"},  {320, 436, 494, "78.038 239.207 34.295"},
        {512, 494, 436, "101.968 200.281 19.980"}, {10, 39, -19, "89.736 193.893 35.001"},
        {630, 949, 891, "114.687 205.372 16.437"},
    };
    for (const auto &c : cases) {
        double x = 0, y = 0, z = 0;
        Space_Intersection(c.row, c.leftColumn, c.rightColumn, &x, &y, &z);
        EXPECT_EQ(Three_Decimals(x, y, z), c.xyz) << c.row << " " << c.leftColumn;
        EXPECT_EQ(Three_Decimals(StereoModel.solution[1], StereoModel.solution[2],
                                 StereoModel.solution[3]),
                  c.xyz);
    }
}

TEST_F(ModelTest, ObservationEquationsOfTheFirstCase)
{
    double x, y, z;
    Space_Intersection(320, 494, 436, &x, &y, &z);
    const StereoModelRecord &m = StereoModel;
    const double column3[] = {-2.3434582, 4.7910197, -3.2931837, 4.4379465};
    const double rightSide[] = {-162.482548, -76.412755, -186.908412, -85.493399};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(m.designMatrix[k][1], k % 2 == 1 ? -1.0 : 0.0);
        EXPECT_EQ(m.designMatrix[k][2], k % 2 == 1 ? 0.0 : -1.0);
        EXPECT_NEAR(m.designMatrix[k][3], column3[k - 1], 0.5e-7);
        EXPECT_NEAR(m.rightSide[k], rightSide[k - 1], 0.5e-6);
    }
    // The image vector left behind is the right image's (x, y, -f).
    EXPECT_NEAR(m.imageVector[1], -776.08889, 0.5e-5);
    EXPECT_NEAR(m.imageVector[2], 175.11111, 0.5e-5);
    EXPECT_EQ(m.imageVector[3], -2650.0);
}

} // namespace
