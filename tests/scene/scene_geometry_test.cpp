// The scene's geometry, on which the ground truth, the end-to-end run and the
// grading rest: rays of both views meet the boxes' faces, surface points
// come back through the space intersection, and the wing stands in front of
// the main facade by the parallax the picture shows.
#include "model/stereo_model.h"
#include "scene_model.h"
#include "scene_view.h"
#include "truth_rows.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

double Distance(const double a[3], const double b[3])
{
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
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
        const bool traced = Trace_View(scene, work, view, column, row, hit);
        To_Object_Frame(scene, hit.point, object);
        return traced;
    }

    // Left column minus right column where an object point appears; its rows
    // in both views must be the same.
    static double Parallax(const double object[3])
    {
        double left, right, row, rightRow;
        EXPECT_TRUE(Project_To_View(LeftView, object, left, row));
        EXPECT_TRUE(Project_To_View(RightView, object, right, rightRow));
        EXPECT_NEAR(rightRow, row, 1e-6);
        return left - right;
    }

    Scene scene;
    TraceWork work;
};

TEST_F(SceneGeometry, SurfacePointsLieOnTheirFacesAndComeBackThroughTheIntersection)
{
    for (int row = 30; row <= 610; row += 40)
        for (int column = 40; column <= 880; column += 40) {
            SCOPED_TRACE(std::to_string(column) + ", " + std::to_string(row));
            SceneHit hit;
            double truth[3];
            ASSERT_TRUE(Surface(LeftView, column, row, hit, truth));
            // On the face of its box that the ray meets: a solid's entry face,
            // a recess's exit face, or the ground.
            if (hit.box < 0) {
                EXPECT_NEAR(hit.point[AxisZ], scene.groundZ, 1e-9);
            } else {
                const SceneBox &box = hit.fromCut ? scene.cuts[hit.box] : scene.solids[hit.box];
                const bool atHigh = hit.fromCut ? hit.normalSign < 0 : hit.normalSign > 0;
                EXPECT_NEAR(hit.point[hit.axis], (atHigh ? box.hi : box.lo)[hit.axis], 1e-9);
                for (int a = 0; a < 3; ++a)
                    EXPECT_TRUE(hit.point[a] >= box.lo[a] - 1e-9 &&
                                hit.point[a] <= box.hi[a] + 1e-9);
            }
            // The point projects back onto its column and row.
            double left, leftRow, right, rightRow;
            Project_To_View(LeftView, truth, left, leftRow);
            Project_To_View(RightView, truth, right, rightRow);
            EXPECT_NEAR(left, column, 1e-6);
            EXPECT_NEAR(leftRow, row, 1e-6);
            EXPECT_NEAR(rightRow, row, 1e-6);
            // At whole columns the intersection misses the point by no more
            // than half a column's step in each view.
            double miss, bound;
            Intersection_Miss(row, left, right, truth, miss, bound);
            EXPECT_LE(miss, bound);
        }
}

TEST_F(SceneGeometry, KnownFacadePointsAppearWhereBothRaysMeetThemWithTheirParallax)
{
    // Rustication of the main facade's ground floor at a pilaster's foot, at
    // 55 columns, and of the wing, nearer, at 89; in the building frame (s, n, z).
    const struct {
        double point[3], parallax;
    } points[] = {{{3.4, 0.1, 18.0}, 55.2}, {{-10.0, 3.7, 16.5}, 89.0}};
    for (const auto &p : points) {
        double object[3];
        To_Object_Frame(scene, p.point, object);
        EXPECT_NEAR(Parallax(object), p.parallax, 0.5);
        for (int view : {LeftView, RightView}) {
            double column, row, seen[3];
            Project_To_View(view, object, column, row);
            SceneHit hit;
            ASSERT_TRUE(Surface(view, column, row, hit, seen));
            EXPECT_LT(Distance(seen, object), 1e-6) << p.point[0] << ", view " << view;
            EXPECT_TRUE(hit.axis == AxisN && hit.normalSign == 1);
        }
    }
}

TEST_F(SceneGeometry, TheWingsTopEdgeHidesTheMainFacadeBelowItAndShowsItAbove)
{
    // Above the wing's front top edge in the picture the main facade far
    // behind, below it the wing's front.
    const double edge[3] = {-20.0, 3.55, 28.3};
    double object[3], row, column;
    To_Object_Frame(scene, edge, object);
    Project_To_View(LeftView, object, column, row);
    SceneHit above, below;
    double abovePoint[3], belowPoint[3];
    ASSERT_TRUE(Surface(LeftView, column, std::floor(row) - 1, above, abovePoint));
    ASSERT_TRUE(Surface(LeftView, column, std::ceil(row) + 1, below, belowPoint));
    EXPECT_TRUE(above.point[AxisN] <= 0.3 && above.point[AxisZ] > edge[AxisZ]);
    EXPECT_NEAR(below.point[AxisN], edge[AxisN], 1e-9);
    EXPECT_LT(below.point[AxisZ], edge[AxisZ]);
    EXPECT_LT(Parallax(abovePoint), 60);
    EXPECT_GT(Parallax(belowPoint), 70);
}

} // namespace
