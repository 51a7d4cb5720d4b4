// The default stereo image as the build renders it: an anaglyph with the left
// view in red and the right view in green and blue. (That its views show the
// truth file's points where it lists them is graded by the matcher's test on
// this picture, surface_match_scene_test.)
#include "app/window_layout.h"

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(DefaultImage, HoldsTheRightViewInGreenAndBlueAndTheLeftViewInRed)
{
    std::ifstream in(SCENE_IMAGE_PATH, std::ios::binary);
    const std::string bmp{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // 24 bits a pixel, bottom row first, rows without padding.
    const std::string header = std::string("BM") + char(pictureWidth & 0xFF) +
                               char(pictureWidth >> 8) + char(pictureHeight & 0xFF) +
                               char(pictureHeight >> 8) + char(24);
    ASSERT_EQ(bmp.size(), 54u + 3u * pictureWidth * pictureHeight);
    ASSERT_EQ(bmp.substr(0, 2) + bmp.substr(18, 2) + bmp.substr(22, 2) + bmp[28], header);
    int differing = 0;
    for (size_t at = 54; at < bmp.size(); at += 3) {
        ASSERT_EQ(bmp[at], bmp[at + 1]) << "pixel " << (at - 54) / 3;
        differing += bmp[at + 2] != bmp[at + 1];
    }
    EXPECT_GT(differing, pictureWidth * pictureHeight / 2);
}

} // namespace
