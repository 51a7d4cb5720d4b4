// The matcher of automatic height on made-up anaglyphs whose parallax is
// known: random textures shifted by known amounts, flat and repeated
// patterns, windows at and beyond the picture's edges. (Depth steps and
// slants are graded on the default picture by surface_match_scene_test.)
#include "app/surface_match.h"
#include "replay_session.h"

#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Levels = std::function<int(int x, int y)>;

StereoPlanes Planes(int width, int height, const Levels &left, const Levels &right)
{
    StereoPlanes planes;
    planes.width = width;
    planes.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            planes.left.push_back(static_cast<unsigned char>(left(x, y)));
            planes.right.push_back(static_cast<unsigned char>(right(x, y)));
        }
    return planes;
}

// Random texture whose point seen in the left view at column x appears in
// the right view at x - parallax.
StereoPlanes Uniform(int width, int height, int parallax)
{
    const unsigned seed = 17u + parallax;
    return Planes(
        width, height, [seed](int x, int y) { return Noise(x, y, seed); },
        [=](int x, int y) { return Noise(x + parallax, y, seed); });
}

TEST(SplitAnaglyphTest, TakesRedAsTheLeftViewAndGreenAsTheRightViewRowByRow)
{
    // Two rows of two pixels in a buffer three pixels wide and three high.
    std::vector<std::uint32_t> pixels(9);
    for (std::uint32_t i = 0; i < 9; ++i)
        pixels[i] = i | (100 + i) << 8 | (200 + i) << 16;
    StereoPlanes planes;
    Split_Anaglyph(pixels.data(), 3, 2, 2, planes);
    EXPECT_EQ(planes.width, 2);
    EXPECT_EQ(planes.height, 2);
    EXPECT_EQ(planes.left, (std::vector<unsigned char>{0, 1, 3, 4}));
    EXPECT_EQ(planes.right, (std::vector<unsigned char>{100, 101, 103, 104}));
}

TEST(MatchParallaxTest, RecoversKnownShiftsOfARandomTextureExactly)
{
    for (int parallax : {-7, 0, 1, 20, 21, 58, 59, 99, 100, 135}) {
        const StereoPlanes planes = Uniform(400, 120, parallax);
        for (int column = 110; column <= 290; column += 90)
            for (int row = 20; row <= 100; row += 80) {
                const ParallaxMatch match = Match_Parallax(planes, column, row);
                EXPECT_TRUE(match.outcome == MatchFound && match.parallax == parallax)
                    << parallax << " at " << column << "," << row;
                EXPECT_NEAR(match.coefficient, 1.0, 1e-12);
            }
    }
}

TEST(MatchParallaxTest, FlatRepeatedAndUnrelatedViewsGiveNoMatch)
{
    const auto ripple = [](int x, int y) { return 90 + ((x + y) % 3 == 0); };
    const auto texture = [](int x, int y) { return Noise(x, y, 6u); };
    const auto shifted = [](int x, int y) { return Noise(x + 40, y, 6u); };
    // The right view at parallax 40 blended with unrelated noise, tenths to
    // ten: at the pointer 1.1 gives a coefficient of 0.606, 1.2 one of 0.566.
    const auto blended = [](int tenths) {
        return [=](int x, int y) {
            return (Noise(x + 40, y, 6u) * 10 + tenths * Noise(x, y, 8u)) / (10 + tenths);
        };
    };
    EXPECT_EQ(Match_Parallax(Planes(300, 60, texture, blended(11)), 150, 30).parallax, 40);
    EXPECT_EQ(Match_Parallax(Planes(300, 60, texture, blended(11)), 150, 30).outcome, MatchFound);
    const auto stripes = [](int period, int shift) {
        return [=](int x, int) { return (x + shift) % period < period / 2 ? 40 : 200; };
    };
    const struct {
        StereoPlanes planes;
        int outcome;
    } cases[] = {
        {Planes(
             300, 60, [](int, int) { return 128; }, [](int, int) { return 128; }),
         MatchFlat},
        // A faint ripple of one grey level is as good as flat, in either view.
        {Planes(300, 60, ripple, ripple), MatchFlat},
        {Planes(300, 60, ripple, shifted), MatchFlat},
        {Planes(300, 60, texture, ripple), MatchFlat},
        // Stripes shifted by 58: several parallaxes of the range fit equally.
        {Planes(400, 60, stripes(16, 0), stripes(16, 58)), MatchAmbiguous},
        {Planes(400, 60, stripes(24, 0), stripes(24, 58)), MatchAmbiguous},
        {Planes(400, 60, stripes(29, 0), stripes(29, 58)), MatchAmbiguous},
        // Views of unrelated textures correlate weakly everywhere.
        {Planes(300, 60, texture, [](int x, int y) { return Noise(x, y, 7u); }), MatchWeak},
        {Planes(300, 60, texture, blended(12)), MatchWeak},
    };
    for (const auto &c : cases) {
        const ParallaxMatch match = Match_Parallax(c.planes, c.planes.width / 2, 30);
        EXPECT_EQ(match.outcome, c.outcome) << "case " << &c - cases << ": " << match.parallax;
        EXPECT_NE(match.outcome, MatchFound);
    }
}

