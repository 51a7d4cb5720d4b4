// Text output: black text on an opaque white cell whose top-left corner is the
// given point, each character in its own glyph, clipped like every other drawing.
#include "window_fixture.h"

#include <climits>

namespace {

constexpr COLORREF Red = RGB(255, 0, 0);

class TextOutputTest : public HeadlessTest {
  protected:
    HDC dc = nullptr;
    void SetUp() override
    {
        HeadlessTest::SetUp();
        dc = Create_Main_Window();
        for (int y = 150; y < 300; y++)
            for (int x = 880; x < 1012; x++)
                SetPixel(dc, x, y, Red);
    }
    // The pixels a line drawn at (x, y) covered on the red background.
    std::vector<COLORREF> Cell(int x, int y, int *width = nullptr, int *height = nullptr)
    {
        std::vector<COLORREF> pixels;
        for (int row = y; row < y + 20; row++)
            for (int column = x; column < 1012; column++)
                if (Headless_Client_Pixel(column, row) != Red) {
                    pixels.push_back(Headless_Client_Pixel(column, row));
                    if (width && height)
                        *width = std::max(*width, column + 1 - x), *height = row + 1 - y;
                }
        return pixels;
    }
};

TEST_F(TextOutputTest, BlackOnAnOpaqueWhiteCellEachCharacterInItsOwnGlyph)
{
    ASSERT_TRUE(TextOutA(dc, 920, 200, "X  1234.567 ", 12));
    int width = 0, height = 0, dark = 0, coloured = 0;
    for (COLORREF p : Cell(920, 200, &width, &height))
        dark += GetRValue(p) < 64, coloured += GetRValue(p) != GetBValue(p);
    EXPECT_EQ(Headless_Client_Pixel(919, 205), Red);
    EXPECT_EQ(Headless_Client_Pixel(925, 199), Red);
    EXPECT_TRUE(height >= 12 && height <= 20) << height;
    EXPECT_TRUE(width >= 12 * 5 && width <= 12 * 10) << "readable: " << width;
    EXPECT_GT(dark, 40);
    EXPECT_EQ(coloured, 0) << "grey levels only";
    // The trailing blank is part of the cell and stays white.
    EXPECT_EQ(Headless_Client_Pixel(920 + width - 1, 200 + height / 2), RGB(255, 255, 255));
    // New text covers old text from the left; 0 and 1 are drawn differently.
    TextOutA(dc, 900, 170, "ID 888 ", 7);
    for (auto [y, text] : {std::pair{170, "ID   0 "}, {230, "ID   0 "}, {260, "ID   1 "}})
        TextOutA(dc, 900, y, text, 7);
    int covered = 0, differing = 0;
    const std::vector<COLORREF> fresh = Cell(900, 230, &(width = 0), &height);
    for (int y = 0; y < height; y++)
        for (int x = 900; x < 900 + width; x++)
            covered++,
                differing += Headless_Client_Pixel(x, 170 + y) != Headless_Client_Pixel(x, 230 + y);
    EXPECT_EQ(differing, 0) << "of " << covered;
    EXPECT_NE(Cell(900, 260), fresh);
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
    handler = [](HWND window, UINT message) {
        PAINTSTRUCT paint;
        return message == WM_PAINT && BeginPaint(window, &paint) &&
               TextOutA(paint.hdc, 920, 170, "ID   0 ", 7) && EndPaint(window, &paint);
    };
    Pump();
    EXPECT_EQ(Headless_Client_Pixel(930, 175), Red) << "outside the update region";
    EXPECT_NE(Headless_Client_Pixel(922, 175), Red) << "inside it";
}

} // namespace
