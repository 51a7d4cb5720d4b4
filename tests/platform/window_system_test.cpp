// Message order, closing and quitting, the pointer's display counter,
// painting, clipping and the pixel operations.
#include "window_fixture.h"

#include <climits>

namespace {

constexpr COLORREF Red = RGB(255, 0, 0), White = RGB(255, 255, 255);

std::vector<UINT> Message_Numbers()
{
    std::vector<UINT> numbers;
    for (const MSG &m : windowLog.messages)
        if (m.message != WM_SIZE && m.message != WM_CREATE)
            numbers.push_back(m.message);
    return numbers;
}

using WindowSystemTest = HeadlessTest;

TEST_F(WindowSystemTest, PostedMessagesThenInputThenPaintThenCloseAndQuit)
{
    // Input queued before the window exists arrives before its first paint.
    Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(300, 200));
    HWND window = Create_Main_Window();
    Paint();
    EXPECT_EQ(windowLog.messages[1].lParam, MAKELPARAM(300, 200));
    Headless_Invalidate(0, 0, 10, 10);
    Headless_Queue_Input(WM_LBUTTONUP, 0, 0);
    Headless_Queue_Input(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    PostMessageA(window, WM_USER + 1, 0, 0);
    // The first paint request is left unanswered, so it must come again.
    int paints = 0;
    windowLog.handler = [&paints](HWND, UINT message, WPARAM, LPARAM) {
        return message == WM_PAINT && ++paints == 1;
    };
    Paint();
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(windowLog.messages[6].wParam), -120);
    Headless_Request_Close();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
    EXPECT_EQ(msg.wParam, 18u);
    EXPECT_EQ(Message_Numbers(),
              (std::vector<UINT>{WM_MOUSEMOVE, WM_PAINT, WM_ERASEBKGND, WM_USER + 1, WM_LBUTTONUP,
                                 WM_MOUSEWHEEL, WM_PAINT, WM_PAINT, WM_ERASEBKGND, WM_CLOSE,
                                 WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(Headless_Main_Window(), nullptr);
}

TEST_F(WindowSystemTest, ShowCursorMovesTheCounterByOnePerCallAndReturnsIt)
{
    for (auto [show, counter] : {std::pair{FALSE, -1}, {FALSE, -2}, {TRUE, -1}, {TRUE, 0}})
        EXPECT_EQ(ShowCursor(show), counter);
    EXPECT_EQ(Headless_Cursor_Counter(), 0);
    EXPECT_EQ(Headless_Show_Cursor_Calls(), 4);
}

TEST_F(WindowSystemTest, PaintErasesAndClipsToTheUpdateRegionAndTheOwnContextStays)
{
    Create_Main_Window();
    EXPECT_EQ(Headless_Client_Pixel(0, 0), 0u) << "nothing is drawn before the first paint";
    HDC dc = Paint();
    EXPECT_EQ(Headless_Client_Pixel(0, 0), White);
    EXPECT_EQ(Headless_Client_Pixel(1011, 668), White);
    for (int y = 0; y < 300; y++)
        for (int x = 0; x < 400; x++)
            SetPixel(dc, x, y, Red);
    // Two separate parts uncovered; the pixels between them are not touched.
    Headless_Invalidate(10, 20, 50, 60);
    Headless_Invalidate(200, 100, 220, 130);
    RECT area = {};
    COLORREF inside = 0, outside = 0;
    EXPECT_EQ(Paint([&](HDC paintDc, const PAINTSTRUCT &paint) {
                  area = paint.rcPaint;
                  inside = GetPixel(paintDc, 10, 20);
                  outside = GetPixel(paintDc, 100, 80);
                  SetPixel(paintDc, 100, 80, RGB(0, 0, 255));
                  SetPixel(paintDc, 49, 59, RGB(0, 255, 0));
              }),
              dc)
        << "the same context at every paint";
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
    Create_Main_Window();
    HDC dc = Paint();
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {1012, 0}, {0, 669}, {-29, 300}, {70000, 5}}) {
        EXPECT_EQ(GetPixel(dc, x, y), CLR_INVALID) << x << "," << y;
        EXPECT_EQ(SetPixel(dc, x, y, Red), CLR_INVALID) << x << "," << y;
    }
    // Extreme positions and sizes draw nothing and do not overflow.
    HDC memory = CreateCompatibleDC(dc);
    EXPECT_TRUE(
        BitBlt(dc, INT_MAX - 3, INT_MIN + 2, INT_MAX, INT_MAX, memory, INT_MIN, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, dc, INT_MAX, INT_MAX, SRCCOPY));
    DeleteDC(memory);
    for (int y = 0; y < 669; y++)
        for (int x = 0; x < 1012; x++)
            ASSERT_EQ(Headless_Client_Pixel(x, y), White) << x << "," << y;
    Headless_Request_Close();
    Paint();
    EXPECT_EQ(GetPixel(dc, 5, 5), CLR_INVALID) << "the context went with the window";
}

TEST_F(WindowSystemTest, BitBltCopiesWhatTheSourceHasClippedToTheUpdateRegion)
{
    Create_Main_Window();
    HDC dc = Paint();
    HBITMAP bitmap = (HBITMAP)LoadImageA(nullptr, QV_BMPSUITE_DIR "/good/rgb24.bmp", IMAGE_BITMAP,
                                         0, 0, LR_LOADFROMFILE); // 127 by 64
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    EXPECT_TRUE(BitBlt(dc, 10, 10, 900, 620, memory, 0, 0, SRCCOPY));
    int differences = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 127; x++)
            differences += Headless_Client_Pixel(10 + x, 10 + y) != GetPixel(memory, x, y);
    EXPECT_EQ(differences, 0);
    for (auto [x, y] : {std::pair{137, 10}, {10, 74}, {9, 10}})
        EXPECT_EQ(Headless_Client_Pixel(x, y), White) << x << "," << y;
    // During a paint only the update region receives the copy.
    Headless_Invalidate(300, 20, 310, 30);
    Paint([&](HDC paintDc, const PAINTSTRUCT &) {
        BitBlt(paintDc, 250, 0, 127, 64, memory, 0, 0, SRCCOPY);
    });
    EXPECT_EQ(Headless_Client_Pixel(300, 20), GetPixel(memory, 50, 20));
    EXPECT_EQ(Headless_Client_Pixel(309, 29), GetPixel(memory, 59, 29));
    EXPECT_EQ(Headless_Client_Pixel(299, 25), White);
    EXPECT_EQ(Headless_Client_Pixel(310, 25), White);
    // A copy that runs past the client area keeps what fits.
    EXPECT_TRUE(BitBlt(dc, 990, 650, 127, 64, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(Headless_Client_Pixel(1011, 668), GetPixel(memory, 21, 18));
    // A bitmap cannot be deleted while selected.
    EXPECT_FALSE(DeleteObject(bitmap));
    SelectObject(memory, previous);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_FALSE(DeleteDC(dc)) << "the window's own context is not the program's to delete";
    EXPECT_EQ(Headless_Live_Dcs(), 1);
    EXPECT_EQ(Headless_Live_Gdi_Objects(), 0);
}

} // namespace
