// Painting, clipping and the pixel operations on the window's own device
// context and on memory contexts.
#include "window_fixture.h"

#include <climits>
#include <cstdio>
#include <string>

namespace {

constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);

// Paints the window once and returns its own device context.
HDC First_Paint(HWND window)
{
    HDC dc = nullptr;
    windowLog.handler = [&dc](HWND w, UINT message, WPARAM, LPARAM) {
        if (message != WM_PAINT)
            return false;
        PAINTSTRUCT paint;
        dc = BeginPaint(w, &paint);
        EndPaint(w, &paint);
        return true;
    };
    Pump_Until_Idle();
    windowLog.handler = nullptr;
    (void)window;
    return dc;
}

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    for (int y = top; y < bottom; y++)
        for (int x = left; x < right; x++)
            SetPixel(dc, x, y, colour);
}

} // namespace

using DrawingTest = HeadlessTest;

TEST_F(DrawingTest, FirstPaintErasesTheWholeClientAreaWithTheClassBrush)
{
    HWND window = Create_Main_Window();
    EXPECT_EQ(Headless_Client_Pixel(0, 0), 0u) << "nothing is drawn before the first paint";
    First_Paint(window);
    for (int y = 0; y < Headless_Client_Height(); y += 37)
        for (int x = 0; x < Headless_Client_Width(); x += 41)
            ASSERT_EQ(Headless_Client_Pixel(x, y), White) << x << "," << y;
    EXPECT_EQ(Headless_Client_Pixel(1011, 668), White);
}

TEST_F(DrawingTest, OwnDeviceContextStaysUsableBetweenPaintsAndIsTheSameEachTime)
{
    HWND window = Create_Main_Window();
    HDC dc = First_Paint(window);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(SetPixel(dc, 5, 6, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, 5, 6), RGB(1, 2, 3));
    EXPECT_EQ(Headless_Client_Pixel(5, 6), RGB(1, 2, 3));
    Headless_Invalidate(0, 0, 1, 1);
    EXPECT_EQ(First_Paint(window), dc);
}

TEST_F(DrawingTest, PaintErasesAndClipsToTheUpdateRegionOnly)
{
    HWND window = Create_Main_Window();
    HDC dc = First_Paint(window);
    Fill(dc, 0, 0, 400, 300, Red);

    // Two separate parts uncovered; the pixels between them are not touched.
    Headless_Invalidate(10, 20, 50, 60);
    Headless_Invalidate(200, 100, 220, 130);
    RECT paintRect = {};
    COLORREF insideRead = 0;
    COLORREF outsideRead = 0;
    COLORREF outsideWrite = 0;
    windowLog.handler = [&](HWND w, UINT message, WPARAM, LPARAM) {
        if (message != WM_PAINT)
            return false;
        PAINTSTRUCT paint;
        HDC paintDc = BeginPaint(w, &paint);
        paintRect = paint.rcPaint;
        insideRead = GetPixel(paintDc, 10, 20);
        outsideRead = GetPixel(paintDc, 100, 80);
        outsideWrite = SetPixel(paintDc, 100, 80, RGB(0, 0, 255));
        SetPixel(paintDc, 49, 59, RGB(0, 255, 0));
        EndPaint(w, &paint);
        return true;
    };
    Pump_Until_Idle();

    EXPECT_EQ(paintRect.left, 10);
    EXPECT_EQ(paintRect.top, 20);
    EXPECT_EQ(paintRect.right, 220);
    EXPECT_EQ(paintRect.bottom, 130);
    EXPECT_EQ(insideRead, White) << "erased before the window procedure paints";
    EXPECT_EQ(outsideRead, CLR_INVALID);
    EXPECT_EQ(outsideWrite, CLR_INVALID);
    EXPECT_EQ(Headless_Client_Pixel(100, 80), Red);
    EXPECT_EQ(Headless_Client_Pixel(49, 59), RGB(0, 255, 0));
    EXPECT_EQ(Headless_Client_Pixel(9, 20), Red);
    EXPECT_EQ(Headless_Client_Pixel(50, 20), Red);
    EXPECT_EQ(Headless_Client_Pixel(10, 60), Red);
    EXPECT_EQ(Headless_Client_Pixel(210, 110), White);
    EXPECT_EQ(Headless_Client_Pixel(220, 110), Red);
    EXPECT_EQ(Headless_Client_Pixel(150, 110), Red);

    // After EndPaint the whole client area is drawable again.
    EXPECT_EQ(SetPixel(dc, 100, 80, RGB(0, 0, 255)), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 100, 80), RGB(0, 0, 255));
}

