// Text output: black text on an opaque white cell whose top-left corner is the
// given point, each character in its own glyph, clipped like every other drawing.
#include "window_fixture.h"

#include <algorithm>
#include <climits>

namespace {

constexpr COLORREF Red = RGB(255, 0, 0);

class TextOutputTest : public HeadlessTest {
  protected:
    HDC dc = nullptr;
    void SetUp() override
    {
        HeadlessTest::SetUp();
        Create_Main_Window();
        dc = Paint();
        for (int y = 150; y < 300; y++)
            for (int x = 880; x < 1012; x++)
                SetPixel(dc, x, y, Red);
    }
    // The cell a line covered on the red background, and its pixels.
    RECT Cell(int x, int y, std::vector<COLORREF> *pixels = nullptr)
    {
        RECT cell = {x, y, x, y};
        for (int row = y; row < y + 20; row++)
            for (int column = x; column < 1012; column++)
                if (Headless_Client_Pixel(column, row) != Red) {
                    cell.right = std::max(cell.right, (LONG)column + 1);
                    cell.bottom = std::max(cell.bottom, (LONG)row + 1);
                    if (pixels)
                        pixels->push_back(Headless_Client_Pixel(column, row));
                }
        return cell;
    }
};

TEST_F(TextOutputTest, ReadoutLineIsBlackOnAnOpaqueWhiteCellAtThePoint)
{
    ASSERT_TRUE(TextOutA(dc, 920, 200, "X  1234.567 ", 12));
    std::vector<COLORREF> pixels;
    RECT cell = Cell(920, 200, &pixels);
    EXPECT_EQ(Headless_Client_Pixel(919, 205), Red);
    EXPECT_EQ(Headless_Client_Pixel(925, 199), Red);
    const int height = cell.bottom - cell.top, width = cell.right - cell.left;
    EXPECT_TRUE(height >= 12 && height <= 20) << height;
    EXPECT_TRUE(width >= 12 * 5 && width <= 12 * 10) << "readable: " << width;
    // Grey levels only (black text, white background), some of them dark.
    EXPECT_EQ(std::count_if(pixels.begin(), pixels.end(),
                            [](COLORREF p) { return GetRValue(p) != GetBValue(p); }),
              0);
    EXPECT_GT(
        std::count_if(pixels.begin(), pixels.end(), [](COLORREF p) { return GetRValue(p) < 64; }),
        40);
    // The trailing blank is part of the cell and stays white.
    EXPECT_EQ(Headless_Client_Pixel(cell.right - 1, cell.top + height / 2), RGB(255, 255, 255));
}

TEST_F(TextOutputTest, EveryCharacterShowsItsOwnGlyphAndNewTextCoversOldFromTheLeft)
{
    TextOutA(dc, 900, 170, "ID 888 ", 7);
    TextOutA(dc, 900, 170, "ID   0 ", 7);
    TextOutA(dc, 900, 230, "ID   0 ", 7);
    TextOutA(dc, 900, 260, "ID   1 ", 7);
    const RECT cell = Cell(900, 230);
    int differences[2] = {0, 0};
    for (int y = cell.top; y < cell.bottom; y++)
        for (int x = cell.left; x < cell.right; x++)
            for (int k : {0, 1})
                differences[k] +=
                    Headless_Client_Pixel(x, y) != Headless_Client_Pixel(x, y + 30 * (3 * k - 2));
    EXPECT_EQ(differences[0], 0) << "the new line covers the old one";
    EXPECT_GT(differences[1], 0) << "0 and 1 drawn alike";
}

TEST_F(TextOutputTest, TextIsClippedAtTheClientEdgeAndToThePaintRegion)
{
    EXPECT_TRUE(TextOutA(dc, 1000, 280, "Z  -99999.999 ", 14));
    EXPECT_NE(Headless_Client_Pixel(1011, 285), Red);
    EXPECT_TRUE(TextOutA(dc, INT_MIN, INT_MAX, "Z  -99999.999 ", 14));
    EXPECT_FALSE(TextOutA(dc, 920, 170, nullptr, 3));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "ID   0 ", 7));
    EXPECT_TRUE(TextOutA(dc, 920, 170, "", 0));
    EXPECT_EQ(Headless_Client_Pixel(920, 170), Red);
    Headless_Invalidate(0, 0, 925, 669);
    Paint([](HDC paintDc, const PAINTSTRUCT &) { TextOutA(paintDc, 920, 170, "ID   0 ", 7); });
    EXPECT_EQ(Headless_Client_Pixel(930, 175), Red) << "outside the update region";
    EXPECT_NE(Headless_Client_Pixel(922, 175), Red) << "inside it";
}

} // namespace
