// Message order, closing and quitting, painting, clipping, the pixel
// operations and text.
#include "window_fixture.h"

#include <algorithm>
#include <climits>

namespace {

constexpr COLORREF Red = RGB(255, 0, 0), White = RGB(255, 255, 255);

using WindowSystemTest = HeadlessTest;

TEST_F(WindowSystemTest, PostedMessagesThenInputThenPaintThenCloseAndQuit)
{
    // Input queued before the window exists arrives before its first paint.
    Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(300, 200));
    Create_Main_Window();
    Headless_Invalidate(0, 0, 10, 10);
    Headless_Queue_Input(WM_LBUTTONUP, 0, 0);
    PostMessageA(Inspect_Main_Window(), WM_USER + 1, 0, 0);
    // The first paint request is left unanswered, so it must come again.
    int paints = 0;
    handler = [&paints](HWND, UINT message) { return message == WM_PAINT && ++paints == 1; };
    Pump();
    Headless_Request_Close();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
    EXPECT_EQ(msg.wParam, 18u);
    EXPECT_EQ(received, (std::vector<UINT>{WM_CREATE, WM_MOUSEMOVE, WM_PAINT, WM_ERASEBKGND,
                                           WM_USER + 1, WM_LBUTTONUP, WM_PAINT, WM_PAINT,
                                           WM_ERASEBKGND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(Inspect_Main_Window(), nullptr);
}

TEST_F(WindowSystemTest, PaintErasesAndClipsToTheUpdateRegionAndTheOwnContextStays)
{
    HDC dc = Create_Main_Window();
    EXPECT_EQ(Inspect_Client_Pixel(1011, 668), White);
    for (int y = 0; y < 300; y++)
        for (int x = 0; x < 400; x++)
            SetPixel(dc, x, y, Red);
    // Two separate parts uncovered; the pixels between them are not touched.
    Headless_Invalidate(10, 20, 50, 60);
    Headless_Invalidate(200, 100, 220, 130);
    PAINTSTRUCT paint;
    COLORREF inside = 0, outside = 0;
    handler = [&](HWND window, UINT message) {
        if (message != WM_PAINT)
            return false;
        EXPECT_EQ(BeginPaint(window, &paint), dc) << "the same context at every paint";
        inside = GetPixel(dc, 10, 20);
        outside = GetPixel(dc, 100, 80);
        SetPixel(dc, 100, 80, RGB(0, 0, 255));
        SetPixel(dc, 49, 59, RGB(0, 255, 0));
        SetPixel(dc, 50, 59, RGB(0, 255, 0));
        return EndPaint(window, &paint) != 0;
    };
    Pump();
    const RECT &area = paint.rcPaint;
    EXPECT_EQ((std::vector<LONG>{area.left, area.top, area.right, area.bottom}),
              (std::vector<LONG>{10, 20, 220, 130}));
    EXPECT_EQ(inside, White) << "erased before the window procedure paints";
    EXPECT_EQ(outside, CLR_INVALID);
    for (auto [x, y] : {std::pair{100, 80}, {9, 20}, {50, 20}, {10, 60}, {220, 110}})
        EXPECT_EQ(Inspect_Client_Pixel(x, y), Red) << x << "," << y;
    EXPECT_EQ(Inspect_Client_Pixel(210, 110), White);
    EXPECT_EQ(Inspect_Client_Pixel(49, 59), RGB(0, 255, 0));
    EXPECT_EQ(Inspect_Client_Pixel(50, 59), Red) << "right of the update region";
    // After EndPaint the whole client area is drawable again, exactly.
    EXPECT_EQ(SetPixel(dc, 1011, 668, 0x010203), 0x010203u);
}

TEST_F(WindowSystemTest, PixelsOutsideTheClientAreaOrWithoutAContextAreInvalid)
{
    EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(nullptr, 0, 0, Red), CLR_INVALID);
    HDC dc = Create_Main_Window();
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {1012, 0}, {0, 669}, {-29, 300}, {70000, 5}}) {
        EXPECT_EQ(GetPixel(dc, x, y), CLR_INVALID) << x << "," << y;
        EXPECT_EQ(SetPixel(dc, x, y, Red), CLR_INVALID) << x << "," << y;
    }
    // The top byte of a colour is not part of it; a pixel at the last column
    // stays there instead of wrapping into the next row.
    EXPECT_EQ(SetPixel(dc, 1011, 0, 0xFF010203), 0x010203u);
    EXPECT_EQ(GetPixel(dc, 1011, 0), 0x010203u);
    Pump(); // presents what was drawn
    EXPECT_EQ(Inspect_Client_Pixel(1011, 0), 0x010203u);
    EXPECT_EQ(Inspect_Client_Pixel(0, 1), White);
    SetPixel(dc, 1011, 0, White);
    // Extreme positions and sizes draw nothing and do not overflow.
    EXPECT_TRUE(BitBlt(dc, INT_MAX - 3, INT_MIN + 2, INT_MAX, INT_MAX, dc, INT_MIN, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, dc, INT_MAX, INT_MAX, SRCCOPY));
    Pump();
    for (int y = 0; y < 669; y++)
        for (int x = 0; x < 1012; x++)
            ASSERT_EQ(Inspect_Client_Pixel(x, y), White) << x << "," << y;
    Headless_Request_Close();
    Pump();
    EXPECT_EQ(GetPixel(dc, 5, 5), CLR_INVALID) << "the context went with the window";
}

