// PNG files as the icon and the grading tool write them, read back with
// stb_image: every pixel and channel where it was.
#include "png_file.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<unsigned char>;

// Decodes to channels per pixel; empty if it cannot or the size differs.
Bytes Decoded(const Bytes &png, int width, int height, int channels)
{
    int w = 0, h = 0, n = 0;
    unsigned char *pixels =
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &n, channels);
    Bytes decoded;
    if (pixels && w == width && h == height && n == channels)
        decoded.assign(pixels, pixels + static_cast<size_t>(w) * h * n);
    stbi_image_free(pixels);
    return decoded;
}

TEST(PngFile, KeepsEveryPixelOfRgbAndRgbaPicturesOfOddWidthsInMemoryAndInAFile)
{
    for (int channels : {3, 4})
        for (int width : {1, 13, 256}) {
            // Every byte tells its row, column and channel apart.
            Bytes pixels(static_cast<size_t>(width) * 5 * channels);
            for (size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = static_cast<unsigned char>(
                    7 * (i / channels / width) + 3 * (i / channels % width) + 64 * (i % channels));
            const Bytes png = Png_Bytes(width, 5, channels, pixels.data());
            EXPECT_EQ(Decoded(png, width, 5, channels), pixels) << channels << " " << width;
            ASSERT_TRUE(Write_Png("written.png", width, 5, channels, pixels.data()));
            std::ifstream in("written.png", std::ios::binary);
            EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
                      png);
            EXPECT_FALSE(
                Write_Png("no such folder/written.png", width, 5, channels, pixels.data()));
        }
}

#ifdef ICON_DIRECTORY
// The icon theme's PNGs: a tile with transparent rounded corners, opaque in
// the middle, at each size.
TEST(PngFile, CarriesTheIconsTileWithItsAlphaAtEverySize)
{
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string path = ICON_DIRECTORY "/quor-vane-" + std::to_string(size) + ".png";
        std::ifstream in(path, std::ios::binary);
        const Bytes icon =
            Decoded(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
                    size, size, 4);
        ASSERT_FALSE(icon.empty()) << path;
        const auto Alpha = [&](int x, int y) {
            return icon[(static_cast<size_t>(y) * size + x) * 4 + 3];
        };
        EXPECT_LT(Alpha(0, 0), 32); // at most a corner sample covered
        EXPECT_LT(Alpha(size - 1, size - 1), 32);
        EXPECT_EQ(Alpha(size / 2, size / 2), 255);
        EXPECT_EQ(Alpha(size / 2, 0), 255);
    }
}
#endif

} // namespace
