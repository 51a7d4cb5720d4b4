// The desktop's scale factor and the scaled copy of the framebuffer into the
// SDL window's surface.
#include "platform/display_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

TEST(DisplayScaleTest, GdkScaleOverridesXftDpiAndFactorsRoundToWholeNumbers)
{
    // GDK_SCALE, Xft.dpi, the factor: halves round up, from 1.5 on.
    const struct {
        const char *gdkScale, *xftDpi;
        int factor;
    } settings[] = {{nullptr, nullptr, 1}, {nullptr, "192", 2},   {"1", "192", 1},
                    {"2", nullptr, 2},     {"two", "288", 3},     {nullptr, "143", 1},
                    {nullptr, "144", 2},   {nullptr, "239.9", 2}, {nullptr, "240", 3},
                    {"1.49", "300", 1},    {"7.49", nullptr, 7},  {"7.5", nullptr, 8},
                    {"1e300", nullptr, 8}, {"-2", "96", 1}};
    for (const auto &s : settings)
        EXPECT_EQ(Choose_Display_Scale(s.gdkScale, s.xftDpi), s.factor) << &s - settings;
    // Window positions to client positions, rounding down also left of 0.
    for (auto [position, scale, client] :
         {std::tuple{2025, 2, 1012}, {2023, 2, 1011}, {-1, 2, -1}, {-3, 3, -1}, {-4, 3, -2}})
        EXPECT_EQ(Window_To_Client(position, scale), client) << position << " / " << scale;
}

TEST(DisplayScaleTest, TheWindowIsScaledOnlyAsFarAsItFitsTheUsableScreen)
{
    // Desktop factor, usable screen, the factor taken for the 1012 by 669 client.
    const int cases[][4] = {
        {2, 1920, 1080 - 32, 1}, // 150 % on a full-HD screen with a panel: 2024 would not fit
        {2, 3840, 2160 - 32, 2}, // 200 % on 4K
        {4, 3840, 2160, 3},      // 3036 by 2007 fits, 4048 does not
        {2, 2040, 1402, 2},      {2, 2039, 1402, 1},    {2, 2040, 1401, 1},
        {1, 800, 600, 1},        {8, 100000, 100000, 8}};
    for (const auto &c : cases)
        EXPECT_EQ(Fitting_Display_Scale(c[0], 1012, 669, c[1], c[2]), c[3])
            << c[0] << " on " << c[1] << " by " << c[2];
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
                    const COLORREF c = pixels[3 + std::min(x / 2, 2)];
                    const Uint32 expected =
                        x >= 2 && x < right && y >= 2 && y < 4
                            ? GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)
                            : 0xABCDEF;
                    EXPECT_EQ(((Uint32 *)((Uint8 *)seen->pixels + y * seen->pitch))[x] & 0xFFFFFF,
                              expected)
                        << x << "," << y << " format " << format << " width " << width;
                }
            SDL_FreeSurface(seen);
            SDL_FreeSurface(surface);
        }
}
