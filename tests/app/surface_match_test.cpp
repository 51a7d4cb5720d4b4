// The matcher of automatic height on made-up anaglyphs whose parallax is
// known: random textures shifted by known amounts, flat and repeated
// patterns, windows at and beyond the picture's edges.
#include "app/surface_match.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace {

int Floor_Half(int p)
{
    return p >= 0 ? p / 2 : -((1 - p) / 2);
}

// Grey levels of a texture, row by row: white noise smoothed over a few
// pixels, as a surface under a camera looks.
std::vector<int> Texture(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(0, 255);
    std::vector<int> noise(static_cast<size_t>(width) * height);
    for (int &v : noise)
        v = level(random);
    std::vector<int> texture(noise.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int sum = 0, count = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int yy = y + dy, xx = x + dx;
                    if (yy >= 0 && yy < height && xx >= 0 && xx < width) {
                        sum += noise[static_cast<size_t>(yy) * width + xx];
                        ++count;
                    }
                }
            texture[static_cast<size_t>(y) * width + x] = sum / count;
        }
    return texture;
}

// An anaglyph whose parallax at each left-view position is parallax(x, y):
// the right view shows the texture at x + parallax, that is the point seen in
// the left view at column x appears in the right view at x - parallax.
template <typename Field>
StereoPlanes Shifted_Planes(int width, int height, unsigned seed, Field parallax)
{
    const int margin = 300;
    const std::vector<int> texture = Texture(width + 2 * margin, height, seed);
    const std::vector<int> unseen = Texture(width, height, seed + 1000u);
    StereoPlanes planes;
    planes.width = width;
    planes.height = height;
    planes.left.resize(static_cast<size_t>(width) * height);
    planes.right.resize(planes.left.size());
    const int textureWidth = width + 2 * margin;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = static_cast<size_t>(y) * width + x;
            planes.left[at] = static_cast<unsigned char>(texture[y * textureWidth + x + margin]);
            // The right view's column x shows what the left view shows at
            // x + p, where p is the parallax there.
            // Where two surfaces would show, the nearer one (larger
            // parallax) hides the other; where none does, the right view
            // sees something the left one does not.
            int level = unseen[at];
            for (int p = 200; p >= -64; --p)
                if (parallax(x + p, y) == p) {
                    level = texture[y * textureWidth + x + p + margin];
                    break;
                }
            planes.right[at] = static_cast<unsigned char>(level);
        }
    return planes;
}

StereoPlanes Uniform_Planes(int width, int height, unsigned seed, int parallax)
{
    return Shifted_Planes(width, height, seed, [parallax](int, int) { return parallax; });
}

