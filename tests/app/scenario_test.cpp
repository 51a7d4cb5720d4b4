// Painting and the floating mark, seen in the client area the program leaves.
#include "replay_session.h"

#include <gtest/gtest.h>

namespace {

void Expect_Half(const Picture &picture, int x, int y, Rgb colour)
{
    ASSERT_FALSE(picture.Empty());
    for (auto [px, py] : Mark_Pixels(x, y))
        ASSERT_EQ(picture.At(px, py), colour) << "half at " << x << " pixel " << px << "," << py;
}

TEST(Painting, ShowsTheTopLeftOfTheImageOnWhiteAndAResizeResetsTheMark)
{
    ReplaySession session;
    // Larger than the picture area: only its top-left 900 by 620 pixels show.
    session.Write_Image(Texture, 1000, 700);
    session.Run("save painted.bmp\nmove 465 320\nwheel 120\nwheel 120\nresize 1100 669\n"
                "save resized.bmp\nmove 465 320\nsave moved.bmp\nrelease\n");
    const Picture p = session.Saved("painted.bmp"), resized = session.Saved("resized.bmp");
    ASSERT_TRUE(resized.width == 1100 && resized.height == 669) << "only wider";
    EXPECT_EQ(p.At(10, 10), Texture(0, 0));
    EXPECT_EQ(p.At(909, 629), Texture(899, 619));
    for (auto [x, y] : {std::pair{9, 100}, {910, 100}, {500, 9}, {500, 630}, {950, 400}})
        EXPECT_EQ(p.At(x, y), (Rgb{255, 255, 255})) << x << "," << y;
    // After the resize the offsets are back at +29 and -29, mark and readout
    // are gone, and the next move draws the mark in its fixed colours.
    EXPECT_EQ(session.Points(), "  1   102.211   199.632    25.719\n");
    Expect_Half(session.Saved("moved.bmp"), 494, 320, {200, 120, 120});
    EXPECT_EQ(Differing_Pixels(p, resized, 1012, 669), 0);
}

TEST(FloatingMark, FirstMoveAfterAPaintShowsFixedColoursLaterMovesAdaptAndRestore)
{
    ReplaySession session;
    session.Write_Image(Texture);
    session.Run("save before.bmp\nmove 465 320\nsave first.bmp\nmove 470 330\nsave second.bmp\n");
    const Picture before = session.Saved("before.bmp"), second = session.Saved("second.bmp");
    // The left-eye half is centred 29 columns right of the pointer, the
    // right-eye half 29 columns left, both on the pointer's row.
    Expect_Half(session.Saved("first.bmp"), 494, 320, {200, 120, 120});
    Expect_Half(session.Saved("first.bmp"), 436, 320, {120, 200, 200});
    Expect_Half(second, 499, 330, Half_Colour(before, 499, 330, true));
    Expect_Half(second, 441, 330, Half_Colour(before, 441, 330, false));
    // The first mark is gone without a trace, and only the cross is drawn.
    std::vector<std::pair<int, int>> mark = Mark_Pixels(499, 330), right = Mark_Pixels(441, 330);
    mark.insert(mark.end(), right.begin(), right.end());
    EXPECT_EQ(Differing_Pixels(second, before, 910, 669, mark), 0);
}

TEST(FloatingMark, ColourThresholdsAtTheirExactEdges)
{
    // Uniform backgrounds: the means are the channel values themselves.
    const Rgb cases[][3] = {{{174, 10, 175}, {200, 174, 174}, {175, 50, 50}},
                            {{175, 10, 174}, {50, 175, 175}, {174, 200, 200}}};
    for (const auto &c : cases) {
        ReplaySession session;
        session.Write_Image([&](int, int) { return c[0]; });
        session.Run("move 465 320\nmove 466 321\nsave adapted.bmp\n");
        Expect_Half(session.Saved("adapted.bmp"), 495, 321, c[1]);
        Expect_Half(session.Saved("adapted.bmp"), 437, 321, c[2]);
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
    ASSERT_NE(Half_Colour(after, 929, 175, true), (Rgb{50, 255, 255})) << "no text there";
    Expect_Half(session.Saved("marked.bmp"), 929, 175, Half_Colour(after, 929, 175, true));
    Expect_Half(session.Saved("marked.bmp"), 871, 175, {90, 200, 200});
}

} // namespace
