// The default stereo image as the build renders it: an anaglyph with the left
// view in red and the right view in green and blue, whose views show the
// truth file's points at their listed columns.
#include "app/window_layout.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

class DefaultImage : public testing::Test {
  protected:
    void SetUp() override
    {
        std::ifstream in(SCENE_IMAGE_PATH, std::ios::binary);
        bmp.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ASSERT_EQ(bmp.size(), 54u + 3u * pictureWidth * pictureHeight);
        ASSERT_EQ(bmp.substr(0, 2), "BM");
        ASSERT_EQ(Field(18), pictureWidth);
        ASSERT_EQ(Field(22), pictureHeight); // positive: bottom row first
        ASSERT_EQ(Field(28) & 0xffff, 24);
    }

    int Field(size_t offset) const
    {
        int value = 0;
        for (int k = 3; k >= 0; --k)
            value = value * 256 + static_cast<unsigned char>(bmp[offset + k]);
        return value;
    }

    // Channel 0 blue, 1 green, 2 red of a picture pixel, top row first.
    int At(int x, int y, int channel) const
    {
        const size_t row = static_cast<size_t>(pictureHeight - 1 - y);
        return static_cast<unsigned char>(bmp[54 + (row * pictureWidth + x) * 3 + channel]);
    }

    // Mean absolute difference of 7 by 7 blocks of two channels.
    double Block_Difference(int x1, int channel1, int x2, int channel2, int y) const
    {
        double sum = 0;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx)
                sum += std::abs(At(x1 + dx, y + dy, channel1) - At(x2 + dx, y + dy, channel2));
        return sum / 49;
    }

    std::string bmp;
};

TEST_F(DefaultImage, HoldsTheRightViewInGreenAndBlueAndTheLeftViewInRed)
{
    int differing = 0;
    for (int y = 0; y < pictureHeight; ++y)
        for (int x = 0; x < pictureWidth; ++x) {
            ASSERT_EQ(At(x, y, 0), At(x, y, 1)) << x << ", " << y;
            differing += At(x, y, 2) != At(x, y, 1);
        }
    EXPECT_GT(differing, pictureWidth * pictureHeight / 2);
}

TEST_F(DefaultImage, ShowsEachTruthPointAtItsLeftColumnInRedAndItsRightColumnInGreen)
{
    std::ifstream truth(SCENE_TRUTH_PATH);
    std::string line;
    std::getline(truth, line);
    double matched = 0, swapped = 0;
    int points = 0;
    while (std::getline(truth, line)) {
        std::vector<std::string> fields;
        std::stringstream in(line);
        for (std::string field; std::getline(in, field, ',');)
            fields.push_back(field);
        ASSERT_GE(fields.size(), 9u);
        const int y = std::stoi(fields[4]) - pictureTop;
        const int left = std::stoi(fields[7]) - pictureLeft;
        const int right = std::stoi(fields[8]) - pictureLeft;
        if (y < 3 || y >= pictureHeight - 3 || right < 3 || left >= pictureWidth - 3)
            continue;
        matched += Block_Difference(left, 2, right, 1, y);
        swapped += Block_Difference(right, 2, left, 1, y);
        ++points;
    }
    ASSERT_GT(points, 100);
    // The same flat face in both views: a few grey levels apart on average,
    // far less than the views taken the wrong way round.
    EXPECT_LT(matched / points, 12);
    EXPECT_GT(swapped, 3 * matched);
}

} // namespace
