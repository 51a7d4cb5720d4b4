// PNG files as the icon and the grading tool write them, read back with
// stb_image: every pixel and channel where it was.
#include "png_file.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A picture whose every byte tells its row, column and channel apart.
std::vector<unsigned char> Pattern(int width, int height, int channels)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                pixels[(static_cast<size_t>(y) * width + x) * channels + c] =
                    static_cast<unsigned char>(7 * y + 3 * x + 64 * c);
    return pixels;
}

void Expect_Decodes_To(const std::vector<unsigned char> &png, int width, int height, int channels,
                       const std::vector<unsigned char> &pixels)
{
    int w = 0, h = 0, n = 0;
    unsigned char *decoded =
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &n, channels);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_EQ(n, channels);
    EXPECT_EQ(std::vector<unsigned char>(decoded, decoded + pixels.size()), pixels);
    stbi_image_free(decoded);
}

TEST(PngFile, KeepsEveryPixelOfRgbAndRgbaPicturesOfOddWidths)
{
    for (int channels : {3, 4})
        for (int width : {1, 13, 256}) {
            const int height = 5;
            const std::vector<unsigned char> pixels = Pattern(width, height, channels);
            Expect_Decodes_To(Png_Bytes(width, height, channels, pixels.data()), width, height,
                              channels, pixels);
        }
}

TEST(PngFile, WritesTheSameBytesToAFileAndFailsWhereItCannot)
{
    const std::vector<unsigned char> pixels = Pattern(9, 4, 4);
    ASSERT_TRUE(Write_Png("written.png", 9, 4, 4, pixels.data()));
    std::ifstream in("written.png", std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, Png_Bytes(9, 4, 4, pixels.data()));
    EXPECT_FALSE(Write_Png("no such folder/written.png", 9, 4, 4, pixels.data()));
    std::remove("written.png");
}

#ifdef ICON_DIRECTORY
// The icon theme's PNGs: a tile with transparent rounded corners, opaque in
// the middle, at each size.
TEST(PngFile, CarriesTheIconsTileWithItsAlphaAtEverySize)
{
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string path = ICON_DIRECTORY "/quor-vane-" + std::to_string(size) + ".png";
        int w = 0, h = 0, n = 0;
        unsigned char *icon = stbi_load(path.c_str(), &w, &h, &n, 4);
        ASSERT_NE(icon, nullptr) << path;
        EXPECT_EQ(w, size);
        EXPECT_EQ(h, size);
        EXPECT_EQ(n, 4) << path;
        const auto Alpha = [&](int x, int y) {
            return icon[(static_cast<size_t>(y) * w + x) * 4 + 3];
        };
        EXPECT_LT(Alpha(0, 0), 32); // at most a corner sample covered
        EXPECT_LT(Alpha(size - 1, size - 1), 32);
        EXPECT_EQ(Alpha(size / 2, size / 2), 255);
        EXPECT_EQ(Alpha(size / 2, 0), 255);
        stbi_image_free(icon);
    }
}
#endif

} // namespace