TEST_F(DrawingTest, ResizeRepaintsTheWholeNewClientArea)
{
    HWND window = Create_Main_Window();
    HDC dc = First_Paint(window);
    Fill(dc, 0, 0, 20, 20, Red);
    Headless_Resize(640, 480);
    RECT paintRect = {};
    windowLog.messages.clear();
    windowLog.handler = [&](HWND w, UINT message, WPARAM, LPARAM) {
        if (message != WM_PAINT)
            return false;
        PAINTSTRUCT paint;
        BeginPaint(w, &paint);
        paintRect = paint.rcPaint;
        EndPaint(w, &paint);
        return true;
    };
    Pump_Until_Idle();
    EXPECT_EQ(paintRect.right, 640);
    EXPECT_EQ(paintRect.bottom, 480);
    EXPECT_EQ(Headless_Client_Pixel(5, 5), White);
    EXPECT_EQ(Headless_Client_Width(), 640);
    EXPECT_EQ(GetPixel(dc, 639, 479), White);
    EXPECT_EQ(GetPixel(dc, 640, 479), CLR_INVALID);
}

TEST_F(DrawingTest, PixelsOutsideTheClientAreaOrWithoutAContextAreInvalid)
{
    EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(nullptr, 0, 0, Red), CLR_INVALID);
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "ID   0 ", 7));
    HWND window = Create_Main_Window();
    HDC dc = First_Paint(window);
    const int outside[][2] = {{-1, 0}, {0, -1}, {1012, 0}, {0, 669}, {-29, 300}, {70000, 5}};
    for (const auto &p : outside) {
        EXPECT_EQ(GetPixel(dc, p[0], p[1]), CLR_INVALID) << p[0] << "," << p[1];
        EXPECT_EQ(SetPixel(dc, p[0], p[1], Red), CLR_INVALID);
    }
    EXPECT_EQ(GetPixel(dc, 1011, 668), White);
    // Extreme positions and sizes draw nothing and do not overflow.
    HDC memory = CreateCompatibleDC(dc);
    EXPECT_TRUE(
        BitBlt(dc, INT_MAX - 3, INT_MIN + 2, INT_MAX, INT_MAX, memory, INT_MIN, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, dc, INT_MAX, INT_MAX, SRCCOPY));
    EXPECT_TRUE(TextOutA(dc, INT_MAX - 2, 5, "Z  -99999.999 ", 14));
    EXPECT_TRUE(TextOutA(dc, INT_MIN, INT_MAX, "Z  -99999.999 ", 14));
    DeleteDC(memory);
    EXPECT_EQ(Headless_Client_Pixel(1011, 5), White);
    // Writing an invalid colour back outside changes nothing.
    SetPixel(dc, -5, 10, CLR_INVALID);
    EXPECT_EQ(Headless_Client_Pixel(0, 10), White);

    Headless_Request_Close();
    Run_Message_Loop();
    EXPECT_EQ(GetPixel(dc, 5, 5), CLR_INVALID) << "the context went with the window";
}

TEST_F(DrawingTest, WrittenPixelsReadBackExactly)
{
    HWND window = Create_Main_Window();
    HDC dc = First_Paint(window);
    const COLORREF colours[] = {0x000000, 0xFFFFFF, 0x7878C8, 0xC8C878,
                                0x010203, 0xFEFDFC, 0x00FF00, 0x123456};
    int i = 0;
    for (COLORREF c : colours) {
        EXPECT_EQ(SetPixel(dc, 10 + i, 629, c), c);
        i++;
    }
    i = 0;
    for (COLORREF c : colours) {
        EXPECT_EQ(GetPixel(dc, 10 + i, 629), c);
        EXPECT_EQ(Headless_Client_Pixel(10 + i, 629), c);
        i++;
    }
}

