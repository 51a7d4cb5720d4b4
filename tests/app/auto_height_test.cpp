// Automatic height: the key a turns it on and off, every pointer move then
// sets the depth by matching the views of the picture the last paint loaded,
// the line below the readout says how it went, and a depth step by hand ends
// it. Each session is compared with one that sets the same depth by hand.
#include "replay_session.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// A grey texture without repeats, the same for every picture.
int Texture_Grey(int x, int y)
{
    std::uint32_t h =
        static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return 30 + static_cast<int>(h % 196);
}

// An anaglyph of the texture seen at a parallax that depends on the right
// view's column: red is the left view, green and blue the right view.
std::function<Rgb(int, int)> Anaglyph(int parallaxLeft, int parallaxRight = 0, int split = 10000)
{
    return [=](int x, int y) {
        const int right = Texture_Grey(x + (x < split ? parallaxLeft : parallaxRight), y);
        return Rgb{Texture_Grey(x, y), right, right};
    };
}

// The text lines drawn at the row of automatic height.
Lines Auto_Lines(const ReplaySession &session)
{
    Lines lines;
    for (const std::string &line : session.Printed("text"))
        if (line.rfind("text 920 480 ", 0) == 0)
            lines.push_back(line.substr(13));
    return lines;
}

const std::string blank = "           ";

// Whether a half of the mark, all of one colour, stands centred at (x, y):
// on the texture no 45 pixels of that shape are alike.
bool Half_At(const Picture &picture, int x, int y)
{
    for (auto [px, py] : Mark_Pixels(x, y))
        if (picture.At(px, py) != picture.At(x, y))
            return false;
    return true;
}

TEST(AutoHeight, AMatchSetsTheHalvesAtTheSurfaceAndShowsItsCoefficient)
{
    // Parallax 40 everywhere: the halves at +20 and -20, nine notches
    // forward from a paint's 58. Turned on with the mark inside, it matches
    // at once; every move matches again.
    ReplaySession automatic, byHand;
    automatic.Write_Image(Anaglyph(40));
    byHand.Write_Image(Anaglyph(40));
    automatic.Run("move 400 300\ntext\nkey a\ntext\nrelease\nmove 600 500\nrelease\nkey Left\n"
                  "release\nsave auto.bmp\ntext\n");
    byHand.Run("move 400 300\n" + Times(9, "wheel 120\n") +
               "release\nmove 600 500\nrelease\nmove 599 500\nrelease\n");
    EXPECT_EQ(automatic.status, 18);
    EXPECT_EQ(automatic.Points(), byHand.Points());
    EXPECT_EQ(automatic.Points().size(), 3 * 34u);
    EXPECT_EQ(Auto_Lines(automatic), (Lines{"auto r 1.00", "auto r 1.00", "auto r 1.00"}));
    // The mark's halves stand 20 columns either side of the pointer.
    const Picture shown = automatic.Saved("auto.bmp");
    EXPECT_TRUE(Half_At(shown, 599 + 20, 500));
    EXPECT_TRUE(Half_At(shown, 599 - 20, 500));
    EXPECT_FALSE(Half_At(shown, 599 + 29, 500));

    // The first move after a paint draws the mark as a depth step does:
    // in colours taken from the picture under it, not the paint's defaults.
    ReplaySession painted;
    painted.Write_Image(Anaglyph(40));
    painted.Run("key a\nsave bare.bmp\nmove 400 300\nsave marked.bmp\n");
    const Picture bare = painted.Saved("bare.bmp"), marked = painted.Saved("marked.bmp");
    EXPECT_EQ(marked.At(420, 300), Half_Colour(bare, 420, 300, true));
    EXPECT_EQ(marked.At(380, 300), Half_Colour(bare, 380, 300, false));

    // An odd parallax: the left half takes floor(41 / 2) = 20, the right
    // -21, as seventeen Page Ups from a paint leave them.
    ReplaySession odd, oddByHand;
    odd.Write_Image(Anaglyph(41));
    oddByHand.Write_Image(Anaglyph(41));
    odd.Run("key a\ntext\nmove 400 300\nrelease\n");
    oddByHand.Run("move 400 300\n" + Times(17, "key Prior\n") + "release\n");
    EXPECT_EQ(odd.Points(), oddByHand.Points());
    // Turned on before the mark was inside: "auto" until the first match.
    EXPECT_EQ(Auto_Lines(odd), (Lines{"auto       "}));
}

