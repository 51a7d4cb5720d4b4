// The stereo camera model and the space intersection, to the last bit. Each
// expected result is an independent evaluation of the documented formulas (the
// rotations, the common orientation, the observation equations, their normal
// equations and the pivoted solve), in their order and in IEEE doubles; shown
// to three decimals they are the published check values beside them. Every
// element of the rotations and every constant of the model enters them.
#include "model/stereo_model.h"

#include <gtest/gtest.h>

TEST(StereoModel, IntersectionsAreThePublishedCheckValuesToTheLastBit)
{
    Setup_Stereo_Model();
    const struct {
        int row, leftColumn, rightColumn;
        double x, y, z;
    } cases[] = {
        // 103.864 196.927 25.133, 95.288 210.967 28.175, 78.038 239.207 34.295
        {320, 505, 425, 0x1.9f74b8ff76518p+6, 0x1.89da9d4a605acp+7, 0x1.921f06d6956cap+4},
        {320, 465, 465, 0x1.7d26b17125902p+6, 0x1.a5ef30b08e6e4p+7, 0x1.c2cdf304a9d0bp+4},
        {320, 436, 494, 0x1.38269df94017ap+6, 0x1.de6a36111214bp+7, 0x1.125cddc3305e7p+5},
        // 101.968 200.281 19.980 near the row where the rays turn horizontal
        {512, 494, 436, 0x1.97deb9503e900p+6, 0x1.90901c9344200p+7, 0x1.3faf25f3d8593p+4},
        // The area's corners: 89.736 193.893 35.001 and 114.687 205.372 16.437
        {10, 39, -19, 0x1.66f1306b25ce2p+6, 0x1.83c9271be04ecp+7, 0x1.180191f25c45cp+5},
        {630, 949, 891, 0x1.cabfdd9900a9bp+6, 0x1.9abe62f0b8f59p+7, 0x1.06fdd5a8295e1p+4},
        // 102.211 199.632 25.719, after another intersection: no state kept
        {320, 494, 436, 0x1.98d8870213372p+6, 0x1.8f43c5064ca9dp+7, 0x1.9b807cc670f64p+4},
    };
    for (const auto &c : cases) {
        double x = 0, y = 0, z = 0;
        Space_Intersection(c.row, c.leftColumn, c.rightColumn, &x, &y, &z);
        EXPECT_TRUE(x == c.x && y == c.y && z == c.z) << c.row << " " << c.leftColumn;
        const Vector solution = StereoModel.solution;
        EXPECT_TRUE(solution[1] == x && solution[2] == y && solution[3] == z);
    }
    Release_Stereo_Model();
}
