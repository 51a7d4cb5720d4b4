// Automatic height on the default stereo image: at every point of its truth
// file the matcher runs at the pointer position, and the parallax it finds is
// graded against the true surface of the scene.
#include "app/surface_match.h"
#include "app/window_layout.h"
#include "assess.h"
#include "model/stereo_model.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

unsigned Read_Le(const std::string &bytes, size_t at, int count)
{
    unsigned value = 0;
    for (int k = count - 1; k >= 0; --k)
        value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
    return value;
}

// The default image (24 bits, bottom row first) as the program holds a loaded
// picture: top-down 32-bit colours, red in the lowest byte.
bool Load_Default_Picture(std::vector<std::uint32_t> &pixels, int &width, int &height)
{
    std::ifstream in(SCENE_IMAGE_PATH, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || Read_Le(bytes, 28, 2) != 24)
        return false;
    const unsigned offset = Read_Le(bytes, 10, 4);
    width = static_cast<int>(Read_Le(bytes, 18, 4));
    height = static_cast<int>(Read_Le(bytes, 22, 4));
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    if (bytes.size() < offset + rowBytes * height)
        return false;
    pixels.assign(static_cast<size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        const size_t from = offset + rowBytes * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const unsigned blue = static_cast<unsigned char>(bytes[from + 3 * x]);
            const unsigned green = static_cast<unsigned char>(bytes[from + 3 * x + 1]);
            const unsigned red = static_cast<unsigned char>(bytes[from + 3 * x + 2]);
            pixels[static_cast<size_t>(y) * width + x] = red | green << 8 | blue << 16;
        }
    }
    return true;
}

using TruthRow = std::map<std::string, double>;

// The truth file's rows, each field by its header's name.
std::vector<TruthRow> Read_Truth()
{
    std::ifstream in(SCENE_TRUTH_PATH);
    std::vector<std::string> names;
    std::vector<TruthRow> rows;
    for (std::string line, field; std::getline(in, line);) {
        std::istringstream fields(line);
        if (!names.empty())
            rows.emplace_back();
        for (size_t k = 0; std::getline(fields, field, ','); ++k)
            if (rows.empty())
                names.push_back(field);
            else if (k < names.size())
                rows.back()[names[k]] = std::strtod(field.c_str(), nullptr);
    }
    return rows;
}

int Floor_Half(int p)
{
    return p >= 0 ? p / 2 : -((1 - p) / 2);
}

struct SceneFigures {
    int points, nearEdges, awayFromEdges;
    int matched, matchedAway, withinOneAway, offByMoreThanTwo;
    double maxErrorAway, maxErrorAll;
};

SceneFigures Grade_Matches(const StereoPlanes &planes, const std::vector<TruthRow> &truth,
                           const MatchSettings &settings)
{
    Scene scene;
    Build_Scene(scene);
    TraceWork work;
    Init_Trace_Work(scene, work);
    SceneFigures figures = {};
    for (const TruthRow &point : truth) {
        ++figures.points;
        const int pointerX = static_cast<int>(point.at("pointerX"));
        const int pointerY = static_cast<int>(point.at("pointerY"));
        // Where the mark that the truth file gives rests: on the surface.
        const double mark[3] = {point.at("markX"), point.at("markY"), point.at("markZ")};
        PointGrade edge;
        Grade_Point(scene, work, mark, edge);
        figures.nearEdges += edge.depthEdge;
        figures.awayFromEdges += !edge.depthEdge;
        const ParallaxMatch match =
            Match_Parallax(planes, pointerX - pictureLeft, pointerY - pictureTop, settings);
        if (!match.matched) {
            std::printf("no match at pointer %d,%d: outcome %d, best parallax %d, r %.2f\n",
                        pointerX, pointerY, match.outcome, match.parallax, match.coefficient);
            continue;
        }
        ++figures.matched;
        // Grade the mark that the match sets: its halves in client columns.
        const int left = pointerX + Floor_Half(match.parallax);
        const int right = left - match.parallax;
        double object[3];
        Space_Intersection(pointerY, left, right, &object[0], &object[1], &object[2]);
        PointGrade grade;
        Grade_Point(scene, work, object, grade);
        const double error = grade.onSurface ? std::fabs(grade.parallaxError) : 1e9;
        figures.maxErrorAll = std::fmax(figures.maxErrorAll, error);
        figures.offByMoreThanTwo += error > 2;
        if (edge.depthEdge)
            continue;
        ++figures.matchedAway;
        figures.withinOneAway += error <= 1;
        figures.maxErrorAway = std::fmax(figures.maxErrorAway, error);
    }
    return figures;
}

class SceneMatchTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { Setup_Stereo_Model(); }
    static void TearDownTestSuite() { Release_Stereo_Model(); }
};

TEST_F(SceneMatchTest, FindsTheTrueParallaxAtTheTruthPoints)
{
    std::vector<std::uint32_t> pixels;
    int width = 0, height = 0;
    ASSERT_TRUE(Load_Default_Picture(pixels, width, height)) << SCENE_IMAGE_PATH;
    ASSERT_EQ(width, pictureWidth);
    ASSERT_EQ(height, pictureHeight);
    StereoPlanes planes;
    Split_Anaglyph(pixels.data(), width, width, height, planes);
    const std::vector<TruthRow> truth = Read_Truth();
    ASSERT_EQ(truth.size(), 150u);

    const SceneFigures f = Grade_Matches(planes, truth, defaultMatchSettings);
    std::printf("truth points %d (%d near depth edges); matched %d; away from edges: %d of %d "
                "matched, %d within one column, max error %.3f columns; max error of all "
                "matches %.3f columns\n",
                f.points, f.nearEdges, f.matched, f.matchedAway, f.awayFromEdges, f.withinOneAway,
                f.maxErrorAway, f.maxErrorAll);
    EXPECT_GE(f.withinOneAway, std::ceil(0.95 * f.awayFromEdges));
    EXPECT_EQ(f.offByMoreThanTwo, 0);
    EXPECT_LE(f.maxErrorAll, 2.0);
}

} // namespace