TEST_F(DrawingTest, BitBltCopiesOnlyWhatTheSourceBitmapHas)
{
    HWND window = Create_Main_Window();
    HDC dc = First_Paint(window);
    std::string path = ::testing::TempDir() + "small_pattern.bmp";
    // Make a 4 by 3 bitmap file through the layer itself.
    Headless_Resize(4, 3);
    Pump_Until_Idle();
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++)
            SetPixel(dc, x, y, RGB(x * 60, y * 100, 7));
    ASSERT_TRUE(Headless_Save_Client_Bmp(path.c_str()));
    Headless_Resize(1012, 669);
    Pump_Until_Idle();

    HBITMAP bitmap =
        (HBITMAP)LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_NE(bitmap, nullptr);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    EXPECT_NE(previous, nullptr);
    EXPECT_EQ(GetPixel(memory, 3, 2), RGB(180, 200, 7));
    EXPECT_EQ(GetPixel(memory, 4, 0), CLR_INVALID);
    EXPECT_TRUE(BitBlt(dc, 10, 10, 900, 620, memory, 0, 0, SRCCOPY));
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++)
            EXPECT_EQ(Headless_Client_Pixel(10 + x, 10 + y), RGB(x * 60, y * 100, 7));
    EXPECT_EQ(Headless_Client_Pixel(14, 10), White);
    EXPECT_EQ(Headless_Client_Pixel(10, 13), White);
    EXPECT_EQ(Headless_Client_Pixel(9, 10), White);

    // A bitmap cannot be deleted while selected, nor selected into two contexts.
    EXPECT_FALSE(DeleteObject(bitmap));
    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteDC(dc)) << "the window's own context is not the program's to delete";
    std::remove(path.c_str());
}

TEST_F(DrawingTest, BitBltDuringPaintIsClippedAndWritesPastTheEdgeAreDropped)
{
    HWND window = Create_Main_Window();
    HDC dc = First_Paint(window);
    HDC memory = CreateCompatibleDC(dc);
    std::string path = ::testing::TempDir() + "red_block.bmp";
    Fill(dc, 0, 0, 50, 50, Red);
    Headless_Resize(50, 50);
    Pump_Until_Idle();
    Fill(dc, 0, 0, 50, 50, Red);
    ASSERT_TRUE(Headless_Save_Client_Bmp(path.c_str()));
    Headless_Resize(1012, 669);
    Pump_Until_Idle();
    HBITMAP bitmap =
        (HBITMAP)LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);

    Headless_Invalidate(20, 20, 30, 30);
    windowLog.handler = [&](HWND w, UINT message, WPARAM, LPARAM) {
        if (message != WM_PAINT)
            return false;
        PAINTSTRUCT paint;
        HDC paintDc = BeginPaint(w, &paint);
        BitBlt(paintDc, 0, 0, 50, 50, memory, 0, 0, SRCCOPY);
        EndPaint(w, &paint);
        return true;
    };
    Pump_Until_Idle();
    EXPECT_EQ(Headless_Client_Pixel(20, 20), Red);
    EXPECT_EQ(Headless_Client_Pixel(29, 29), Red);
    EXPECT_EQ(Headless_Client_Pixel(19, 25), White);
    EXPECT_EQ(Headless_Client_Pixel(30, 25), White);

    // Outside painting, a copy that runs past the client area keeps what fits.
    EXPECT_TRUE(BitBlt(dc, 990, 650, 50, 50, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(Headless_Client_Pixel(1011, 668), Red);
    EXPECT_EQ(Headless_Client_Pixel(989, 668), White);
    SelectObject(memory, previous);
    DeleteDC(memory);
    EXPECT_TRUE(DeleteObject(bitmap));
    std::remove(path.c_str());
}

TEST_F(DrawingTest, SavedClientBitmapReloadsToTheSamePixels)
{
    HWND window = Create_Main_Window();
    HDC dc = First_Paint(window);
    for (int y = 0; y < 669; y += 3)
        for (int x = 0; x < 1012; x += 7)
            SetPixel(dc, x, y, RGB(x & 255, y & 255, (x + y) & 255));
    std::string path = ::testing::TempDir() + "client.bmp";
    ASSERT_TRUE(Headless_Save_Client_Bmp(path.c_str()));
    HBITMAP bitmap =
        (HBITMAP)LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_NE(bitmap, nullptr);
    HDC memory = CreateCompatibleDC(dc);
    SelectObject(memory, bitmap);
    EXPECT_EQ(GetPixel(memory, 1012, 0), CLR_INVALID) << "the file's own width";
    EXPECT_EQ(GetPixel(memory, 0, 669), CLR_INVALID) << "the file's own height";
    int differences = 0;
    for (int y = 0; y < 669; y++)
        for (int x = 0; x < 1012; x++)
            differences += GetPixel(memory, x, y) != Headless_Client_Pixel(x, y);
    EXPECT_EQ(differences, 0);
    DeleteDC(memory);
    DeleteObject(bitmap);
    std::remove(path.c_str());
}
