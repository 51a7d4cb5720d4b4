// The grading tool's own parts: the image hash by which it knows the default
// stereo image (and by which the default picture and truth are pinned), and
// the picture it draws without a window system. That the truth's mark
// positions grade within half a notch is tested on exercises (exercise_test),
// whose truth the same code finds.
#include "app/window_layout.h"
#include "graded_picture.h"
#include "sha256.h"

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string Hash(const std::string &text)
{
    return Sha256_Hex(reinterpret_cast<const unsigned char *>(text.data()), text.size());
}

std::string Read(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Sha256, GivesTheKnownDigestsAcrossThePaddingBoundariesAndTheBuildsHash)
{
    EXPECT_EQ(Hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the last block, a second one follows.
    EXPECT_EQ(Hash("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    // And the build's hash of the default image (many blocks), by which it is
    // known; the image and its truth are the same as they have always been.
    const std::string image = Hash(Read(SCENE_IMAGE_PATH));
    EXPECT_EQ(image + "  pr8a_c_ds.bmp\n", Read(SCENE_HASH_PATH));
    EXPECT_EQ(image + Hash(Read(SCENE_TRUTH_PATH)),
              "1335eba63be9b2d895e45b5a8fa954670c76f4e2caed860926a5e362df9d3168"
              "fa9bd7a0c17a7ef74ffa0d72ce6806955b8ad4e76995d23577daa45447ba16f2");
}

// Colour of one pixel of the picture.
Rgb At(const RgbImage &image, int x, int y)
{
    const unsigned char *p = &image.pixels[3 * (static_cast<size_t>(y) * image.width + x)];
    return Rgb{p[0], p[1], p[2]};
}

bool Same(Rgb a, Rgb b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

const Rgb grey = {200, 200, 200};

RgbImage Grey_Picture()
{
    return {pictureWidth, pictureHeight,
            std::vector<unsigned char>(3 * pictureWidth * pictureHeight, 200)};
}

// Pixels within a rectangle of the colour given, or without one darker than
// the background.
int Count(const RgbImage &image, const Rgb *colour, int left, int top, int right, int bottom)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += colour ? Same(At(image, x, y), *colour) : At(image, x, y).r < 128;
    return count;
}

TEST(GradedPicture, TakesTheLeftViewFromTheAnaglyphsRedChannelTopRowFirst)
{
    const std::string bmp = Read(SCENE_IMAGE_PATH);
    RgbImage image;
    ASSERT_TRUE(Left_View_From_Bmp(bmp, image));
    ASSERT_TRUE(image.width == pictureWidth && image.height == pictureHeight);
    // The file's rows run bottom up, three bytes blue, green, red each.
    for (int y : {0, 311, pictureHeight - 1})
        for (int x : {0, pictureWidth - 1}) {
            const unsigned char level =
                bmp[54 + 3 * ((pictureHeight - 1 - y) * pictureWidth + x) + 2];
            EXPECT_TRUE(Same(At(image, x, y), Rgb{level, level, level})) << x << ", " << y;
        }
    EXPECT_FALSE(Left_View_From_Bmp("not a bitmap", image));
}

TEST(GradedPicture, DrawsTextInCellsOfTheTextHeightAndClipsAtThePicturesBorder)
{
    RgbImage image = Grey_Picture();
    const int one = Draw_Text(image, 10, 10, "1");
    const int eleven = Draw_Text(image, 10, 40, "11");
    EXPECT_GT(one, 4);
    EXPECT_EQ(eleven, 2 * one);
    EXPECT_GT(Count(image, nullptr, 10, 10, 10 + one, 10 + textHeight), 5);
    // The cells' white ends at their width and height: a grey frame around.
    EXPECT_EQ(Count(image, &grey, 9, 9, 11 + one, 11 + textHeight), 2 * one + 2 * textHeight + 4);
    // Half off the picture at each corner: drawn where it lies inside.
    Draw_Text(image, -5, -8, "88");
    Draw_Text(image, pictureWidth - 6, pictureHeight - 6, "88");
    EXPECT_GT(Count(image, nullptr, 0, 0, 20, 8), 0);
    EXPECT_FALSE(Same(At(image, pictureWidth - 1, pictureHeight - 1), grey));
}

// Each counted grade is a ring two pixels thick just outside the mark's
// reach, in its verdict's colour, grey inside, its number black on white
// beside it and centred on its row; the legend goes in a strip below.
TEST(GradedPicture, RingsAndNumbersEachCountedGradeInItsVerdictsColourAndAddsALegend)
{
    RgbImage image = Grey_Picture();
    std::vector<PointGrade> grades(4);
    for (int k = 0; k < 4; ++k) {
        grades[k].onSurface = 1, grades[k].leftColumn = 100 + 100 * k, grades[k].row = 200,
        grades[k].notches = std::vector{0.3, 2.5, -1.5, 0.0}[k];
        grades[k].offPicture = k == 3; // not counted: not drawn
        Draw_Grade(image, k + 7, grades[k]);
    }
    Add_Legend(image);
    ASSERT_EQ(image.height, pictureHeight + legendHeight);
    const Rgb expected[3] = {onSurfaceColour, inFrontColour, behindColour};
    const int r = markReach + 2, y = 200 - pictureTop;
    for (int k = 0; k < 3; ++k) {
        const int x = grades[k].leftColumn - pictureLeft;
        for (auto [dx, dy] : {std::pair{-r, -r}, {r, r}, {-r + 1, 0}, {r - 1, 0}, {0, r - 1}})
            EXPECT_TRUE(Same(At(image, x + dx, y + dy), expected[k]))
                << k << ": " << dx << ", " << dy;
        EXPECT_EQ(Count(image, &grey, x - r + 2, y - r + 2, x + r - 1, y + r - 1),
                  (2 * r - 3) * (2 * r - 3));
        EXPECT_GT(Count(image, nullptr, x + r + 3, y - 8, x + r + 20, y + 8), 5);
        EXPECT_TRUE(Same(At(image, x + r + 3, y - 8), Rgb{255, 255, 255}));
        // One ring of each colour on the picture, the legend's sample below it.
        EXPECT_EQ(Count(image, &expected[k], 0, 0, pictureWidth, pictureHeight), 16 * r - 8);
        EXPECT_EQ(Count(image, &expected[k], 0, pictureHeight, pictureWidth, image.height), 144);
    }
    EXPECT_EQ(Count(image, nullptr, 0, 0, pictureWidth, pictureHeight),
              Count(image, nullptr, 0, y - 8, pictureWidth, y + 8));
    // The legend's three texts all fit: the strip's last columns stay white.
    EXPECT_GT(Count(image, nullptr, 0, pictureHeight, pictureWidth, image.height), 300);
    EXPECT_EQ(Count(image, nullptr, pictureWidth - 40, pictureHeight, pictureWidth, image.height),
              0);
}

} // namespace
