// The ground-truth list against the measurement core: every listed point is
// where the intersection of its two image positions says it is, and every
// listed mark position is one the user can set.
#include "model/stereo_model.h"
#include "scene_files.h"

#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

namespace {

struct Xyz {
    double v[3];
};

Xyz Intersect(int row, int leftColumn, int rightColumn)
{
    Xyz p;
    Space_Intersection(row, leftColumn, rightColumn, &p.v[0], &p.v[1], &p.v[2]);
    return p;
}

double Length(const Xyz &a)
{
    return std::sqrt(a.v[0] * a.v[0] + a.v[1] * a.v[1] + a.v[2] * a.v[2]);
}

Xyz Minus(const Xyz &a, const Xyz &b)
{
    return {{a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2]}};
}

class TruthTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { truth = Read_Table(SCENE_TRUTH_PATH); }
    void SetUp() override
    {
        Setup_Stereo_Model();
        ASSERT_GE(truth.rows.size(), 100u) << SCENE_TRUTH_PATH;
    }
    void TearDown() override { Release_Stereo_Model(); }

    Xyz True_Point(size_t k) const
    {
        return {{truth.At(k, "X"), truth.At(k, "Y"), truth.At(k, "Z")}};
    }

    // How far the intersection moves for one column of the left and of the
    // right image position, around the given columns (central differences).
    void Column_Sensitivity(int row, int left, int right, Xyz &perLeft, Xyz &perRight) const
    {
        const Xyz l0 = Intersect(row, left - 1, right), l1 = Intersect(row, left + 1, right);
        const Xyz r0 = Intersect(row, left, right - 1), r1 = Intersect(row, left, right + 1);
        for (int i = 0; i < 3; ++i) {
            perLeft.v[i] = 0.5 * (l1.v[i] - l0.v[i]);
            perRight.v[i] = 0.5 * (r1.v[i] - r0.v[i]);
        }
    }

    static Table truth;
};

Table TruthTest::truth;

TEST_F(TruthTest, PointsCoverThePictureAndTheDepthRange)
{
    double minColumn = 1e9, maxColumn = -1e9, minRow = 1e9, maxRow = -1e9;
    int far = 0, near = 0;
    double minParallax = 1e9, maxParallax = -1e9;
    for (size_t k = 0; k < truth.rows.size(); ++k) {
        const double left = truth.At(k, "leftColumn"), right = truth.At(k, "rightColumn");
        const int row = truth.Int(k, "row");
        minColumn = std::fmin(minColumn, left);
        maxColumn = std::fmax(maxColumn, left);
        minRow = std::fmin(minRow, row);
        maxRow = std::fmax(maxRow, row);
        const double parallax = left - right;
        minParallax = std::fmin(minParallax, parallax);
        maxParallax = std::fmax(maxParallax, parallax);
        far += parallax < 50;
        near += parallax > 70;

        // Every position lies inside the picture, on whole rows.
        EXPECT_GE(right, 10) << k;
        EXPECT_LE(left, 909) << k;
        EXPECT_GE(row, 10) << k;
        EXPECT_LE(row, 629) << k;
        EXPECT_EQ(truth.Int(k, "leftColumnRounded"), static_cast<int>(std::lround(left))) << k;
        EXPECT_EQ(truth.Int(k, "rightColumnRounded"), static_cast<int>(std::lround(right))) << k;
    }
    EXPECT_LT(minColumn, 200);
    EXPECT_GT(maxColumn, 750);
    EXPECT_LT(minRow, 100);
    EXPECT_GT(maxRow, 550);
    // Parallaxes within reach of the wheel around the 58 columns after a
    // repaint, with points well in front of and behind that depth.
    EXPECT_GE(minParallax, 30);
    EXPECT_LE(maxParallax, 90);
    EXPECT_GE(far, 20);
    EXPECT_GE(near, 20);
}