TEST(SplitAnaglyphTest, TakesRedAsTheLeftViewAndGreenAsTheRightViewRowByRow)
{
    // Three rows of four pixels in a buffer five pixels wide; the fifth column
    // and the bottom row lie outside the picture.
    std::vector<std::uint32_t> pixels(5 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            pixels[y * 5 + x] = static_cast<std::uint32_t>((10 * y + x) | (100 + 10 * y + x) << 8 |
                                                           (200 + y) << 16);
    StereoPlanes planes;
    Split_Anaglyph(pixels.data(), 5, 4, 3, planes);
    ASSERT_EQ(planes.width, 4);
    ASSERT_EQ(planes.height, 3);
    ASSERT_EQ(planes.left.size(), 12u);
    ASSERT_EQ(planes.right.size(), 12u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(planes.left[y * 4 + x], 10 * y + x);
            EXPECT_EQ(planes.right[y * 4 + x], 100 + 10 * y + x);
        }
}

TEST(MatchParallaxTest, RecoversKnownShiftsOfARandomTextureExactly)
{
    const int parallaxes[] = {20, 21, 33, 58, 59, 77, 99, 100, -7, 0, 1, 135};
    for (int parallax : parallaxes) {
        const StereoPlanes planes = Uniform_Planes(400, 120, 17u + parallax, parallax);
        // Pointer positions over the picture, the left half to the right of
        // the pointer for positive parallaxes.
        for (int column = 110; column <= 290; column += 45)
            for (int row = 20; row <= 100; row += 40) {
                const ParallaxMatch match = Match_Parallax(planes, column, row);
                ASSERT_TRUE(match.matched) << "parallax " << parallax << " at " << column << ","
                                           << row << " outcome " << match.outcome;
                EXPECT_EQ(match.outcome, MatchFound);
                EXPECT_EQ(match.parallax, parallax) << "at " << column << "," << row;
                EXPECT_NEAR(match.coefficient, 1.0, 1e-12);
            }
    }
}

TEST(MatchParallaxTest, CoefficientFallsBelowOneWithNoiseButTheParallaxHolds)
{
    StereoPlanes planes = Uniform_Planes(300, 80, 5u, 47);
    std::mt19937 random(9u);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (unsigned char &v : planes.right)
        v = static_cast<unsigned char>(std::min(255, std::max(0, v + noise(random))));
    const ParallaxMatch match = Match_Parallax(planes, 150, 40);
    ASSERT_TRUE(match.matched);
    EXPECT_EQ(match.parallax, 47);
    EXPECT_GT(match.coefficient, 0.8);
    EXPECT_LT(match.coefficient, 0.99);
}

TEST(MatchParallaxTest, FindsTheSurfaceUnderTheLeftHalfAcrossADepthStep)
{
    // A near block (parallax 75) in front of a far wall (parallax 35), the
    // step at left column 200, and below row 60 a slanted surface.
    auto field = [](int x, int y) {
        if (y >= 60)
            return 40 + x / 20;
        return x >= 200 ? 75 : 35;
    };
    const StereoPlanes planes = Shifted_Planes(420, 120, 3u, field);
    int positions = 0, matched = 0, wrong = 0;
    for (int row = 10; row < 110; row += 3)
        for (int column = 60; column < 360; column += 2) {
            ++positions;
            const ParallaxMatch match = Match_Parallax(planes, column, row);
            if (!match.matched)
                continue;
            ++matched;
            const int truth = field(column + Floor_Half(match.parallax), row);
            wrong += std::abs(match.parallax - truth) > 1;
        }
    EXPECT_GE(matched, 0.9 * positions);
    EXPECT_LE(wrong, 0.02 * matched) << matched << " matched";
}

TEST(MatchParallaxTest, FindsNoMatchOnAFlatPicture)
{
    StereoPlanes planes;
    planes.width = 300;
    planes.height = 60;
    planes.left.assign(300 * 60, 128);
    planes.right.assign(300 * 60, 128);
    ParallaxMatch match = Match_Parallax(planes, 150, 30);
    EXPECT_FALSE(match.matched);
    EXPECT_EQ(match.outcome, MatchFlat);

    // Texture in one view only: the other view shows a faint ripple of one
    // grey level.
    const StereoPlanes textured = Uniform_Planes(300, 60, 6u, 40);
    for (int flatView = 0; flatView < 2; ++flatView) {
        StereoPlanes half = textured;
        std::vector<unsigned char> &flat = flatView == 0 ? half.left : half.right;
        for (int at = 0; at < 300 * 60; ++at)
            flat[at] = static_cast<unsigned char>(90 + (at % 3 == 0));
        match = Match_Parallax(half, 150, 30);
        EXPECT_FALSE(match.matched) << "flat view " << flatView;
        EXPECT_EQ(match.outcome, MatchFlat) << "flat view " << flatView;
    }

    // A faint ripple, one grey level, is as good as flat.
    for (int at = 0; at < 300 * 60; ++at) {
        planes.left[at] = static_cast<unsigned char>(128 + (at % 3 == 0));
        planes.right[at] = static_cast<unsigned char>(128 + (at % 3 == 1));
    }
    match = Match_Parallax(planes, 150, 30);
    EXPECT_FALSE(match.matched);
    EXPECT_EQ(match.outcome, MatchFlat);
}

TEST(MatchParallaxTest, FindsNoMatchOnARepeatedPattern)
{
    // Vertical stripes repeating every 16, 24 or 29 columns, shifted by 58:
    // several parallaxes of the range fit equally well.
    const int periods[] = {16, 24, 29};
    for (int period : periods) {
        StereoPlanes planes;
        planes.width = 400;
        planes.height = 60;
        planes.left.resize(400 * 60);
        planes.right.resize(400 * 60);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 400; ++x) {
                const int phase = x % period;
                planes.left[y * 400 + x] =
                    static_cast<unsigned char>(phase < period / 2 ? 40 : 200);
                const int shifted = (x + 58) % period;
                planes.right[y * 400 + x] =
                    static_cast<unsigned char>(shifted < period / 2 ? 40 : 200);
            }
        const ParallaxMatch match = Match_Parallax(planes, 200, 30);
        EXPECT_FALSE(match.matched) << "period " << period << ": parallax " << match.parallax;
        EXPECT_EQ(match.outcome, MatchAmbiguous) << "period " << period;
    }
}

