#include "model_fixture.h"

#include <cmath>
#include <cstring>

namespace {

struct Case {
    const char *name;
    int row, leftColumn, rightColumn;
    const char *x, *y, *z;
};

const Case cases[] = {
    {"pointer (465, 320) after a paint", 320, 494, 436, "102.211", "199.632", "25.719"},
    {"parallax widened to 80", 320, 505, 425, "103.864", "196.927", "25.133"},
    {"both halves on the pointer", 320, 465, 465, "95.288", "210.967", "28.175"},
    {"columns exchanged", 320, 436, 494, "78.038", "239.207", "34.295"},
    {"rays almost parallel to the X-Y plane", 512, 494, 436, "101.968", "200.281", "19.980"},
    {"top-left corner of the area", 10, 39, -19, "89.736", "193.893", "35.001"},
    {"bottom-right corner of the area", 630, 949, 891, "114.687", "205.372", "16.437"},
};

TEST_F(ModelTest, IntersectionsShownToThreeDecimals)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        double x = 0, y = 0, z = 0;
        Space_Intersection(c.row, c.leftColumn, c.rightColumn, &x, &y, &z);
        EXPECT_EQ(Three_Decimals(x), c.x);
        EXPECT_EQ(Three_Decimals(y), c.y);
        EXPECT_EQ(Three_Decimals(z), c.z);
        EXPECT_EQ(x, StereoModel.solution[1]);
        EXPECT_EQ(z, StereoModel.solution[3]);
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

TEST_F(ModelTest, SameInputsGiveBitIdenticalResults)
{
    double first[3], other[3], again[3];
    Space_Intersection(320, 494, 436, &first[0], &first[1], &first[2]);
    Space_Intersection(512, 200, 150, &other[0], &other[1], &other[2]);
    Space_Intersection(320, 494, 436, &again[0], &again[1], &again[2]);
    EXPECT_EQ(std::memcmp(first, again, sizeof first), 0);
}

TEST_F(ModelTest, NearTheHorizonRowTheResultStaysFiniteAndNearTheCameras)
{
    // The rays turn from pointing below to above the cameras' height around
    // row 512; the intersection there is still well determined.
    for (int row = 505; row <= 520; ++row) {
        double x, y, z;
        Space_Intersection(row, 494, 436, &x, &y, &z);
        EXPECT_TRUE(std::isfinite(x) && std::isfinite(y) && std::isfinite(z)) << row;
        EXPECT_NEAR(z, 19.97, 0.5) << row;
    }
}

} // namespace