TEST(AutoHeight, TheMatchIsTakenAtThePointersPicturePosition)
{
    // Parallax 40, windows of 15 by 15 that must lie on the picture: at
    // picture column 28 the right window reaches column 1 and parallaxes up
    // to 42 fit, so 40 is a peak; at column 27 the largest that fits is 40
    // itself, and a best match at the end of the parallaxes compared is no
    // match. Row 7 is the first a window fits in.
    ReplaySession session;
    session.Write_Image(Anaglyph(40));
    session.Run("key a\nmove 38 300\nmove 37 300\nmove 400 17\nmove 400 16\ntext\n");
    EXPECT_EQ(Auto_Lines(session),
              (Lines{"auto       ", "auto r 1.00", "no match   ", "auto r 1.00", "no match   "}));
}

TEST(AutoHeight, WithoutAMatchTheDepthStaysAndTheLineSaysNoMatch)
{
    // A flat picture: nothing to match; the paint's parallax stays.
    ReplaySession flat, plain;
    flat.Write_Image(Grey);
    plain.Write_Image(Grey);
    flat.Run("key a\nmove 400 300\nrelease\ntext\n");
    plain.Run("move 400 300\nrelease\n");
    EXPECT_EQ(flat.Points(), plain.Points());
    EXPECT_EQ(Auto_Lines(flat), (Lines{"auto       ", "no match   "}));

    // After a match, a position without one keeps the matched depth: the
    // right part of this picture is flat.
    ReplaySession half, halfByHand;
    const auto texturedLeft = [](int x, int y) {
        return x < 450 ? Anaglyph(40)(x, y) : Rgb{90, 90, 90};
    };
    half.Write_Image(texturedLeft);
    halfByHand.Write_Image(texturedLeft);
    half.Run("key a\nmove 300 300\nmove 800 300\nrelease\ntext\n");
    halfByHand.Run("move 300 300\n" + Times(9, "wheel 120\n") + "move 800 300\nrelease\n");
    EXPECT_EQ(half.Points(), halfByHand.Points());
    EXPECT_EQ(Auto_Lines(half), (Lines{"auto       ", "auto r 1.00", "no match   "}));

    // A picture that could not be loaded gives nothing to match either.
    ReplaySession missing, missingPlain;
    missing.Run("key a\nmove 400 300\nrelease\ntext\n");
    missingPlain.Run("move 400 300\nrelease\n");
    EXPECT_EQ(missing.Points(), missingPlain.Points());
    EXPECT_EQ(Auto_Lines(missing), (Lines{"auto       ", "no match   "}));
}

TEST(AutoHeight, AStepByHandEndsTheModeAndTheLineSaysSoOnce)
{
    // Parallax 40 left of column 450, 60 right of it: a move that matched
    // again would show.
    const auto twoDepths = Anaglyph(40, 60, 450);
    struct Case {
        const char *step;   // the step by hand after the match
        const char *byHand; // the same from a paint, by hand
    };
    for (const Case &c : {Case{"wheel 120", "wheel 120\n"}, Case{"wheel -120", "wheel -120\n"},
                          Case{"key Prior", "key Prior\n"}, Case{"key Next", "key Next\n"}}) {
        ReplaySession automatic, byHand;
        automatic.Write_Image(twoDepths);
        byHand.Write_Image(twoDepths);
        automatic.Run(std::string("key a\nmove 300 300\n") + c.step +
                      "\nrelease\ntext\nmove 700 300\nrelease\ntext\nmove 710 300\ntext\n");
        byHand.Run("move 300 300\n" + Times(9, "wheel 120\n") + c.byHand +
                   "release\nmove 700 300\nrelease\n");
        EXPECT_EQ(automatic.Points(), byHand.Points()) << c.step;
        // Blanked by the next readout, then nothing more.
        EXPECT_EQ(Auto_Lines(automatic),
                  (Lines{"auto       ", "auto r 1.00", "auto off   ", blank}))
            << c.step;
    }

    // The key again ends it too, blanking the line at once.
    ReplaySession toggled, toggledByHand;
    toggled.Write_Image(twoDepths);
    toggledByHand.Write_Image(twoDepths);
    toggled.Run("key a\nmove 300 300\nkey a\ntext\nmove 700 300\nrelease\ntext\n");
    toggledByHand.Run("move 300 300\n" + Times(9, "wheel 120\n") + "move 700 300\nrelease\n");
    EXPECT_EQ(toggled.Points(), toggledByHand.Points());
    EXPECT_EQ(Auto_Lines(toggled), (Lines{"auto       ", "auto r 1.00", blank}));

    // A held key changes the mode once.
    ReplaySession held;
    held.Write_Image(twoDepths);
    held.Run("move 300 300\nkeydown a\nkeydown a\nkeydown a\nkeyup a\nmove 700 300\ntext\n");
    EXPECT_EQ(Auto_Lines(held), (Lines{"auto r 1.00", "auto r 1.00"}));
}

