// The rendered anaglyph itself: its file form, its brightness range, and the
// geometry it carries, found by matching the left view (red) against the
// right view (green) without the renderer's help.
#include "scene_files.h"

#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

namespace {

class ImageTest : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        bytes = Read_File_Bytes(SCENE_IMAGE_PATH);
        picture = Read_Bitmap(bytes);
        truth = Read_Table(SCENE_TRUTH_PATH);
    }
    void SetUp() override
    {
        ASSERT_EQ(picture.width, 900) << SCENE_IMAGE_PATH;
        ASSERT_EQ(picture.height, 620);
    }
    static std::vector<unsigned char> bytes;
    static Picture picture;
    static Table truth;
};

std::vector<unsigned char> ImageTest::bytes;
Picture ImageTest::picture;
Table ImageTest::truth;

TEST_F(ImageTest, FileIsAPlainBottomUpBitmap)
{
    EXPECT_EQ(bytes.size(), 54u + 900u * 3u * 620u);
    EXPECT_EQ(Le(bytes, 2, 4), bytes.size());
    EXPECT_EQ(Le(bytes, 10, 4), 54u);            // pixels right after the headers
    EXPECT_EQ(Le(bytes, 14, 4), 40u);            // the 40-byte information header
    EXPECT_EQ(Le(bytes, 22, 4), 620u);           // positive height: bottom row first
    EXPECT_EQ(Le(bytes, 26, 2), 1u);             // one plane
    EXPECT_EQ(Le(bytes, 28, 2), 24u);            // 24 bits per pixel, no palette
    EXPECT_EQ(Le(bytes, 30, 4), 0u);             // uncompressed
    EXPECT_EQ(Le(bytes, 34, 4), 900u * 3 * 620); // image size
    EXPECT_EQ(Le(bytes, 46, 4), 0u);             // no palette entries
}

TEST_F(ImageTest, CyanHalfIsGreyAndRedDiffersFromIt)
{
    // Green and blue both carry the right view; red carries the left one.
    size_t differing = 0;
    for (size_t k = 0; k < picture.red.size(); ++k) {
        ASSERT_EQ(picture.green[k], picture.blue[k]) << k;
        differing += picture.red[k] != picture.green[k];
    }
    EXPECT_GT(differing, picture.red.size() / 2);
}

// The floating mark takes a dark colour over backgrounds whose mean is 175 or
// more and a bright one below; both occur over plenty of the picture, in
// the red channel (left half) and the blue channel (right half).
TEST_F(ImageTest, BackgroundsForBothMarkColoursOccur)
{
    for (int channel = 0; channel < 2; ++channel) {
        const std::vector<unsigned char> &values = channel == 0 ? picture.red : picture.blue;
        int bright = 0, dark = 0, blocks = 0, darkest = 255, brightest = 0;
        for (int y = 0; y + 7 <= 620; y += 7)
            for (int x = 0; x + 7 <= 900; x += 7) {
                int sum = 0;
                for (int j = y; j < y + 7; ++j)
                    for (int i = x; i < x + 7; ++i) {
                        const int v = values[j * 900 + i];
                        sum += v;
                        darkest = v < darkest ? v : darkest;
                        brightest = v > brightest ? v : brightest;
                    }
                ++blocks;
                bright += sum / 49 >= 175;
                dark += sum / 49 < 175;
            }
        EXPECT_GT(bright, blocks / 50) << channel;
        EXPECT_GT(dark, blocks / 2) << channel;
        EXPECT_LE(darkest, 30) << channel;
        EXPECT_GE(brightest, 225) << channel;
    }
}

// Normalised cross-correlation of a block of the red channel around
// (column, row) with the block of the green channel `parallax` columns to
// the left, on the same rows. Columns and rows are picture pixels.
double Correlation(const Picture &p, int column, int row, int parallax, int halfWidth,
                   int halfHeight)
{
    double sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
    int n = 0;
    for (int j = row - halfHeight; j <= row + halfHeight; ++j)
        for (int i = column - halfWidth; i <= column + halfWidth; ++i) {
            const double a = p.red[j * p.width + i];
            const double b = p.green[j * p.width + i - parallax];
            sumA += a;
            sumB += b;
            sumAA += a * a;
            sumBB += b * b;
            sumAB += a * b;
            ++n;
        }
    const double varA = sumAA - sumA * sumA / n, varB = sumBB - sumB * sumB / n;
    if (varA <= 0 || varB <= 0)
        return -1;
    return (sumAB - sumA * sumB / n) / std::sqrt(varA * varB);
}

double Red_Spread(const Picture &p, int column, int row, int halfWidth, int halfHeight)
{
    double sum = 0, sumSquares = 0;
    int n = 0;
    for (int j = row - halfHeight; j <= row + halfHeight; ++j)
        for (int i = column - halfWidth; i <= column + halfWidth; ++i) {
            const double a = p.red[j * p.width + i];
            sum += a;
            sumSquares += a * a;
            ++n;
        }
    return std::sqrt(std::fmax(0, sumSquares / n - (sum / n) * (sum / n)));
}

TEST_F(ImageTest, BlockMatcherFindsTheListedParallax)
{
    const int halfWidth = 7, halfHeight = 5, widest = 150;
    const double minimumSpread = 6;
    int textured = 0, largestMiss = 0;
    double worst = 0;
    for (size_t k = 0; k < truth.rows.size(); ++k) {
        SCOPED_TRACE("point " + std::to_string(truth.Int(k, "id")));
        // Client positions to picture pixels: the picture starts at (10, 10).
        const int column = truth.Int(k, "leftColumnRounded") - 10;
        const int row = truth.Int(k, "row") - 10;
        const double listed = truth.At(k, "leftColumn") - truth.At(k, "rightColumn");
        ASSERT_GE(row - halfHeight, 0);
        ASSERT_LT(row + halfHeight, picture.height);
        ASSERT_LT(column + halfWidth, picture.width);
        if (Red_Spread(picture, column, row, halfWidth, halfHeight) < minimumSpread)
            continue;
        ++textured;

        const int reach = column - halfWidth < widest ? column - halfWidth : widest;
        std::vector<double> score(reach + 1);
        int best = 0;
        for (int q = 0; q <= reach; ++q) {
            score[q] = Correlation(picture, column, row, q, halfWidth, halfHeight);
            if (score[q] > score[best])
                best = q;
        }
        // Sub-column peak from a parabola through the best score and its
        // neighbours.
        double found = best;
        if (best > 0 && best < reach) {
            const double a = score[best - 1], b = score[best], c = score[best + 1];
            const double curve = a - 2 * b + c;
            if (curve < 0)
                found = best + 0.5 * (a - c) / curve;
        }
        EXPECT_NEAR(found, listed, 1.0) << "peak " << score[best];
        if (std::fabs(found - listed) > worst) {
            worst = std::fabs(found - listed);
            largestMiss = truth.Int(k, "id");
        }
    }
    std::printf("%d of %zu points textured; largest difference %.3f columns (point %d)\n", textured,
                truth.rows.size(), worst, largestMiss);
    EXPECT_GE(textured, static_cast<int>(truth.rows.size() * 9 / 10));
}

} // namespace
