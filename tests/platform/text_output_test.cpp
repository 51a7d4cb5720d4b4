// Text output: black text on an opaque white cell whose top-left corner is the
// given point, clipped like every other drawing.
#include "window_fixture.h"

#include <algorithm>

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
    // The cell a line of text covered on the red background: from the given
    // point to the last column and row that are no longer red.
    RECT Covered_Cell(int x, int y)
    {
        RECT cell = {x, y, x, y};
        for (int row = y; row < y + 40; row++)
            for (int column = x; column < x + 300; column++)
                if (Headless_Client_Pixel(column, row) != Red &&
                    Headless_Client_Pixel(column, row) != CLR_INVALID) {
                    cell.right = std::max(cell.right, (LONG)column + 1);
                    cell.bottom = std::max(cell.bottom, (LONG)row + 1);
                }
        return cell;
    }
};

} // namespace

TEST_F(TextOutputTest, ReadoutLineIsBlackOnAnOpaqueWhiteCellAtThePoint)
{
    ASSERT_TRUE(TextOutA(dc, 920, 200, "X  1234.567 ", 12));
    RECT cell = Covered_Cell(920, 200);
    EXPECT_EQ(cell.left, 920);
    EXPECT_EQ(cell.top, 200);
    EXPECT_EQ(Headless_Client_Pixel(919, 205), Red);
    EXPECT_EQ(Headless_Client_Pixel(925, 199), Red);
    int height = cell.bottom - cell.top, width = cell.right - cell.left;
    EXPECT_GE(height, 12);
    EXPECT_LE(height, 20);
    EXPECT_GE(width, 12 * 5) << "readable: at least 5 pixels a character";
    EXPECT_LE(width, 12 * 10);

    int dark = 0;
    for (int y = cell.top; y < cell.bottom; y++)
        for (int x = cell.left; x < cell.right; x++) {
            COLORREF p = Headless_Client_Pixel(x, y);
            dark += GetRValue(p) < 64;
            // Grey levels only (black text, white background), so no red left.
            ASSERT_TRUE(GetRValue(p) == GetGValue(p) && GetGValue(p) == GetBValue(p)) << x << y;
        }
    EXPECT_GT(dark, 40);
    // The trailing blank is part of the cell and stays white.
    EXPECT_EQ(Headless_Client_Pixel(cell.right - 1, cell.top + height / 2), RGB(255, 255, 255));

    // New text covers old text from the left.
    TextOutA(dc, 920, 260, "ID   0 ", 7);
    cell = Covered_Cell(920, 260);
    TextOutA(dc, 920, 170, "ID 888 ", 7);
    TextOutA(dc, 920, 170, "ID   0 ", 7);
    for (int y = 0; y < cell.bottom - cell.top; y++)
        for (int x = cell.left; x < cell.right; x++)
            ASSERT_EQ(Headless_Client_Pixel(x, 170 + y), Headless_Client_Pixel(x, 260 + y));
}

TEST_F(TextOutputTest, TextIsClippedAtTheClientEdgeAndToThePaintRegion)
{
    EXPECT_TRUE(TextOutA(dc, 1000, 280, "Z  -99999.999 ", 14));
    EXPECT_NE(Headless_Client_Pixel(1011, 285), Red);
    EXPECT_TRUE(TextOutA(dc, 920, 700, "off the bottom", 14));
    EXPECT_FALSE(TextOutA(dc, 920, 170, nullptr, 3));
    EXPECT_TRUE(TextOutA(dc, 920, 170, "", 0));
    EXPECT_EQ(Headless_Client_Pixel(920, 170), Red);

    Headless_Invalidate(0, 0, 925, 669);
    Paint([](HDC paintDc, const PAINTSTRUCT &) { TextOutA(paintDc, 920, 170, "ID   0 ", 7); });
    EXPECT_EQ(Headless_Client_Pixel(930, 175), Red) << "outside the update region";
    EXPECT_NE(Headless_Client_Pixel(922, 175), Red) << "inside it";
}
