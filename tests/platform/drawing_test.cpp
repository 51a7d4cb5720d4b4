// Painting, clipping and the pixel operations on the window's own device
// context and on memory contexts.
#include "window_fixture.h"

#include <climits>
#include <cstdio>
#include <string>

namespace {

constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    for (int y = top; y < bottom; y++)
        for (int x = left; x < right; x++)
            SetPixel(dc, x, y, colour);
}

HBITMAP Load(const std::string &path)
{
    return (HBITMAP)LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

} // namespace

using DrawingTest = HeadlessTest;

TEST_F(DrawingTest, FirstPaintErasesWithTheClassBrushAndTheOwnContextKeepsExactPixels)
{
    Create_Main_Window();
    EXPECT_EQ(Headless_Client_Pixel(0, 0), 0u) << "nothing is drawn before the first paint";
    HDC dc = Paint();
    ASSERT_NE(dc, nullptr);
    for (int y = 0; y < 669; y += 37)
        for (int x = 0; x < 1012; x += 41)
            ASSERT_EQ(Headless_Client_Pixel(x, y), White) << x << "," << y;
    EXPECT_EQ(Headless_Client_Pixel(1011, 668), White);

    // Between paints the context still draws, and reads back exactly.
    const COLORREF colours[] = {0x000000, 0xFFFFFF, 0x7878C8, 0xC8C878, 0x010203, 0xFEFDFC};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(SetPixel(dc, 10 + i, 629, colours[i]), colours[i]);
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(GetPixel(dc, 10 + i, 629), colours[i]);
        EXPECT_EQ(Headless_Client_Pixel(10 + i, 629), colours[i]);
    }
    Headless_Invalidate(0, 0, 1, 1);
    EXPECT_EQ(Paint(), dc) << "the same context at every paint";
}

TEST_F(DrawingTest, PaintErasesAndClipsToTheUpdateRegionOnly)
{
    Create_Main_Window();
    HDC dc = Paint();
    Fill(dc, 0, 0, 400, 300, Red);

    // Two separate parts uncovered; the pixels between them are not touched.
    Headless_Invalidate(10, 20, 50, 60);
    Headless_Invalidate(200, 100, 220, 130);
    RECT paintRect = {};
    COLORREF inside = 0, outside = 0, outsideWrite = 0;
    Paint([&](HDC paintDc, const PAINTSTRUCT &paint) {
        paintRect = paint.rcPaint;
        inside = GetPixel(paintDc, 10, 20);
        outside = GetPixel(paintDc, 100, 80);
        outsideWrite = SetPixel(paintDc, 100, 80, RGB(0, 0, 255));
        SetPixel(paintDc, 49, 59, RGB(0, 255, 0));
    });
    EXPECT_EQ((std::vector<LONG>{paintRect.left, paintRect.top, paintRect.right, paintRect.bottom}),
              (std::vector<LONG>{10, 20, 220, 130}));
    EXPECT_EQ(inside, White) << "erased before the window procedure paints";
    EXPECT_EQ(outside, CLR_INVALID);
    EXPECT_EQ(outsideWrite, CLR_INVALID);
    const struct {
        int x, y;
        COLORREF colour;
    } after[] = {{100, 80, Red}, {49, 59, RGB(0, 255, 0)}, {9, 20, Red},    {50, 20, Red},
                 {10, 60, Red},  {210, 110, White},        {220, 110, Red}, {150, 110, Red}};
    for (const auto &p : after)
        EXPECT_EQ(Headless_Client_Pixel(p.x, p.y), p.colour) << p.x << "," << p.y;

    // After EndPaint the whole client area is drawable again.
    EXPECT_EQ(SetPixel(dc, 100, 80, RGB(0, 0, 255)), RGB(0, 0, 255));

    // A resize uncovers the whole new client area.
    Headless_Resize(640, 480);
    Paint([&](HDC, const PAINTSTRUCT &paint) { paintRect = paint.rcPaint; });
    EXPECT_EQ(paintRect.right, 640);
    EXPECT_EQ(paintRect.bottom, 480);
    EXPECT_EQ(GetPixel(dc, 5, 5), White);
    EXPECT_EQ(GetPixel(dc, 639, 479), White);
    EXPECT_EQ(GetPixel(dc, 640, 479), CLR_INVALID);
}

