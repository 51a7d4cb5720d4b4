// Automatic height: the key a turns it on and off, every pointer move then
// sets the depth by matching the views of the picture the last paint loaded,
// the line below the readout says how it went, and a depth step by hand ends
// it. Each session is compared with one that sets the same depth by hand.
#include "replay_session.h"

#include <gtest/gtest.h>

namespace {

// An anaglyph of the texture seen at a parallax that depends on the right
// view's column: red is the left view, green and blue the right view.
std::function<Rgb(int, int)> Anaglyph(int parallaxLeft, int parallaxRight = 0, int split = 10000)
{
    return [=](int x, int y) {
        const int right = 30 + Noise(x + (x < split ? parallaxLeft : parallaxRight), y, 0) % 196;
        return Rgb{30 + Noise(x, y, 0) % 196, right, right};
    };
}

// The line of automatic height as each "read 920 480" of a script saw it,
// each ended by "|".
const std::string R = "read 920 480\n";
std::string Auto_Lines(const ReplaySession &session)
{
    std::string lines;
    for (const std::string &line : session.Printed("read"))
        lines += line.substr(12 + (line.size() > 12)) + "|";
    return lines;
}

TEST(AutoHeight, EachSessionLogsWhatTheSameDepthsSetByHandLogAndSaysHowTheMatchWent)
{
    // Parallax 40 is nine notches forward from a paint's 58; 41 is seventeen
    // Page Ups, the left half taking floor(41 / 2) = 20. A move without a
    // match keeps the depth; a step by hand or the key ends the mode.
    const std::string nine = Times(9, "wheel 120\n"), matched = "auto r 1.00|";
    const std::string at400 = "move 400 300\nrelease\n", at300 = "key a\nmove 300 300\n";
    const std::string repaint = "rename deeper.bmp pr8a_c_ds.bmp\nexpose 0 0 1012 669\n";
    const std::string deeper = "move 410 300\nwheel -120\nrelease\n";
    const auto twoDepths = Anaglyph(40, 60, 450);
    const auto texturedLeft = [](int x, int y) {
        return x < 450 ? Anaglyph(40)(x, y) : Rgb{90, 90, 90};
    };
    struct Case {
        std::function<Rgb(int, int)> image; // none: no picture to load
        std::string automatic, byHand, lines;
    };
    std::vector<Case> cases = {
        {Anaglyph(40),
         "move 400 300\n" + R + "key a\n" + R + "release\nmove 600 500\nrelease\nkey Left\n" +
             "release\n" + R,
         "move 400 300\n" + nine + "release\nmove 600 500\nrelease\nmove 599 500\nrelease\n",
         "|" + matched + matched},
        {Anaglyph(41), "key a\n" + R + at400,
         "move 400 300\n" + Times(17, "key Prior\n") + "release\n", "auto|"},
        {Grey, "key a\n" + at400 + R, at400, "no match|"},
        {nullptr, "key a\n" + at400 + R, at400, "no match|"},
        {texturedLeft, at300 + R + "move 800 300\nrelease\n" + R,
         "move 300 300\n" + nine + "move 800 300\nrelease\n", matched + "no match|"},
        {twoDepths, at300 + "key a\n" + R + "move 700 300\nrelease\n" + R,
         "move 300 300\n" + nine + "move 700 300\nrelease\n", "||"},
        // A held key changes the mode once.
        {twoDepths,
         "move 300 300\nkeydown a\nkeydown a\nkeydown a\nkeydown a\nkeyup a\nmove 700 300\n" + R,
         "", matched},
        // Without the key nothing shows on that row.
        {Anaglyph(40),
         "move 400 300\nwheel 120\nkey Prior\nrelease\nkey BackSpace\nexpose 0 0 1012 669\n"
         "move 905 445\nkey q\nrelease\n" +
             R,
         "", "|"},
        // Parallax 40, windows of 15 by 15 that must lie on the picture, and
        // where the picture cuts the parallaxes compared short, 32 of them
        // beyond the match: at picture column 43 the right window reaches
        // column 1 for parallax 72, at column 42 it would not. Row 7 is the
        // first a window fits in.
        {Anaglyph(40),
         "key a\n" + R + "move 53 300\n" + R + "move 52 300\n" + R + "move 400 17\n" + R +
             "move 400 16\n" + R,
         "", "auto|" + matched + "no match|" + matched + "no match|"},
        // The picture changes from parallax 40 to 60 between two paints: after
        // the second, one notch back from the paint's 58. Turned on before the
        // first paint, or again after a paint while it was off, alike.
        {Anaglyph(40), "key a\nmove 400 300\nrelease\n" + repaint + "move 410 300\nrelease\n",
         "move 400 300\n" + nine + "release\n" + repaint + deeper, ""},
        {Anaglyph(40), "move 400 300\nkey a\nkey a\n" + repaint + "key a\nmove 410 300\nrelease\n",
         deeper, ""},
        {Anaglyph(40), "early key a\n" + repaint + "move 410 300\nrelease\n", deeper, ""}};
    // Parallax 40 left of column 450, 60 right of it: a move that matched
    // again would show. "auto off" goes with the next readout.
    for (const char *step : {"wheel 120\n", "wheel -120\n", "key Prior\n", "key Next\n"})
        cases.push_back({twoDepths, at300 + step + "release\n" + R + "move 700 300\nrelease\n" + R,
                         "move 300 300\n" + nine + step + "release\nmove 700 300\nrelease\n",
                         "auto off||"});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.automatic);
        ReplaySession automatic, byHand;
        for (ReplaySession *session : {&automatic, &byHand}) {
            if (c.image)
                session->Write_Image(c.image);
            Write_Bmp(session->Path("deeper.bmp"), 900, 620, Anaglyph(60));
        }
        automatic.Run(c.automatic);
        EXPECT_EQ(automatic.status, 18);
        EXPECT_EQ(Auto_Lines(automatic), c.lines);
        if (c.byHand.empty())
            continue;
        byHand.Run(c.byHand);
        EXPECT_EQ(automatic.Points(), byHand.Points());
    }
}

TEST(AutoHeight, TheHalvesStandAtTheMatchInColoursTakenFromThePicture)
{
    ReplaySession session;
    session.Write_Image(Anaglyph(40));
    session.Run(
        "key a\nsave bare.bmp\nmove 400 300\nsave marked.bmp\nmove 600 500\nsave far.bmp\n");
    // The first move after a paint draws the mark as a depth step does.
    const Picture bare = session.Saved("bare.bmp"), marked = session.Saved("marked.bmp");
    EXPECT_EQ(marked.At(420, 300), Half_Colour(bare, 420, 300, true));
    EXPECT_EQ(marked.At(380, 300), Half_Colour(bare, 380, 300, false));
    EXPECT_TRUE(Half_At(session.Saved("far.bmp"), 600 + 20, 500));
    EXPECT_TRUE(Half_At(session.Saved("far.bmp"), 600 - 20, 500));
}

} // namespace