TEST(MatchParallaxTest, MatchesOnlyWhereTheWindowsFitAndNearTheEdgesWhereARepeatWouldShow)
{
    const StereoPlanes planes = Uniform(400, 100, 60);
    const int h = defaultMatchSettings.halfWindow;
    // The first and last rows where the window fits match; one beyond does not.
    EXPECT_EQ(Match_Parallax(planes, 200, h).parallax, 60);
    EXPECT_EQ(Match_Parallax(planes, 200, 100 - h - 1).outcome, MatchFound);
    const int outside[][2] = {{200, h - 1},  {200, 100 - h}, {-200, 50},
                              {700, 50},     {200, -50},     {INT_MAX, 50},
                              {INT_MIN, 50}, {200, INT_MAX}, {200, INT_MIN}};
    for (const auto &at : outside)
        EXPECT_EQ(Match_Parallax(planes, at[0], at[1]).outcome, MatchNoFit)
            << at[0] << "," << at[1];
    // A picture smaller than the window, and one that holds nothing.
    EXPECT_EQ(Match_Parallax(Uniform(2 * h, 2 * h, 0), h, h).outcome, MatchNoFit);
    EXPECT_EQ(Match_Parallax(StereoPlanes(), 0, 0).outcome, MatchNoFit);

    // Where the picture cuts the parallaxes compared short, a match needs
    // peakReach (32) of them beyond the best. The right half stands at
    // column - ceil(p / 2): at column h + 36 parallaxes up to 72 = 40 + 32 fit.
    const StereoPlanes edge = Uniform(400, 60, 40);
    EXPECT_EQ(Match_Parallax(edge, h + 36, 30).parallax, 40);
    EXPECT_EQ(Match_Parallax(edge, h + 36, 30).outcome, MatchFound);
    EXPECT_EQ(Match_Parallax(edge, h + 35, 30).outcome, MatchUnbounded);
    // The left half stands at column + floor(p / 2): 36 columns from the
    // right edge 72 fits, 35 columns from it 71 is the last.
    EXPECT_EQ(Match_Parallax(edge, 400 - 1 - h - 36, 30).outcome, MatchFound);
    EXPECT_EQ(Match_Parallax(edge, 400 - 1 - h - 35, 30).outcome, MatchUnbounded);
    // A texture repeating every 12 columns at parallax 50 matches nowhere:
    // not inside, where the repeats show, and not at the edges, where the
    // picture would hide all but one of them.
    const StereoPlanes repeated = Planes(
        400, 60, [](int x, int y) { return Noise(x % 12, y, 3u); },
        [](int x, int y) { return Noise((x + 50) % 12, y, 3u); });
    for (int column = 0; column < 400; ++column)
        EXPECT_NE(Match_Parallax(repeated, column, 30).outcome, MatchFound) << column;
}

TEST(MatchParallaxTest, MatchesOnlyInsideTheSearchRangeAndWithinTheSettingsLimits)
{
    // Ranges starting at an even and at an odd parallax: the last parallax
    // inside either end matches, the ends themselves and beyond do not.
    for (int start : {20, 21}) {
        MatchSettings settings = defaultMatchSettings;
        settings.minParallax = start;
        settings.maxParallax = start + 80;
        for (int parallax : {start - 8, start, start + 1, start + 2, start + 3, start + 78,
                             start + 79, start + 80, start + 90}) {
            const bool inside = parallax > start && parallax < start + 80;
            const ParallaxMatch match =
                Match_Parallax(Uniform(500, 60, parallax), 250, 30, settings);
            EXPECT_EQ(match.outcome == MatchFound, inside)
                << "range from " << start << ", parallax " << parallax;
            EXPECT_TRUE(!inside || match.parallax == parallax);
        }
    }
    // Windows or ranges beyond the limits are refused; the largest accepted work.
    const StereoPlanes planes = Uniform(900, 60, 30);
    const MatchSettings limits[] = {
        {maxMatchHalfWindow + 1, -16, 144, 0.6, 2.0, 2, 0.1, 32},
        {7, 0, maxMatchParallaxSpan + 1, 0.6, 2.0, 2, 0.1, 32},
        {maxMatchHalfWindow, -200, -200 + maxMatchParallaxSpan, 0.6, 2.0, 2, 0.1, 32}};
    for (const MatchSettings &settings : limits) {
        const ParallaxMatch match = Match_Parallax(planes, 450, 30, settings);
        EXPECT_EQ(match.outcome, &settings == &limits[2] ? MatchFound : MatchNoFit);
        EXPECT_TRUE(match.outcome != MatchFound || match.parallax == 30);
    }
}

} // namespace