TEST(MatchParallaxTest, FindsNoMatchWhereTheWindowsCannotFit)
{
    const StereoPlanes planes = Uniform_Planes(400, 100, 11u, 60);
    const int h = defaultMatchSettings.halfWindow;
    // The window's rows: the first and last rows that still fit match.
    EXPECT_FALSE(Match_Parallax(planes, 200, h - 1).matched);
    EXPECT_FALSE(Match_Parallax(planes, 200, 100 - h).matched);
    EXPECT_EQ(Match_Parallax(planes, 200, h - 1).outcome, MatchNoFit);
    EXPECT_EQ(Match_Parallax(planes, 200, 100 - h).outcome, MatchNoFit);
    EXPECT_EQ(Match_Parallax(planes, 200, h).parallax, 60);
    EXPECT_TRUE(Match_Parallax(planes, 200, 100 - h - 1).matched);
    // Off the picture on either side and far outside it.
    EXPECT_EQ(Match_Parallax(planes, -200, 50).outcome, MatchNoFit);
    EXPECT_EQ(Match_Parallax(planes, 700, 50).outcome, MatchNoFit);
    EXPECT_EQ(Match_Parallax(planes, 200, -50).outcome, MatchNoFit);
    EXPECT_EQ(Match_Parallax(planes, INT_MAX, 50).outcome, MatchNoFit);
    EXPECT_EQ(Match_Parallax(planes, INT_MIN, 50).outcome, MatchNoFit);
    EXPECT_EQ(Match_Parallax(planes, 200, INT_MAX).outcome, MatchNoFit);
    EXPECT_EQ(Match_Parallax(planes, 200, INT_MIN).outcome, MatchNoFit);

    // A picture smaller than the window.
    const StereoPlanes small = Uniform_Planes(2 * h, 2 * h, 4u, 0);
    EXPECT_EQ(Match_Parallax(small, h, h).outcome, MatchNoFit);
    // A picture that holds nothing.
    EXPECT_EQ(Match_Parallax(StereoPlanes(), 0, 0).outcome, MatchNoFit);
}

TEST(MatchParallaxTest, NearTheEdgeComparesOnlyTheParallaxesWhoseWindowsFit)
{
    const StereoPlanes planes = Uniform_Planes(400, 60, 21u, 40);
    const int h = defaultMatchSettings.halfWindow;
    // The right half stands at column - ceil(p / 2): at this pointer column
    // parallaxes up to 2 * (column - h) fit, 46 here, just beyond the true 40.
    const ParallaxMatch near = Match_Parallax(planes, 23 + h, 30);
    ASSERT_TRUE(near.matched);
    EXPECT_EQ(near.parallax, 40);
    // One column closer, 40 is the last parallax that fits: the peak has no
    // compared neighbour beyond it and cannot be told from a slope.
    const ParallaxMatch edge = Match_Parallax(planes, 20 + h, 30);
    EXPECT_FALSE(edge.matched);
    EXPECT_EQ(edge.outcome, MatchUnbounded);
    EXPECT_EQ(edge.parallax, 40);
    // The left half stands at column + floor(p / 2) and must fit too.
    const ParallaxMatch right = Match_Parallax(planes, 400 - 1 - h - 22, 30);
    ASSERT_TRUE(right.matched);
    EXPECT_EQ(right.parallax, 40);
    // With the left half at the right edge, 39 is the last parallax that fits.
    EXPECT_FALSE(Match_Parallax(planes, 400 - 1 - h - 19, 30).matched);
}

TEST(MatchParallaxTest, FindsNoMatchForASurfaceBeyondTheSearchRange)
{
    // Ranges starting at an even and at an odd parallax: the last parallax
    // inside either end matches, the ends themselves and beyond do not.
    const int starts[] = {20, 21};
    for (int start : starts) {
        MatchSettings settings = defaultMatchSettings;
        settings.minParallax = start;
        settings.maxParallax = start + 80;
        auto Match_At = [&settings](int parallax) {
            return Match_Parallax(Uniform_Planes(500, 60, 8u, parallax), 250, 30, settings);
        };
        for (int inside : {start + 1, start + 2, start + 3, start + 78, start + 79}) {
            const ParallaxMatch match = Match_At(inside);
            EXPECT_TRUE(match.matched) << "range from " << start << ", parallax " << inside;
            EXPECT_EQ(match.parallax, inside) << "range from " << start;
            EXPECT_NEAR(match.coefficient, 1.0, 1e-12) << "range from " << start;
        }
        for (int outside : {start - 8, start, start + 80, start + 90})
            EXPECT_FALSE(Match_At(outside).matched)
                << "range from " << start << ", parallax " << outside;
    }
}

TEST(MatchParallaxTest, RejectsSettingsItCannotHold)
{
    const StereoPlanes planes = Uniform_Planes(300, 60, 2u, 30);
    MatchSettings settings = defaultMatchSettings;
    settings.halfWindow = maxMatchHalfWindow + 1;
    EXPECT_EQ(Match_Parallax(planes, 150, 30, settings).outcome, MatchNoFit);
    settings = defaultMatchSettings;
    settings.minParallax = 0;
    settings.maxParallax = maxMatchParallaxSpan + 1;
    EXPECT_EQ(Match_Parallax(planes, 150, 30, settings).outcome, MatchNoFit);
    // The largest window and range accepted still work.
    settings.halfWindow = maxMatchHalfWindow;
    settings.minParallax = -200;
    settings.maxParallax = -200 + maxMatchParallaxSpan;
    const StereoPlanes wide = Uniform_Planes(900, 60, 2u, 30);
    const ParallaxMatch match = Match_Parallax(wide, 450, 30, settings);
    EXPECT_TRUE(match.matched);
    EXPECT_EQ(match.parallax, 30);
}

} // namespace