// Rounding each image position to its column moves it by at most half a
// column, so the intersection moves by at most half the sum of its two column
// sensitivities. To first order the move is exactly those sensitivities times
// the rounding residues, which pins the fractional columns down as well.
TEST_F(TruthTest, RoundedColumnsIntersectWithinTheHalfColumnBound)
{
    double worstError = 0, boundThere = 0, worstShare = 0, largestBound = 0;
    for (size_t k = 0; k < truth.rows.size(); ++k) {
        SCOPED_TRACE("point " + std::to_string(truth.Int(k, "id")));
        const int row = truth.Int(k, "row");
        const int left = truth.Int(k, "leftColumnRounded");
        const int right = truth.Int(k, "rightColumnRounded");
        const Xyz truePoint = True_Point(k);
        const Xyz measured = Intersect(row, left, right);
        Xyz perLeft, perRight;
        Column_Sensitivity(row, left, right, perLeft, perRight);

        // The curvature over one column is below 1 % of the slope here.
        const double bound = 0.5 * (Length(perLeft) + Length(perRight)) * 1.02;
        const double error = Length(Minus(measured, truePoint));
        EXPECT_LE(error, bound);

        const double residueLeft = truth.At(k, "leftColumn") - left;
        const double residueRight = truth.At(k, "rightColumn") - right;
        Xyz predicted;
        for (int i = 0; i < 3; ++i)
            predicted.v[i] =
                measured.v[i] + perLeft.v[i] * residueLeft + perRight.v[i] * residueRight;
        EXPECT_LE(Length(Minus(predicted, truePoint)), 0.02 * bound);

        if (error > worstError) {
            worstError = error;
            boundThere = bound;
        }
        worstShare = std::fmax(worstShare, error / bound);
        largestBound = std::fmax(largestBound, bound);
    }
    std::printf("largest error %.4f (bound there %.4f), largest share of the bound %.2f, "
                "largest bound %.4f\n",
                worstError, boundThere, worstShare, largestBound);
}

TEST_F(TruthTest, MarkPositionsCanBeSetAndMeasureNearTheirPoint)
{
    for (size_t k = 0; k < truth.rows.size(); ++k) {
        SCOPED_TRACE("point " + std::to_string(truth.Int(k, "id")));
        const int pointerX = truth.Int(k, "pointerX"), pointerY = truth.Int(k, "pointerY");
        const int steps = truth.Int(k, "wheelSteps");
        const int left = truth.Int(k, "markLeftColumn"), right = truth.Int(k, "markRightColumn");

        // The halves stand 29 columns either side of the pointer after a
        // repaint, and each narrowing wheel step brings both one column in.
        EXPECT_EQ(left, pointerX + 29 - steps);
        EXPECT_EQ(right, pointerX - 29 + steps);
        EXPECT_EQ(pointerY, truth.Int(k, "row"));
        EXPECT_GE(pointerX, 10);
        EXPECT_LE(pointerX, 920);

        // What the program computes there, to the last bit.
        const Xyz mark = Intersect(pointerY, left, right);
        EXPECT_EQ(mark.v[0], truth.At(k, "markX"));
        EXPECT_EQ(mark.v[1], truth.At(k, "markY"));
        EXPECT_EQ(mark.v[2], truth.At(k, "markZ"));

        // The nearest settable columns: within a column of the true ones,
        // closer than any neighbouring setting, and so within one column's
        // move of the true point.
        const double dl = left - truth.At(k, "leftColumn");
        const double dr = right - truth.At(k, "rightColumn");
        EXPECT_LE(dl * dl + dr * dr, 1.0 + 1e-9);
        for (int dx = -1; dx <= 1; ++dx)
            for (int ds = -1; ds <= 1; ++ds) {
                const double ol = pointerX + dx + 29 - (steps + ds) - truth.At(k, "leftColumn");
                const double orr = pointerX + dx - 29 + steps + ds - truth.At(k, "rightColumn");
                EXPECT_GE(ol * ol + orr * orr, dl * dl + dr * dr - 1e-9) << dx << " " << ds;
            }
        Xyz perLeft, perRight;
        Column_Sensitivity(pointerY, left, right, perLeft, perRight);
        const double error = Length(Minus(mark, True_Point(k)));
        EXPECT_LE(error, (Length(perLeft) + Length(perRight)) * 1.02);
    }
}

} // namespace
