// The default stereo image and its ground truth, read from the files the build
// renders: the image's file form, the parallax a block matcher finds in it
// without the renderer's help, and the listed points and mark positions
// against the measurement core.
#include "model/stereo_model.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Xyz = std::array<double, 3>;

std::string Read_File(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The ground truth: a comma-separated table with a header line, every field a
// number.
struct Table {
    std::map<std::string, size_t> column;
    std::vector<std::vector<double>> rows;
    double At(size_t row, const char *name) const { return rows[row].at(column.at(name)); }
    int Int(size_t row, const char *name) const { return static_cast<int>(At(row, name)); }
};

Table Read_Table(const char *path)
{
    Table table;
    std::istringstream in(Read_File(path));
    std::string line, field;
    for (bool header = true; std::getline(in, line); header = false) {
        std::istringstream fields(line);
        std::vector<double> values;
        for (size_t k = 0; std::getline(fields, field, ','); k++)
            if (header)
                table.column[field] = k;
            else
                values.push_back(std::strtod(field.c_str(), nullptr));
        if (!header && values.size() == table.column.size())
            table.rows.push_back(values);
    }
    return table;
}

Xyz Intersect(int row, int leftColumn, int rightColumn)
{
    Xyz p;
    Space_Intersection(row, leftColumn, rightColumn, &p[0], &p[1], &p[2]);
    return p;
}

double Distance(const Xyz &a, const Xyz &b)
{
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

std::string image; // the file's bytes
Table truth;

unsigned Le(size_t at, int size)
{
    unsigned v = 0;
    for (int k = size - 1; k >= 0; --k)
        v = v << 8 | static_cast<unsigned char>(image[at + k]);
    return v;
}

// Channel 0 blue, 1 green, 2 red of a picture pixel; rows top first.
int Channel(int column, int row, int channel)
{
    return static_cast<unsigned char>(image[54 + (619 - row) * 2700 + 3 * column + channel]);
}

Xyz True_Point(size_t k)
{
    return {truth.At(k, "X"), truth.At(k, "Y"), truth.At(k, "Z")};
}

// How far the intersection moves for one column of the left (side 0) or the
// right (side 1) image position, by central differences.
Xyz Per_Column(int side, int row, int left, int right)
{
    const Xyz a = Intersect(row, left + (side == 0), right + (side == 1));
    const Xyz b = Intersect(row, left - (side == 0), right - (side == 1));
    return {0.5 * (a[0] - b[0]), 0.5 * (a[1] - b[1]), 0.5 * (a[2] - b[2])};
}

class SceneTest : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        image = Read_File(SCENE_IMAGE_PATH);
        truth = Read_Table(SCENE_TRUTH_PATH);
    }
    void SetUp() override
    {
        ASSERT_EQ(image.size(), 54u + 900u * 3u * 620u) << SCENE_IMAGE_PATH;
        ASSERT_GE(truth.rows.size(), 100u) << SCENE_TRUTH_PATH;
        Setup_Stereo_Model();
    }
    void TearDown() override { Release_Stereo_Model(); }
};

TEST_F(SceneTest, ImageIsAPlain24BitBottomUpBitmapOf900By620)
{
    EXPECT_EQ(image.substr(0, 2), "BM");
    const struct {
        size_t at;
        int size;
        unsigned value;
    } fields[] = {{2, 4, 54 + 900 * 3 * 620}, // file size
                  {10, 4, 54},                // pixels right after the headers
                  {14, 4, 40},                // the 40-byte information header
                  {18, 4, 900},               // width
                  {22, 4, 620},               // positive height: bottom row first
                  {26, 2, 1},                 // one plane
                  {28, 2, 24},                // 24 bits per pixel, no palette
                  {30, 4, 0},                 // uncompressed
                  {46, 4, 0}};                // no palette entries
    for (const auto &f : fields)
        EXPECT_EQ(Le(f.at, f.size), f.value) << "at byte " << f.at;
    // An anaglyph: green and blue both carry the right view.
    for (int row = 0; row < 620; ++row)
        for (int column = 0; column < 900; ++column)
            ASSERT_EQ(Channel(column, row, 0), Channel(column, row, 1)) << column << "," << row;
}

// Normalised cross-correlation of the block of the left view (red) around
// (column, row) with the block of the right view (green) `parallax` columns to
// its left; `spread` receives the standard deviation of the left block.
double Correlation(int column, int row, int parallax, double &spread)
{
    double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0, n = 0;
    for (int j = row - 5; j <= row + 5; ++j)
        for (int i = column - 7; i <= column + 7; ++i) {
            const double a = Channel(i, j, 2), b = Channel(i - parallax, j, 1);
            sumA += a, sumB += b, sumAA += a * a, sumBB += b * b, sumAB += a * b, ++n;
        }
    const double varA = sumAA - sumA * sumA / n, varB = sumBB - sumB * sumB / n;
    spread = std::sqrt(std::fmax(0, varA / n));
    return varA <= 0 || varB <= 0 ? -1 : (sumAB - sumA * sumB / n) / std::sqrt(varA * varB);
}

