// The window the program creates, painting, the floating mark, the readout,
// the measurement area, the system pointer and the wheel, seen in what the
// window shows.
#include "replay_session.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(MainWindow, ClassClientSizeReadoutLinesAndNoObjectsLeftBehind)
{
    ReplaySession session;
    session.Write_Image(Grey);
    session.Run("window\nreadout\nmove 465 320\nreadout\nwheel -120\nrelease\nreadout\nrelease\n"
                "expose 0 0 50 50\nmove 950 300\nwheel 120\nreadout\nresize 1012 760\nreadout\n"
                "objects\nread 20 300\n");
    EXPECT_EQ(session.status, 18);
    // CS_OWNDC | CS_HREDRAW | CS_VREDRAW; a 1024 by 700 overlapped window.
    EXPECT_EQ(session.Printed("window"), Lines{"window 0x23 1012 669"});
    // Nothing beside the picture before the first move, nor after the
    // repaint of a resize (only taller); a release changes only the number. The partial paint
    // set the offsets back to 29 and -29 before the last step narrowed them.
    EXPECT_EQ(session.Shown(), "170 ID   0\n200 X   102.211\n230 Y   199.632\n260 Z    25.719\n"
                               "290 P        58\n"
                               "170 ID   1\n200 X   102.377\n230 Y   199.361\n260 Z    25.660\n"
                               "290 P        60\n"
                               "170 ID   2\n200 X   102.042\n230 Y   199.909\n260 Z    25.779\n"
                               "290 P        56\n"
                               "20 300 ?\n"); // a picture is no text
    // Only the window's own device context is left: every paint deleted its
    // memory context and bitmap.
    EXPECT_EQ(session.Printed("objects"), Lines{"objects 1 0"});
}

TEST(MeasurementArea, BoundsAreInclusiveAndThePointerHidesInside)
{
    ReplaySession session;
    session.Write_Image(Grey);
    // Each move outside shows the pointer (counter above 0), each move inside
    // hides it (counter below 0); a second move to the same side changes
    // nothing. A paint sets the pointer as shown, whatever the counter.
    session.Run("cursor\nmove 10 10\ncursor\nrelease\nmove 9 10\ncursor\nmove 10 9\ncursor\n"
                "move 10 10\ncursor\nmove 921 300\ncursor\nmove 920 630\ncursor\nrelease\n"
                "move 500 631\ncursor\nmove 500 630\ncursor\nmove 920 630\ncursor\n"
                "expose 0 0 9 9\nmove 500 300\ncursor\nmove 950 300\ncursor\n");
    EXPECT_EQ(session.Printed("cursor"),
              (Lines{"cursor 0", "cursor -1", "cursor 1", "cursor 1", "cursor -1", "cursor 1",
                     "cursor -1", "cursor 1", "cursor -1", "cursor -1", "cursor -2", "cursor 1"}));
    // The corners of the area are measured like any other position.
    EXPECT_EQ(session.Points(), "  1    89.736   193.893    35.001\n"
                                "  2   114.687   205.372    16.437\n");
}

TEST(Wheel, EachMessageStepsTheParallaxByTwoToZeroAndPastIt)
{
    ReplaySession session;
    session.Write_Image(Grey);
    // No steps; then eleven notches back widen to offsets 40 and -40; then
    // wheel word 32001 widens and 0, 1999 and 120 narrow by one step each;
    // then narrowing to 0 and one step past it.
    session.Run("move 465 320\nwheel 2000\nrelease\nwheel 32000\nrelease\n" +
                Times(11, "wheel -120\n") +
                "release\nwheel 32001\nwheel 0\nwheel 1999\nwheel 120\n" + "release\n" +
                Times(38, "wheel 120\n") + "save zero.bmp\nrelease\nwheel 120\nsave past.bmp\n");
    const std::string first = "102.211   199.632    25.719\n";
    EXPECT_EQ(session.Points(), "  1   " + first + "  2   " + first +
                                    "  3   103.864   196.927    25.133\n"
                                    "  4   103.589   197.377    25.230\n"
                                    "  5    95.288   210.967    28.175\n");
    // Both halves on the pointer column: the right-eye colour shows throughout.
    const Picture zero = session.Saved("zero.bmp"), past = session.Saved("past.bmp");
    for (auto [x, y] : Mark_Pixels(465, 320))
        ASSERT_EQ(zero.At(x, y), (Rgb{90, 200, 200}));
    // Past zero the left-eye half (centre 464) stands left of the right-eye half (466).
    EXPECT_EQ(past.At(460, 316), (Rgb{200, 90, 90}));
    EXPECT_EQ(past.At(470, 316), (Rgb{90, 200, 200}));
}

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
