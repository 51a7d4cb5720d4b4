// The measurement area, the system pointer and the wheel.
#include "replay_session.h"

#include <gtest/gtest.h>

namespace {

Rgb Grey(int, int)
{
    return {90, 90, 90};
}

TEST(MeasurementArea, BoundsAreInclusiveAndThePointerHidesInside)
{
    ReplaySession session;
    session.Write_Image(Grey);
    // Each move outside shows the pointer (counter above 0), each move inside
    // hides it (counter below 0); a second move to the same side calls nothing.
    session.Run("cursor\n"
                "move 10 10\ncursor\nrelease\n"
                "move 9 10\ncursor\nmove 10 9\ncursor\n"
                "move 10 10\ncursor\n"
                "move 921 300\ncursor\nmove 920 630\ncursor\nrelease\n"
                "move 500 631\ncursor\nmove 500 630\ncursor\nmove 920 630\ncursor\n");
    EXPECT_EQ(session.status, 18);
    EXPECT_EQ(session.Printed("cursor"),
              (std::vector<std::string>{"cursor 0 0", "cursor -1 1", "cursor 1 3", "cursor 1 3",
                                        "cursor -1 5", "cursor 1 7", "cursor -1 9", "cursor 1 11",
                                        "cursor -1 13", "cursor -1 13"}));
    // The corners of the area are measured like any other position.
    EXPECT_EQ(session.Points(), "  1    89.736   193.893    35.001\n"
                                "  2   114.687   205.372    16.437\n");
}

TEST(MeasurementArea, LeavingKeepsTheMarkAndThePointReturningRestoresIt)
{
    ReplaySession session;
    session.Write_Image(Grey);
    session.Run("move 465 320\nmove 466 320\nmove 950 300\nsave outside.bmp\nrelease\n"
                "move 300 200\nsave back.bmp\n");
    // A release outside the area records the last point measured inside.
    EXPECT_EQ(session.Points(), "  1   102.240   199.643    25.719\n");
    const Picture outside = session.Saved("outside.bmp");
    const Picture back = session.Saved("back.bmp");
    ASSERT_FALSE(back.Empty());
    EXPECT_NE(outside.At(495, 320), (Rgb{90, 90, 90})) << "mark gone while outside";
    EXPECT_EQ(back.At(495, 320), (Rgb{90, 90, 90})) << "old mark not restored on return";
    EXPECT_NE(back.At(329, 200), (Rgb{90, 90, 90})) << "no mark at the new position";
}

TEST(MeasurementArea, APaintWhileHiddenLowersTheCounterFurther)
{
    ReplaySession session;
    session.Write_Image(Grey);
    session.Run("move 465 320\ncursor\nexpose 0 0 100 100\nmove 466 320\ncursor\n"
                "move 950 300\ncursor\n");
    EXPECT_EQ(session.Printed("cursor"),
              (std::vector<std::string>{"cursor -1 1", "cursor -2 2", "cursor 1 5"}));
}

TEST(Wheel, EachMessageStepsTheParallaxByTwo)
{
    ReplaySession session;
    session.Write_Image(Grey);
    std::string script = "move 465 320\n"
                         "wheel 2000\nrelease\n"   // no step
                         "wheel 32000\nrelease\n"; // no step
    for (int i = 0; i < 11; ++i)
        script += "wheel -120\n"; // a notch back widens: offsets 40 and -40
    script += "release\nwheel 32001\nwheel 0\nwheel 1999\nwheel 120\nrelease\n";
    session.Run(script);
    // wheel 32001 widens by one step and 0, 1999 and 120 narrow by one each.
    const std::string first = "102.211   199.632    25.719\n";
    const std::string widened = "103.864   196.927    25.133\n";
    EXPECT_EQ(session.Points(), "  1   " + first + "  2   " + first + "  3   " + widened +
                                    "  4   " + "103.589   197.377    25.230\n");
}

TEST(Wheel, NarrowingToZeroAndPastIt)
{
    ReplaySession session;
    session.Write_Image(Grey);
    std::string script = "move 465 320\n";
    for (int i = 0; i < 29; ++i)
        script += "wheel 120\n";
    script += "save zero.bmp\nrelease\nwheel 120\nsave past.bmp\n";
    session.Run(script);
    // Both halves on the pointer column.
    EXPECT_EQ(session.Points(), "  1    95.288   210.967    28.175\n");

    // Where the halves cover the same pixels the right-eye colour shows.
    const Picture zero = session.Saved("zero.bmp");
    ASSERT_FALSE(zero.Empty());
    const Rgb right = zero.At(465, 320);
    EXPECT_EQ(right, (Rgb{90, 200, 200}));
    for (auto [x, y] : Mark_Pixels(465, 320))
        EXPECT_EQ(zero.At(x, y), right);

    // Past zero the left-eye half stands left of the right-eye half.
    const Picture past = session.Saved("past.bmp");
    EXPECT_EQ(past.At(460, 316), (Rgb{200, 90, 90}));  // left half only: centre 464
    EXPECT_EQ(past.At(470, 316), (Rgb{90, 200, 200})); // right half only: centre 466
}

TEST(Wheel, AStepRightAfterAPaintLeavesNothingStale)
{
    // The mark saved before the paint must not be written back by a wheel
    // step after it; the next move then restores the mark the step drew.
    ReplaySession stepped, direct;
    stepped.Write_Image(Grey);
    direct.Write_Image(Grey);
    stepped.Run("move 465 320\nmove 470 320\nexpose 0 0 1200 800\nwheel 120\nmove 300 200\n"
                "save after.bmp\n");
    direct.Run("move 300 200\nsave after.bmp\n");
    const Picture a = stepped.Saved("after.bmp");
    const Picture b = direct.Saved("after.bmp");
    ASSERT_FALSE(a.Empty());
    ASSERT_FALSE(b.Empty());
    // The step left the offsets at 28 and -28, the direct run has 29 and -29;
    // the readouts differ with them.
    EXPECT_EQ(Differing_Pixels(a, b,
                               [](int x, int y) {
                                   return In_Mark_Box(328, 200, x, y) ||
                                          In_Mark_Box(329, 200, x, y) ||
                                          In_Mark_Box(272, 200, x, y) ||
                                          In_Mark_Box(271, 200, x, y) || x >= 910;
                               }),
              0);
}

} // namespace