// Text: black on an opaque white cell whose top-left corner is the given
// point, each character in its own glyph, clipped like every other drawing.
// (That new text covers old text, the readout's tests read off the pixels.)
TEST_F(WindowSystemTest, TextIsBlackOnAWhiteCellEachCharacterInItsOwnGlyphClipped)
{
    HDC dc = Create_Main_Window();
    for (int y = 150; y < 300; y++)
        for (int x = 880; x < 1012; x++)
            SetPixel(dc, x, y, Red);
    ASSERT_TRUE(TextOutA(dc, 920, 200, "X  1234.567 ", 12));
    Pump();
    int right = 0, bottom = 0, dark = 0, coloured = 0;
    for (int y = 190; y < 230; y++)
        for (int x = 880; x < 1012; x++)
            if (const COLORREF p = Inspect_Client_Pixel(x, y); p != Red) {
                right = std::max(right, x), bottom = std::max(bottom, y);
                dark += GetRValue(p) < 64, coloured += GetRValue(p) != GetBValue(p);
                EXPECT_TRUE(x >= 920 && y >= 200) << x << "," << y;
            }
    // DejaVu Sans Bold (Debian's fonts-dejavu-core) 16 rows high: the
    // text's cells reach the client's edge, and its ink is 212 dark pixels.
    EXPECT_EQ((std::vector<int>{right, bottom, dark}), (std::vector<int>{1011, 215, 212}));
    EXPECT_EQ(coloured, 0);
    // Clipped at the client edge and to the paint's update region.
    EXPECT_TRUE(TextOutA(dc, 1000, 280, "Z  -99999.999 ", 14));
    Pump();
    EXPECT_NE(Inspect_Client_Pixel(1011, 285), Red);
    EXPECT_TRUE(TextOutA(dc, INT_MIN, INT_MAX, "Z  -99999.999 ", 14));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "ID   0 ", 7));
    Headless_Invalidate(0, 0, 925, 669);
    handler = [](HWND window, UINT message) {
        PAINTSTRUCT paint;
        return message == WM_PAINT && BeginPaint(window, &paint) &&
               TextOutA(paint.hdc, 920, 280, "ID   0 ", 7) && EndPaint(window, &paint);
    };
    Pump();
    EXPECT_EQ(Inspect_Client_Pixel(930, 285), Red) << "outside the update region";
    EXPECT_NE(Inspect_Client_Pixel(922, 285), Red) << "inside it";
}

} // namespace
