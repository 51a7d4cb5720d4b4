// Painting and the floating mark, seen in the client area the program leaves.
#include "replay_session.h"

#include <gtest/gtest.h>

namespace {

const Rgb white{255, 255, 255};
const Rgb defaultLeft{200, 120, 120};
const Rgb defaultRight{120, 200, 200};

// A picture in which neighbouring pixels differ, so that a pixel written back
// to the wrong place shows.
Rgb Texture(int x, int y)
{
    return {(x * 7 + y * 3) % 256, (x * 5 + y * 11) % 256, (x + y * 13) % 256};
}

// Mean of one channel over the pixels a mark half centred at (x, y) covers.
int Background_Mean(const Picture &before, int x, int y, int Rgb::*channel)
{
    int sum = 0;
    for (auto [px, py] : Mark_Pixels(x, y))
        sum += before.At(px, py).*channel;
    return sum / 45;
}

int Contrast(int mean)
{
    return mean < 175 ? 200 : 50;
}

void Expect_Half(const Picture &picture, int x, int y, Rgb colour, const char *which)
{
    for (auto [px, py] : Mark_Pixels(x, y))
        ASSERT_EQ(picture.At(px, py), colour) << which << " half pixel " << px << "," << py;
}

TEST(Painting, ShowsTheTopLeftOfTheImageAtItsPlaceOnWhite)
{
    ReplaySession session;
    // Larger than the picture area: only its top-left 900 by 620 pixels show.
    session.Write_Image(Texture, 1000, 700);
    session.Run("save painted.bmp\n");
    EXPECT_EQ(session.status, 18);
    Picture p = session.Saved("painted.bmp");
    ASSERT_FALSE(p.Empty());
    EXPECT_EQ(p.At(10, 10), Texture(0, 0));
    EXPECT_EQ(p.At(909, 629), Texture(899, 619));
    EXPECT_EQ(p.At(500, 300), Texture(490, 290));
    for (auto [x, y] : {std::pair{9, 100}, {910, 100}, {500, 9}, {500, 630}, {950, 400}})
        EXPECT_EQ(p.At(x, y), white) << x << "," << y;
}

TEST(Painting, MissingImageShowsANoticeAndMeasuringGoesOn)
{
    ReplaySession session;
    session.Run("save empty.bmp\nmove 465 320\nrelease\nsave marked.bmp\n");
    EXPECT_EQ(session.status, 18);
    EXPECT_EQ(session.Points(), "  1   102.211   199.632    25.719\n");
    Picture p = session.Saved("empty.bmp");
    ASSERT_FALSE(p.Empty());
    int inked = 0;
    for (int y = 10; y < 60; ++y)
        for (int x = 10; x < 600; ++x)
            inked += p.At(x, y) != white;
    EXPECT_GT(inked, 50) << "no notice in the picture area";
    EXPECT_EQ(p.At(500, 300), white);
    Expect_Half(session.Saved("marked.bmp"), 494, 320, defaultLeft, "left");
}

TEST(FloatingMark, FirstMoveAfterAPaintShowsFixedColoursLaterMovesAdapt)
{
    ReplaySession session;
    session.Write_Image(Texture);
    session.Run("save before.bmp\nmove 465 320\nsave first.bmp\nmove 470 330\nsave second.bmp\n");
    const Picture before = session.Saved("before.bmp");
    const Picture first = session.Saved("first.bmp");
    const Picture second = session.Saved("second.bmp");
    ASSERT_FALSE(second.Empty());

    // The left-eye half is centred 29 columns right of the pointer, the
    // right-eye half 29 columns left, both on the pointer's row.
    Expect_Half(first, 494, 320, defaultLeft, "left");
    Expect_Half(first, 436, 320, defaultRight, "right");
    const int red = Background_Mean(before, 499, 330, &Rgb::r);
    const int blue = Background_Mean(before, 441, 330, &Rgb::b);
    Expect_Half(second, 499, 330, {Contrast(red), red, red}, "left");
    Expect_Half(second, 441, 330, {blue, Contrast(blue), Contrast(blue)}, "right");

    // The first mark is gone without a trace.
    EXPECT_EQ(Differing_Pixels(second, before,
                               [](int x, int y) {
                                   return In_Mark_Box(499, 330, x, y) ||
                                          In_Mark_Box(441, 330, x, y) || x >= 910;
                               }),
              0);
}

TEST(FloatingMark, AMarkOverTheReadoutIsRestoredExactly)
{
    // At pointer (900, 175) the left-eye half covers part of the readout's
    // first line. After moving on, the client area must equal that of a run
    // that went straight to the second position, but for the mark drawn there.
    ReplaySession visited, direct;
    visited.Write_Image(Texture);
    direct.Write_Image(Texture);
    visited.Run("move 900 175\nsave over.bmp\nmove 400 400\nsave after.bmp\n");
    direct.Run("move 400 400\nsave after.bmp\n");

    const Picture over = visited.Saved("over.bmp");
    ASSERT_FALSE(over.Empty());
    Expect_Half(over, 929, 175, defaultLeft, "left");

    EXPECT_EQ(Differing_Pixels(visited.Saved("after.bmp"), direct.Saved("after.bmp"),
                               [](int x, int y) {
                                   return In_Mark_Box(429, 400, x, y) ||
                                          In_Mark_Box(371, 400, x, y);
                               }),
              0);
}

TEST(FloatingMark, AdaptedColoursAtTheThresholds)
{
    struct Background {
        Rgb picture, left, right;
    };
    const Background cases[] = {
        {{174, 10, 0}, {200, 174, 174}, {0, 200, 200}},
        {{175, 10, 255}, {50, 175, 175}, {255, 50, 50}},
    };
    for (const Background &c : cases) {
        ReplaySession session;
        session.Write_Image([&](int, int) { return c.picture; });
        session.Run("move 465 320\nmove 466 321\nsave adapted.bmp\n");
        const Picture p = session.Saved("adapted.bmp");
        ASSERT_FALSE(p.Empty());
        Expect_Half(p, 495, 321, c.left, "left");
        Expect_Half(p, 437, 321, c.right, "right");
    }
}

TEST(FloatingMark, APartialRepaintLeavesTheOldMarkOnScreen)
{
    ReplaySession session;
    session.Write_Image(Texture);
    session.Run("save before.bmp\nmove 465 320\nmove 470 320\nsave drawn.bmp\n"
                "expose 0 0 300 300\nmove 600 500\nsave after.bmp\n");
    const Picture drawn = session.Saved("drawn.bmp");
    const Picture after = session.Saved("after.bmp");
    ASSERT_FALSE(after.Empty());
    // The repainted region did not reach the mark at (470, 320); the move
    // after the paint draws anew without restoring, so that mark stays.
    for (auto [x, y] : Mark_Pixels(499, 320))
        EXPECT_EQ(after.At(x, y), drawn.At(x, y));
    const Picture before = session.Saved("before.bmp");
    EXPECT_NE(after.At(499, 320), before.At(499, 320));
    // The paint reset the colours: the new mark shows the fixed ones.
    Expect_Half(after, 629, 500, defaultLeft, "left");
}

TEST(FloatingMark, ResizeRepaintsEverythingAndResetsTheParallax)
{
    ReplaySession session;
    session.Write_Image(Texture);
    session.Run("move 465 320\nwheel 120\nwheel 120\nwheel 120\nresize 1100 760\n"
                "save resized.bmp\nmove 465 320\nrelease\n");
    EXPECT_EQ(session.status, 18);
    // Offsets are back at +29 and -29: the first case's coordinates.
    EXPECT_EQ(session.Points(), "  1   102.211   199.632    25.719\n");
    const Picture p = session.Saved("resized.bmp");
    ASSERT_FALSE(p.Empty());
    EXPECT_EQ(p.width, 1100);
    // Mark and readout are gone until the next move.
    for (auto [x, y] : Mark_Pixels(491, 320))
        EXPECT_EQ(p.At(x, y), Texture(x - 10, y - 10));
    for (int y = 165; y < 290; ++y)
        for (int x = 920; x < 1000; ++x)
            ASSERT_EQ(p.At(x, y), white) << x << "," << y;
}

} // namespace
