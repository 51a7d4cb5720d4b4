// Exercises: the renderer's rotation is the model's, bit for bit; a seed
// gives the files it always gave and other seeds other depths; and for a
// scene of each kind every truth point lies where both cameras see it, its
// stated mark grades within half a notch, and automatic height finds it.
#include "app/surface_match.h"
#include "app/window_layout.h"
#include "assess.h"
#include "exercise_files.h"
#include "exercise_scene.h"
#include "model/stereo_model.h"
#include "scene_view.h"
#include "sha256.h"
#include "truth_rows.h"

#include <cmath>
#include <map>

#include <gtest/gtest.h>

namespace {

// Each test first checks that the rotation exercises use, written out bit
// for bit, is the one Setup_Stereo_Model computes here.
class Exercise : public testing::Test {
  protected:
    void SetUp() override
    {
        Setup_Stereo_Model();
        double model[9];
        for (int k = 0; k < 9; ++k)
            model[k] = StereoModel.commonRotation[k / 3 + 1][k % 3 + 1];
        Use_Exact_Common_Rotation();
        for (int k = 0; k < 9; ++k)
            EXPECT_EQ(StereoModel.commonRotation[k / 3 + 1][k % 3 + 1], model[k]) << k;
    }
    void TearDown() override { Release_Stereo_Model(); }
};

TEST_F(Exercise, ASeedGivesTheSameFilesAndOtherSeedsOtherDepths)
{
    // Every file but the note (which names the version) is the one this seed
    // has always given: an exercise made last year is graded by this one.
    std::string hashes;
    for (const ExerciseFile &file : Make_Exercise(7))
        if (file.name != "exercise.txt")
            hashes += Sha256_Hex(file.bytes.data(), file.bytes.size()).substr(0, 12) + " ";
    EXPECT_EQ(hashes, "110c41600a1b a80f2216f4c6 3461c867f344 0313e23947ef ");

    // Two scenes of each kind, and two seeds alike in their low 32 bits: the
    // left view's parallax differs by more than a notch at a fifth of the
    // picture or more.
    for (auto [a, b] :
         {std::pair{1ull, 2ull}, {5ull, 6ull}, {7ull, 9ull}, {7ull, 7ull << 32 | 7}}) {
        Scene first, second;
        Build_Exercise_Scene(first, a);
        Build_Exercise_Scene(second, b);
        TraceWork one, other;
        Init_Trace_Work(first, one);
        Init_Trace_Work(second, other);
        int differ = 0, all = 0;
        for (int row = 20; row < 630; row += 20)
            for (int column = 20; column < 910; column += 20, ++all) {
                double point[3], p = -100, q = -100;
                Surface_Parallax(first, one, column, row, point, p);
                Surface_Parallax(second, other, column, row, point, q);
                differ += std::fabs(p - q) > notchColumns;
            }
        EXPECT_GT(differ, all / 5) << a << " and " << b;
    }
}

// The test that every exercise's measures pass: the default scene does; one
// moved four units nearer (its wing beyond 115 columns) or with its main wall
// alone (one depth) does not.
TEST_F(Exercise, AScenePassesOnlyWithinTheParallaxesAndWithThreeDepths)
{
    Scene scene;
    Build_Scene(scene);
    EXPECT_TRUE(Fits_The_Pictures(scene));
    scene.originX += 4 * scene.axisN[0];
    scene.originY += 4 * scene.axisN[1];
    EXPECT_FALSE(Fits_The_Pictures(scene));
    Build_Scene(scene);
    scene.solids.resize(1);
    scene.cuts.clear();
    Index_Scene(scene, -42, 12, 84, 31);
    EXPECT_FALSE(Fits_The_Pictures(scene));
}

TEST_F(Exercise, TruthPointsLieWhereBothCamerasSeeThemAndAreFoundByEyeAndMatcher)
{
    for (unsigned seed : {2u, 5u, 9u}) { // a building front, blocks, a terraced slope
        SCOPED_TRACE(seed);
        // The truth file first, the picture last.
        const std::vector<ExerciseFile> files = Make_Exercise(seed);
        const std::vector<TruthRow> rows = Read_Rows<double>(
            std::istringstream(std::string(files[0].bytes.begin(), files[0].bytes.end())));
        ASSERT_EQ(rows.size(), 150u);
        Scene scene;
        Build_Exercise_Scene(scene, seed);
        TraceWork work;
        Init_Trace_Work(scene, work);

        // The two views from the picture's channels, top row first.
        const std::vector<unsigned char> &bmp = files.back().bytes;
        StereoPlanes planes;
        planes.width = pictureWidth;
        planes.height = pictureHeight;
        for (int j = 0; j < pictureHeight; ++j)
            for (int i = 0; i < pictureWidth; ++i) {
                const size_t at = 54 + 3 * ((pictureHeight - 1 - j) * pictureWidth + i);
                planes.left.push_back(bmp[at + 2]);
                planes.right.push_back(bmp[at + 1]);
            }

        std::map<long, int> depths; // points per half unit of depth in the scene's frame
        int found = 0;
        for (const TruthRow &p : rows) {
            const double object[3] = {p.at("X"), p.at("Y"), p.at("Z")};
            const int row = static_cast<int>(p.at("row"));
            double left, right, leftRow, rightRow, frame[3];
            ASSERT_TRUE(Project_To_View(LeftView, object, left, leftRow));
            ASSERT_TRUE(Project_To_View(RightView, object, right, rightRow));
            EXPECT_NEAR(left, p.at("leftColumn"), 1e-4);
            EXPECT_NEAR(right, p.at("rightColumn"), 1e-4);
            EXPECT_TRUE(std::fabs(leftRow - row) < 1e-4 && std::fabs(rightRow - row) < 1e-4);
            EXPECT_TRUE(left - right >= 25 && left - right <= 110) << left - right;
            To_Building_Frame(scene, object, frame);
            ++depths[std::lround(2 * frame[AxisN])];

            // The stated mark: its columns from the pointer and the wheel,
            // graded within half a notch, off any depth edge.
            const int markLeft = static_cast<int>(p.at("markLeftColumn"));
            const int markRight = static_cast<int>(p.at("markRightColumn"));
            EXPECT_EQ(p.at("pointerX"), (markLeft + markRight) / 2);
            EXPECT_EQ(p.at("wheelSteps"), paintedLeftOffset - (markLeft - markRight) / 2);
            const double mark[3] = {p.at("markX"), p.at("markY"), p.at("markZ")};
            PointGrade grade;
            Grade_Point(scene, work, mark, grade);
            EXPECT_TRUE(Grade_Counts(grade) && !grade.depthEdge && grade.leftColumn == markLeft);
            EXPECT_LE(std::fabs(grade.notches), 0.5) << "truth point " << p.at("id");

            const ParallaxMatch match = Match_Parallax(
                planes, static_cast<int>(p.at("pointerX")) - pictureLeft, row - pictureTop);
            double surface[3], parallax;
            found += match.outcome == MatchFound &&
                     Surface_Parallax(scene, work,
                                      static_cast<int>(p.at("pointerX")) +
                                          Left_Half_Offset(match.parallax),
                                      row, surface, parallax) &&
                     std::fabs(match.parallax - parallax) <= 1;
        }
        EXPECT_EQ(found, 150); // every one: the truth lists no other
        int levels = 0;
        for (auto [depth, points] : depths)
            levels += points >= 5;
        EXPECT_GE(levels, 3);
    }
}

} // namespace