TEST_F(DrawingTest, PixelsOutsideTheClientAreaOrWithoutAContextAreInvalid)
{
    EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(nullptr, 0, 0, Red), CLR_INVALID);
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "ID   0 ", 7));
    Create_Main_Window();
    HDC dc = Paint();
    const int outside[][2] = {{-1, 0}, {0, -1}, {1012, 0}, {0, 669}, {-29, 300}, {70000, 5}};
    for (const auto &p : outside) {
        EXPECT_EQ(GetPixel(dc, p[0], p[1]), CLR_INVALID) << p[0] << "," << p[1];
        EXPECT_EQ(SetPixel(dc, p[0], p[1], Red), CLR_INVALID);
    }
    // Extreme positions and sizes draw nothing and do not overflow.
    HDC memory = CreateCompatibleDC(dc);
    EXPECT_TRUE(
        BitBlt(dc, INT_MAX - 3, INT_MIN + 2, INT_MAX, INT_MAX, memory, INT_MIN, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, dc, INT_MAX, INT_MAX, SRCCOPY));
    EXPECT_TRUE(TextOutA(dc, INT_MAX - 2, 5, "Z  -99999.999 ", 14));
    EXPECT_TRUE(TextOutA(dc, INT_MIN, INT_MAX, "Z  -99999.999 ", 14));
    DeleteDC(memory);
    SetPixel(dc, -5, 10, CLR_INVALID);
    for (int y = 0; y < 669; y++)
        for (int x = 0; x < 1012; x++)
            ASSERT_EQ(Headless_Client_Pixel(x, y), White) << x << "," << y;

    Headless_Request_Close();
    Run_Message_Loop();
    EXPECT_EQ(GetPixel(dc, 5, 5), CLR_INVALID) << "the context went with the window";
}

TEST_F(DrawingTest, BitBltCopiesWhatTheSourceHasClippedAndTheSavedClientAreaReloads)
{
    Create_Main_Window();
    HDC dc = Paint();
    HBITMAP bitmap = Load(QV_BMPSUITE_DIR "/good/rgb24.bmp"); // 127 by 64
    ASSERT_NE(bitmap, nullptr);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    EXPECT_NE(previous, nullptr);
    EXPECT_EQ(GetPixel(memory, 127, 0), CLR_INVALID);

    EXPECT_TRUE(BitBlt(dc, 10, 10, 900, 620, memory, 0, 0, SRCCOPY));
    int differences = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 127; x++)
            differences += Headless_Client_Pixel(10 + x, 10 + y) != GetPixel(memory, x, y);
    EXPECT_EQ(differences, 0);
    EXPECT_EQ(Headless_Client_Pixel(137, 10), White);
    EXPECT_EQ(Headless_Client_Pixel(10, 74), White);
    EXPECT_EQ(Headless_Client_Pixel(9, 10), White);

    // During a paint only the update region receives the copy.
    Headless_Invalidate(300, 20, 310, 30);
    Paint([&](HDC paintDc, const PAINTSTRUCT &) {
        BitBlt(paintDc, 250, 0, 127, 64, memory, 0, 0, SRCCOPY);
    });
    EXPECT_EQ(Headless_Client_Pixel(300, 20), GetPixel(memory, 50, 20));
    EXPECT_EQ(Headless_Client_Pixel(309, 29), GetPixel(memory, 59, 29));
    EXPECT_EQ(Headless_Client_Pixel(299, 25), White);
    EXPECT_EQ(Headless_Client_Pixel(310, 25), White);

    // Outside painting, a copy that runs past the client area keeps what fits.
    EXPECT_TRUE(BitBlt(dc, 990, 650, 127, 64, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(Headless_Client_Pixel(1011, 668), GetPixel(memory, 21, 18));

    // A bitmap cannot be deleted while selected, nor selected into two contexts.
    EXPECT_FALSE(DeleteObject(bitmap));
    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    SelectObject(memory, previous);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteDC(dc)) << "the window's own context is not the program's to delete";

    // The saved client area reloads at its own size to the same pixels.
    std::string path = ::testing::TempDir() + "client.bmp";
    ASSERT_TRUE(Headless_Save_Client_Bmp(path.c_str()));
    bitmap = Load(path);
    ASSERT_NE(bitmap, nullptr);
    SelectObject(memory, bitmap);
    EXPECT_EQ(GetPixel(memory, 1012, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(memory, 0, 669), CLR_INVALID);
    differences = 0;
    for (int y = 0; y < 669; y++)
        for (int x = 0; x < 1012; x++)
            differences += GetPixel(memory, x, y) != Headless_Client_Pixel(x, y);
    EXPECT_EQ(differences, 0);
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteObject(bitmap));
    std::remove(path.c_str());
}