TEST_F(SceneTest, BlockMatcherFindsTheListedParallaxWithinAColumn)
{
    int textured = 0;
    for (size_t k = 0; k < truth.rows.size(); ++k) {
        SCOPED_TRACE("point " + std::to_string(truth.Int(k, "id")));
        // Client positions to picture pixels: the picture starts at (10, 10).
        const int column = truth.Int(k, "leftColumnRounded") - 10, row = truth.Int(k, "row") - 10;
        ASSERT_TRUE(row >= 5 && row + 5 < 620 && column + 7 < 900);
        double spread = 0;
        std::vector<double> score(std::min(column - 7, 150) + 1);
        int best = 0;
        for (int q = 0; q < (int)score.size(); ++q) {
            score[q] = Correlation(column, row, q, spread);
            best = score[q] > score[best] ? q : best;
        }
        if (spread < 6)
            continue; // too plain to match
        ++textured;
        // Sub-column peak from a parabola through the best score and its
        // neighbours.
        double found = best;
        if (best > 0 && best + 1 < (int)score.size()) {
            const double a = score[best - 1], b = score[best], c = score[best + 1];
            if (a - 2 * b + c < 0)
                found = best + 0.5 * (a - c) / (a - 2 * b + c);
        }
        EXPECT_NEAR(found, truth.At(k, "leftColumn") - truth.At(k, "rightColumn"), 1.0);
    }
    EXPECT_GE(textured, static_cast<int>(truth.rows.size() * 9 / 10));
}

// Rounding each image position to its column moves it by at most half a
// column, so the intersection moves by at most half the sum of its two column
// sensitivities (plus 2 % for the curvature over one column). To first order
// the move is those sensitivities times the rounding residues, which pins the
// fractional columns down as well.
TEST_F(SceneTest, RoundedColumnsIntersectWithinTheHalfColumnBound)
{
    for (size_t k = 0; k < truth.rows.size(); ++k) {
        SCOPED_TRACE("point " + std::to_string(truth.Int(k, "id")));
        const int row = truth.Int(k, "row");
        const int left = truth.Int(k, "leftColumnRounded"),
                  right = truth.Int(k, "rightColumnRounded");
        const double residueLeft = truth.At(k, "leftColumn") - left;
        const double residueRight = truth.At(k, "rightColumn") - right;
        EXPECT_TRUE(std::fabs(residueLeft) <= 0.5 && std::fabs(residueRight) <= 0.5);
        const Xyz perLeft = Per_Column(0, row, left, right),
                  perRight = Per_Column(1, row, left, right);
        const Xyz measured = Intersect(row, left, right), zero = {0, 0, 0};
        const double bound = 0.5 * (Distance(perLeft, zero) + Distance(perRight, zero)) * 1.02;
        EXPECT_LE(Distance(measured, True_Point(k)), bound);
        Xyz predicted;
        for (int i = 0; i < 3; ++i)
            predicted[i] = measured[i] + perLeft[i] * residueLeft + perRight[i] * residueRight;
        EXPECT_LE(Distance(predicted, True_Point(k)), 0.02 * bound);
    }
}

TEST_F(SceneTest, MarkPositionsCanBeSetAndLogTheirCoordinatesExactly)
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
        EXPECT_TRUE(pointerX >= 10 && pointerX <= 920 && pointerY >= 10 && pointerY <= 630);

        // What the program computes there, to the last bit.
        EXPECT_EQ(Intersect(pointerY, left, right),
                  (Xyz{truth.At(k, "markX"), truth.At(k, "markY"), truth.At(k, "markZ")}));

        // The nearest setting to the true columns: within a column of them,
        // and no neighbouring setting is closer.
        auto miss = [&](int dx, int ds) {
            const double l = pointerX + dx + 29 - (steps + ds) - truth.At(k, "leftColumn");
            const double r = pointerX + dx - 29 + steps + ds - truth.At(k, "rightColumn");
            return l * l + r * r;
        };
        EXPECT_LE(miss(0, 0), 1.0 + 1e-9);
        for (int dx = -1; dx <= 1; ++dx)
            for (int ds = -1; ds <= 1; ++ds)
                EXPECT_GE(miss(dx, ds), miss(0, 0) - 1e-9) << dx << " " << ds;
    }
}

} // namespace
