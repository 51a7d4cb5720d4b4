// Keys: arrows move the mark as the pointer would, Page Up and Page Down step
// one half by a column, Space and Return record, other keys do nothing.
#include "replay_session.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(Keys, PageKeysStepOneHalfByAColumnAndKeepTheMidpointAtThePointer)
{
    // From a paint (29, -29): Page Up moves the left half in, then the right
    // one, so that two make one notch forward; three Page Downs from there
    // reach 59, a parallax no notch gives; 59 Page Ups then bring both halves
    // onto the pointer, where 29 notches from a paint arrive.
    ReplaySession keys, wheel;
    keys.Write_Image(Texture);
    wheel.Write_Image(Texture);
    keys.Run("save bare.bmp\nmove 465 320\nkey Prior\nsave one.bmp\nkey Prior\nrelease\n" +
             Times(3, "key Next\n") + "read 920 290\nrelease\n" + Times(59, "key Prior\n") +
             "release\nexpose 0 0 1012 669\nkey Prior\nsave fresh.bmp\n");
    wheel.Run("move 465 320\nwheel 120\nrelease\n" + Times(28, "wheel 120\n") + "release\n");
    // At 59 the right half stands a column further out than the left one:
    // columns 494 and 435.
    const std::string points = wheel.Points();
    EXPECT_EQ(keys.Points(),
              points.substr(0, 34) + "  2   102.281   199.491    25.689\n  3" + points.substr(37));
    EXPECT_EQ(keys.Printed("read"), Lines{"read 920 290 P        59"});
    const Picture one = keys.Saved("one.bmp"), fresh = keys.Saved("fresh.bmp");
    EXPECT_TRUE(Half_At(one, 465 + 28, 320)) << "left half one column in";
    EXPECT_TRUE(Half_At(one, 465 - 29, 320)) << "right half where it was";
    // A step right after a paint restores nothing and measures from (29, -29):
    // only its own mark differs from the bare picture.
    std::vector<std::pair<int, int>> mark = Mark_Pixels(465 + 28, 320),
                                     right = Mark_Pixels(436, 320);
    mark.insert(mark.end(), right.begin(), right.end());
    EXPECT_TRUE(Half_At(fresh, 465 + 28, 320));
    EXPECT_EQ(Differing_Pixels(fresh, keys.Saved("bare.bmp"), 915, 669, mark), 0);
}

TEST(Keys, ArrowsMoveTheMarkAndThePointerAsPointerMovesWouldHoweverLongTheBurst)
{
    // Before the mark was ever inside the area an arrow does nothing. Then,
    // with the window system answering each move of the pointer 40 messages
    // late and merging moves that meet, a burst of arrows (one pixel, ten
    // with Shift, held at the area's edges), Page keys and clicks records
    // what the same moves by mouse record, and shows the same; so does a
    // hand move after it.
    // Space, Return and the keypad's Enter record as a click does, other keys
    // do nothing, and a held arrow repeats.
    std::string keys = "key Right\nmove 950 300\nkey Left\npointer\nmove 465 320\nkey space\n"
                       "key Return\nkey KP_Enter\nkey q\nkey z\nkey shift+z\nkey 7\n"
                       "keydown Right\nkeydown Right\nkeyup Right\necho-lag 40\nburst\n",
                mouse = "move 950 300\nmove 465 320\nrelease\nrelease\nrelease\nmove 466 320\n"
                        "move 467 320\n";
    const char *arrows[] = {"Right", "Left", "Down", "Up"};
    int x = 467, y = 320;
    std::mt19937 random(7);
    for (int i = 0; i < 3300; ++i) {
        // Alternating arrows, then to the top-left and bottom-right corners,
        // then at random.
        const unsigned pick = i < 1000   ? i % 4
                              : i < 1100 ? 5 + (i & 2)
                              : i < 1300 ? 4 + (i & 2)
                                         : random() % 23;
        const int step = pick >= 4 && pick < 8 ? 10 : 1;
        if (pick < 8) {
            const int arrow = pick % 4;
            keys += std::string("key ") + (step == 10 ? "shift+" : "") + arrows[arrow] + "\n";
            x = std::clamp(x + (arrow == 0 ? step : arrow == 1 ? -step : 0), 10, 920);
            y = std::clamp(y + (arrow == 2 ? step : arrow == 3 ? -step : 0), 10, 630);
            mouse += "move " + std::to_string(x) + " " + std::to_string(y) + "\n";
        } else {
            const char *other = pick == 8 ? "key Prior\n" : pick == 9 ? "key Next\n" : "";
            keys += other, mouse += other;
        }
        if (i % 97 == 0 || i == 1099 || i == 1299)
            keys += "release\n", mouse += "release\n";
    }
    // The hand then takes over at once, also where the burst passed early on.
    const std::string after = "save end.bmp\ncursor\nreadout\nrelease\nmove 466 320\nrelease\n";
    ReplaySession byKeys, byMouse;
    byKeys.Write_Image(Texture);
    byMouse.Write_Image(Texture);
    byKeys.Run(keys + "end\npointer\n" + after);
    byMouse.Run(mouse + after);
    EXPECT_TRUE(byKeys.status == 18 && byKeys.err.empty()) << byKeys.err;
    EXPECT_EQ(byKeys.Printed("pointer"),
              (Lines{"pointer none", "pointer " + std::to_string(x) + " " + std::to_string(y)}));
    ASSERT_EQ(byMouse.Points().size(), 34u * 42);
    EXPECT_EQ(byKeys.Points(), byMouse.Points());
    EXPECT_EQ(byKeys.Shown(), byMouse.Shown());
    EXPECT_EQ(byKeys.Printed("cursor"), byMouse.Printed("cursor"));
    EXPECT_EQ(Differing_Pixels(byKeys.Saved("end.bmp"), byMouse.Saved("end.bmp"), 1012, 669), 0);

    // A hand move in between: the moves still coming back from two keys are
    // the window system's news of where the pointer is now.
    ReplaySession hand, there;
    hand.Write_Image(Grey);
    there.Write_Image(Grey);
    // Three answered by one merged move, and a hand move to where the first
    // had sent the pointer.
    hand.Run("move 450 320\necho-lag 100\nburst\nkey Right\nkey Right\nmove 300 300\n"
             "release\nmove 451 320\nend\nrelease\nburst\nkey Right\nkey Right\nkey Right\nend\n"
             "move 453 320\nrelease\n");
    there.Run("move 300 300\nrelease\nmove 452 320\nrelease\nmove 453 320\nrelease\n");
    EXPECT_EQ(hand.Points(), there.Points());
}

} // namespace
