// The scene's geometry, on which the ground truth, the end-to-end run and the
// grading rest: rays of both views meet the boxes' faces, surface points
// come back through the space intersection, and the wing stands in front of
// the main facade by the parallax the picture shows.
#include "model/stereo_model.h"
#include "scene_model.h"
#include "scene_view.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

double Distance(const double a[3], const double b[3])
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

class SceneGeometry : public testing::Test {
  protected:
    void SetUp() override
    {
        Setup_Stereo_Model();
        Build_Scene(scene);
        Init_Trace_Work(scene, work);
    }
    void TearDown() override { Release_Stereo_Model(); }

    // Traces one view's ray and gives the hit in the object frame.
    bool Surface(int view, double column, double row, SceneHit &hit, double object[3])
    {
        if (!Trace_View(scene, work, view, column, row, hit))
            return false;
        To_Object_Frame(scene, hit.point, object);
        return true;
    }

    // Left column minus right column where an object point appears; its rows
    // in both views must be the same.
    static double Parallax(const double object[3], double &row)
    {
        double left, right, rightRow;
        Project_To_View(LeftView, object, left, row);
        Project_To_View(RightView, object, right, rightRow);
        EXPECT_NEAR(rightRow, row, 1e-6);
        return left - right;
    }

    Scene scene;
    TraceWork work;
};

// The hit lies on the face of its box that the ray meets: a solid's entry
// face, a recess's exit face, or the ground.
void Expect_On_Its_Face(const Scene &scene, const SceneHit &hit)
{
    if (hit.box < 0) {
        EXPECT_EQ(hit.axis, AxisZ);
        EXPECT_NEAR(hit.point[AxisZ], scene.groundZ, 1e-9);
        return;
    }
    const SceneBox &box = hit.fromCut ? scene.cuts[hit.box] : scene.solids[hit.box];
    const bool atHigh = hit.fromCut ? hit.normalSign < 0 : hit.normalSign > 0;
    EXPECT_NEAR(hit.point[hit.axis], atHigh ? box.hi[hit.axis] : box.lo[hit.axis], 1e-9);
    for (int a = 0; a < 3; ++a) {
        EXPECT_GE(hit.point[a], box.lo[a] - 1e-9) << "axis " << a;
        EXPECT_LE(hit.point[a], box.hi[a] + 1e-9) << "axis " << a;
    }
}

TEST_F(SceneGeometry, SurfacePointsComeBackThroughTheIntersectionWithinHalfAColumnPerView)
{
    int points = 0;
    for (int row = 30; row <= 610; row += 40)
        for (int column = 40; column <= 880; column += 40) {
            SceneHit hit;
            double truth[3];
            ASSERT_TRUE(Surface(LeftView, column, row, hit, truth)) << column << ", " << row;
            Expect_On_Its_Face(scene, hit);
            // The left ray's point projects back onto its column and row; the
            // right view sees it on the same row.
            double left, leftRow, right, rightRow;
            ASSERT_TRUE(Project_To_View(LeftView, truth, left, leftRow));
            ASSERT_TRUE(Project_To_View(RightView, truth, right, rightRow));
            EXPECT_NEAR(left, column, 1e-6);
            EXPECT_NEAR(leftRow, row, 1e-6);
            EXPECT_NEAR(rightRow, row, 1e-6);
            EXPECT_GT(left - right, 20);
            EXPECT_LT(left - right, 100);

            // At whole columns the intersection misses the point by no more
            // than half a column's step in each view.
            const int l = static_cast<int>(std::lround(left));
            const int r = static_cast<int>(std::lround(right));
            double at[3], leftStep[3], rightStep[3];
            Space_Intersection(row, l, r, &at[0], &at[1], &at[2]);
            Space_Intersection(row, l + 1, r, &leftStep[0], &leftStep[1], &leftStep[2]);
            Space_Intersection(row, l, r + 1, &rightStep[0], &rightStep[1], &rightStep[2]);
            const double allowed = 1.02 * (std::fabs(left - l) * Distance(at, leftStep) +
                                           std::fabs(right - r) * Distance(at, rightStep)) +
                                   1e-9;
            EXPECT_LE(Distance(at, truth), allowed) << "column " << column << ", row " << row;
            // More parallax brings the point nearer to the cameras.
            double centre[3];
            View_Centre(LeftView, centre);
            EXPECT_LT(Distance(leftStep, centre), Distance(at, centre));
            EXPECT_GT(Distance(rightStep, centre), Distance(at, centre));
            ++points;
        }
    EXPECT_EQ(points, 15 * 22);
}

TEST_F(SceneGeometry, KnownFacadePointsAppearWhereBothRaysMeetThemWithTheirParallax)
{
    // Rustication of the main facade's ground floor at a pilaster's foot,
    // and of the wing, in the building frame (s, n, z).
    const double mainFront[3] = {3.4, 0.1, 18.0};
    const double wing[3] = {-10.0, 3.7, 16.5};
    double parallax[2];
    for (int k = 0; k < 2; ++k) {
        double object[3], row;
        To_Object_Frame(scene, k == 0 ? mainFront : wing, object);
        parallax[k] = Parallax(object, row);
        for (int view : {LeftView, RightView}) {
            double column, viewRow;
            Project_To_View(view, object, column, viewRow);
            SceneHit hit;
            double seen[3];
            ASSERT_TRUE(Surface(view, column, viewRow, hit, seen));
            EXPECT_LT(Distance(seen, object), 1e-6) << "point " << k << ", view " << view;
            EXPECT_EQ(hit.axis, AxisN);
            EXPECT_EQ(hit.normalSign, 1);
        }
    }
    // The main front's rustication at 55 columns, the wing's, nearer, at 89.
    EXPECT_NEAR(parallax[0], 55.2, 0.5);
    EXPECT_NEAR(parallax[1], 89.0, 0.5);
}

TEST_F(SceneGeometry, TheWingsTopEdgeHidesTheMainFacadeBelowItAndShowsItAbove)
{
    // The wing's front top edge, seen from below: above it in the picture the
    // main facade far behind, below it the wing's front.
    const double edge[3] = {-20.0, 3.55, 28.3};
    double object[3], edgeRow, edgeColumn;
    To_Object_Frame(scene, edge, object);
    Project_To_View(LeftView, object, edgeColumn, edgeRow);
    SceneHit above, below;
    double abovePoint[3], belowPoint[3];
    ASSERT_TRUE(Surface(LeftView, edgeColumn, std::floor(edgeRow) - 1, above, abovePoint));
    ASSERT_TRUE(Surface(LeftView, edgeColumn, std::ceil(edgeRow) + 1, below, belowPoint));
    EXPECT_LE(above.point[AxisN], 0.3);
    EXPECT_GT(above.point[AxisZ], edge[AxisZ]);
    EXPECT_NEAR(below.point[AxisN], edge[AxisN], 1e-9);
    EXPECT_LT(below.point[AxisZ], edge[AxisZ]);
    EXPECT_GT(above.t, below.t);
    double row;
    EXPECT_LT(Parallax(abovePoint, row), 60);
    EXPECT_GT(Parallax(belowPoint, row), 70);
}

} // namespace
