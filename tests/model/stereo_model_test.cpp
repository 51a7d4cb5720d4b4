#include "model_fixture.h"

#include <cmath>

namespace {

TEST_F(ModelTest, BaseAndLeadingAnglesOfBothCameras)
{
    const StereoModelRecord &m = StereoModel;
    EXPECT_NEAR(m.right.centreX - m.left.centreX, 5.481, 1e-12);
    EXPECT_NEAR(m.right.centreY - m.left.centreY, 1.998, 1e-12);
    EXPECT_NEAR(m.right.centreZ - m.left.centreZ, -0.007, 1e-12);

    // The leading angles are not the cameras' omega.
    EXPECT_NEAR(Leading_Angle(m.leftRotation), 1.698165, 0.5e-6);
    EXPECT_NEAR(Leading_Angle(m.rightRotation), 1.683922, 0.5e-6);
}

TEST_F(ModelTest, CommonRotationAndItsAngles)
{
    Matrix r = StereoModel.commonRotation;
    const double expected[3][3] = {{0.939522, 0.0422031, 0.339878},
                                   {0.342486, -0.112295, -0.932788},
                                   {-0.00119990, 0.992778, -0.119958}};
    const double tolerance[3][3] = {
        {0.5e-6, 0.5e-7, 0.5e-6}, {0.5e-6, 0.5e-6, 0.5e-6}, {0.5e-8, 0.5e-6, 0.5e-6}};
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            EXPECT_NEAR(r[i][j], expected[i - 1][j - 1], tolerance[i - 1][j - 1]) << i << "," << j;

    // Read the angles back from the matrix's layout.
    const double phi = std::asin(r[3][1]);
    const double kappa = std::atan2(-r[2][1], r[1][1]);
    const double omega = std::atan2(-r[3][2], r[3][3]);
    EXPECT_NEAR(phi, -0.00119990, 0.5e-8);
    EXPECT_NEAR(kappa, -0.349562, 0.5e-6);
    EXPECT_NEAR(omega, -1.691044, 0.5e-6);
    EXPECT_NEAR(
        omega,
        -((Leading_Angle(StereoModel.rightRotation) + Leading_Angle(StereoModel.leftRotation)) *
          0.5),
        1e-12);
}

TEST_F(ModelTest, WorkStorageIsAllocatedWithItsShapes)
{
    // Every element of the 4 x 3 design matrix and the vectors is addressable
    // and starts at zero (the sanitizer build checks the bounds).
    const StereoModelRecord &m = StereoModel;
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(m.rightSide[i], 0.0);
        for (int j = 1; j <= 3; ++j)
            EXPECT_EQ(m.designMatrix[i][j], 0.0);
    }
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(m.solution[i] + m.normalRightSide[i] + m.rayVector[i] + m.imageVector[i], 0.0);
}

} // namespace