TEST(AutoHeight, ARepaintKeepsTheModeAndTheNextMoveMatchesTheNewPicture)
{
    // The picture changes between two paints: the match after the second
    // must use the new one (60), not the one kept from before (40).
    ReplaySession automatic, byHand;
    for (ReplaySession *session : {&automatic, &byHand}) {
        session->Write_Image(Anaglyph(40));
        Write_Bmp(session->Path("deeper.bmp"), 900, 620, Anaglyph(60));
    }
    automatic.Run("key a\nmove 400 300\nrelease\nrename deeper.bmp pr8a_c_ds.bmp\n"
                  "expose 0 0 1012 669\nmove 410 300\nrelease\ntext\n");
    byHand.Run("move 400 300\n" + Times(9, "wheel 120\n") +
               "release\nrename deeper.bmp pr8a_c_ds.bmp\nexpose 0 0 1012 669\nmove 410 300\n" +
               "wheel -120\nrelease\n");
    // After the repaint the mark is back at 58 by hand; one notch back is 60.
    EXPECT_EQ(automatic.Points(), byHand.Points());
    EXPECT_EQ(Auto_Lines(automatic), (Lines{"auto       ", "auto r 1.00", "auto r 1.00"}));

    // Turned on after a paint that happened while it was off, and before the
    // first paint: the picture that paint showed.
    ReplaySession later, early, laterByHand;
    for (ReplaySession *session : {&later, &early, &laterByHand}) {
        session->Write_Image(Anaglyph(40));
        Write_Bmp(session->Path("deeper.bmp"), 900, 620, Anaglyph(60));
    }
    later.Run("move 400 300\nkey a\nkey a\nrename deeper.bmp pr8a_c_ds.bmp\nexpose 0 0 1012 669\n"
              "key a\nmove 410 300\nrelease\n");
    early.Run("early key a\nrename deeper.bmp pr8a_c_ds.bmp\nexpose 0 0 1012 669\nmove 410 300\n"
              "release\n");
    laterByHand.Run("move 410 300\nwheel -120\nrelease\n");
    EXPECT_EQ(later.Points(), laterByHand.Points());
    EXPECT_EQ(early.Points(), laterByHand.Points());
}

TEST(AutoHeight, ASessionWithoutTheKeyDrawsNothingNew)
{
    ReplaySession session;
    session.Write_Image(Anaglyph(40));
    session.Run("move 400 300\nwheel 120\nkey Prior\nrelease\nkey BackSpace\nexpose 0 0 1012 669\n"
                "move 905 445\nkey q\nrelease\ntext\n");
    const Lines text = session.Printed("text");
    ASSERT_FALSE(text.empty());
    for (const std::string &line : text) {
        EXPECT_EQ(line.find(" 480 "), std::string::npos) << line;
        EXPECT_EQ(line.find("match"), std::string::npos) << line;
        EXPECT_EQ(line.find("auto"), std::string::npos) << line;
    }
}

} // namespace
