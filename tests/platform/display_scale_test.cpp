// The desktop's scale factor and the scaled copy of the framebuffer into the
// SDL window's surface.
#include "platform/display_scale.h"

#include <gtest/gtest.h>

TEST(DisplayScaleTest, GdkScaleOverridesXftDpiAndFactorsRoundToWholeNumbers)
{
    EXPECT_EQ(Choose_Display_Scale(nullptr, nullptr), 1);
    EXPECT_EQ(Choose_Display_Scale(nullptr, "192"), 2);
    EXPECT_EQ(Choose_Display_Scale("1", "192"), 1);
    EXPECT_EQ(Choose_Display_Scale("2", nullptr), 2);
    EXPECT_EQ(Choose_Display_Scale("two", "288"), 3);
    EXPECT_EQ(Choose_Display_Scale(nullptr, "143"), 1);
    EXPECT_EQ(Choose_Display_Scale(nullptr, "144"), 2);
    EXPECT_EQ(Choose_Display_Scale(nullptr, "239.9"), 2);
    EXPECT_EQ(Choose_Display_Scale("1e300", nullptr), Max_Display_Scale);
    EXPECT_EQ(Window_To_Client(2025, 2), 1012);
    EXPECT_EQ(Window_To_Client(-1, 2), -1);
}

// Client 3 by 2 into a 7 by 5 window at scale 2 (a column and a row left over)
// and, clipped, into one that has not grown yet; in 32- and 24-bit formats.
TEST(DisplayScaleTest, EachChangedClientPixelBecomesAnExactBlockAndNothingElseIsWritten)
{
    const COLORREF pixels[6] = {RGB(1, 2, 3),    RGB(4, 5, 6),    RGB(7, 8, 9),
                                RGB(10, 11, 12), RGB(13, 14, 15), RGB(250, 128, 0)};
    for (Uint32 format : {SDL_PIXELFORMAT_RGB888, SDL_PIXELFORMAT_RGB24})
        for (int width : {7, 5}) {
            SDL_Surface *surface = SDL_CreateRGBSurfaceWithFormat(0, width, 5, 32, format);
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0xAB, 0xCD, 0xEF));
            SDL_Rect area = Present_Scaled(surface, pixels, 3, RECT{1, 1, 3, 2}, 2);
            int right = width == 7 ? 6 : 4;
            EXPECT_TRUE(area.x == 2 && area.y == 2 && area.w == right - 2 && area.h == 2);
            SDL_Surface *seen = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB888, 0);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < width; ++x) {
                    bool changed = x >= 2 && x < right && y >= 2 && y < 4;
                    COLORREF c = changed ? pixels[3 + x / 2] : 0;
                    Uint32 expected =
                        changed ? GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c) : 0xABCDEF;
                    EXPECT_EQ(((Uint32 *)((Uint8 *)seen->pixels + y * seen->pitch))[x] & 0xFFFFFF,
                              expected)
                        << x << "," << y << " format " << format << " width " << width;
                }
            SDL_FreeSurface(seen);
            SDL_FreeSurface(surface);
        }
}
