// Painting and the floating mark, seen in the client area the program leaves.
#include "replay_session.h"

#include <gtest/gtest.h>

namespace {

const Rgb white{255, 255, 255};

void Expect_Half(const Picture &picture, int x, int y, Rgb colour, const char *which)
{
    ASSERT_FALSE(picture.Empty());
    for (auto [px, py] : Mark_Pixels(x, y))
        ASSERT_EQ(picture.At(px, py), colour) << which << " half pixel " << px << "," << py;
}

TEST(Painting, ShowsTheTopLeftOfTheImageAtItsPlaceOnWhite)
{
    ReplaySession session;
    // Larger than the picture area: only its top-left 900 by 620 pixels show.
    session.Write_Image(Texture, 1000, 700);
    session.Run("save painted.bmp\n");
    Picture p = session.Saved("painted.bmp");
    ASSERT_FALSE(p.Empty());
    EXPECT_EQ(p.At(10, 10), Texture(0, 0));
    EXPECT_EQ(p.At(909, 629), Texture(899, 619));
    EXPECT_EQ(p.At(500, 300), Texture(490, 290));
    for (auto [x, y] : {std::pair{9, 100}, {910, 100}, {500, 9}, {500, 630}, {950, 400}})
        EXPECT_EQ(p.At(x, y), white) << x << "," << y;
}

TEST(FloatingMark, FirstMoveAfterAPaintShowsFixedColoursLaterMovesAdaptAndRestore)
{
    ReplaySession session;
    session.Write_Image(Texture);
    session.Run("save before.bmp\nmove 465 320\nsave first.bmp\nmove 470 330\nsave second.bmp\n");
    const Picture before = session.Saved("before.bmp"), second = session.Saved("second.bmp");
    // The left-eye half is centred 29 columns right of the pointer, the
    // right-eye half 29 columns left, both on the pointer's row.
    Expect_Half(session.Saved("first.bmp"), 494, 320, {200, 120, 120}, "left");
    Expect_Half(session.Saved("first.bmp"), 436, 320, {120, 200, 200}, "right");
    Expect_Half(second, 499, 330, Left_Half_Colour(before, 499, 330), "left");
    Expect_Half(second, 441, 330, Right_Half_Colour(before, 441, 330), "right");
    // The first mark is gone without a trace, and only the cross is drawn.
    EXPECT_EQ(Differing_Pixels(second, before,
                               [](int x, int y) {
                                   for (int column : {499, 441})
                                       for (auto [mx, my] : Mark_Pixels(column, 330))
                                           if (mx == x && my == y)
                                               return true;
                                   return x >= 910;
                               }),
              0);
}

TEST(FloatingMark, ColourThresholdsAtTheirExactEdges)
{
    // Uniform backgrounds: the means are the channel values themselves.
    const struct {
        Rgb picture, left, right;
    } cases[] = {{{174, 10, 175}, {200, 174, 174}, {175, 50, 50}},
                 {{175, 10, 174}, {50, 175, 175}, {174, 200, 200}}};
    for (const auto &c : cases) {
        ReplaySession session;
        session.Write_Image([&](int, int) { return c.picture; });
        session.Run("move 465 320\nmove 466 321\nsave adapted.bmp\n");
        Expect_Half(session.Saved("adapted.bmp"), 495, 321, c.left, "left");
        Expect_Half(session.Saved("adapted.bmp"), 437, 321, c.right, "right");
    }
}

TEST(FloatingMark, ReadoutTextUnderAHalfEntersItsColourMean)
{
    // After a full repaint the readout column is white; a wheel step writes
    // the readout and only then saves what lies under the mark, whose
    // left-eye half (centre 929, 175) covers the readout's first line.
    ReplaySession session;
    session.Write_Image(Grey);
    session.Run("move 900 175\nexpose 0 0 1100 800\nwheel 2000\nsave marked.bmp\n"
                "move 400 400\nsave after.bmp\n");
    // Moving away gave back what was saved: the line "ID   0 ", unchanged since.
    const Picture after = session.Saved("after.bmp");
    ASSERT_FALSE(after.Empty());
    ASSERT_NE(Left_Half_Colour(after, 929, 175), (Rgb{50, 255, 255})) << "no text there";
    Expect_Half(session.Saved("marked.bmp"), 929, 175, Left_Half_Colour(after, 929, 175), "left");
    Expect_Half(session.Saved("marked.bmp"), 871, 175, {90, 200, 200}, "right");
}

TEST(FloatingMark, APartialRepaintLeavesTheOldMarkOnScreen)
{
    ReplaySession session;
    session.Write_Image(Texture);
    session.Run("move 465 320\nmove 470 320\nsave drawn.bmp\nexpose 0 0 300 300\nmove 600 500\n"
                "save after.bmp\n");
    const Picture drawn = session.Saved("drawn.bmp"), after = session.Saved("after.bmp");
    ASSERT_FALSE(after.Empty());
    // The repainted region did not reach the mark at (470, 320); the move
    // after the paint draws anew without restoring, so that mark stays.
    for (auto [x, y] : Mark_Pixels(499, 320))
        EXPECT_EQ(after.At(x, y), drawn.At(x, y));
    EXPECT_NE(after.At(499, 320), Texture(489, 310));
    // The paint reset the colours: the new mark shows the fixed ones.
    Expect_Half(after, 629, 500, {200, 120, 120}, "left");
}

TEST(FloatingMark, ResizeRepaintsEverythingAndResetsTheParallax)
{
    ReplaySession session;
    session.Write_Image(Texture);
    session.Run("move 465 320\nwheel 120\nwheel 120\nwheel 120\nresize 1100 760\n"
                "save resized.bmp\nmove 465 320\nrelease\n");
    // Offsets are back at +29 and -29: the first case's coordinates.
    EXPECT_EQ(session.Points(), "  1   102.211   199.632    25.719\n");
    const Picture p = session.Saved("resized.bmp");
    ASSERT_EQ(p.width, 1100);
    // Mark and readout are gone until the next move.
    for (auto [x, y] : Mark_Pixels(491, 320))
        EXPECT_EQ(p.At(x, y), Texture(x - 10, y - 10));
    for (int y = 165; y < 290; ++y)
        for (int x = 920; x < 1000; ++x)
            ASSERT_EQ(p.At(x, y), white) << x << "," << y;
}

} // namespace
