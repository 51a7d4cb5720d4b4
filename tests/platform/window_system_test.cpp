// Message order, closing and quitting, painting, clipping and the pixel
// operations.
#include "window_fixture.h"

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
    PostMessageA(Headless_Main_Window(), WM_USER + 1, 0, 0);
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
    EXPECT_EQ(Headless_Main_Window(), nullptr);
}

TEST_F(WindowSystemTest, PaintErasesAndClipsToTheUpdateRegionAndTheOwnContextStays)
{
    HDC dc = Create_Main_Window();
    EXPECT_EQ(Headless_Client_Pixel(1011, 668), White);
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
        return EndPaint(window, &paint) != 0;
    };
    Pump();
    const RECT &area = paint.rcPaint;
    EXPECT_EQ((std::vector<LONG>{area.left, area.top, area.right, area.bottom}),
              (std::vector<LONG>{10, 20, 220, 130}));
    EXPECT_EQ(inside, White) << "erased before the window procedure paints";
    EXPECT_EQ(outside, CLR_INVALID);
    for (auto [x, y, colour] : {std::tuple{100, 80, Red},
                                {49, 59, RGB(0, 255, 0)},
                                {9, 20, Red},
                                {50, 20, Red},
                                {10, 60, Red},
                                {210, 110, White},
                                {220, 110, Red}})
        EXPECT_EQ(Headless_Client_Pixel(x, y), colour) << x << "," << y;
    // After EndPaint the whole client area is drawable again, exactly.
    for (COLORREF colour : {0x000000u, 0x7878C8u, 0xC8C878u, 0x010203u}) {
        SetPixel(dc, 1011, 668, colour);
        EXPECT_EQ(GetPixel(dc, 1011, 668), colour);
    }
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
    // Extreme positions and sizes draw nothing and do not overflow.
    EXPECT_TRUE(BitBlt(dc, INT_MAX - 3, INT_MIN + 2, INT_MAX, INT_MAX, dc, INT_MIN, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, dc, INT_MAX, INT_MAX, SRCCOPY));
    for (int y = 0; y < 669; y++)
        for (int x = 0; x < 1012; x++)
            ASSERT_EQ(Headless_Client_Pixel(x, y), White) << x << "," << y;
    Headless_Request_Close();
    Pump();
    EXPECT_EQ(GetPixel(dc, 5, 5), CLR_INVALID) << "the context went with the window";
}

} // namespace
