// The point log: numbering, format, appending, that no point is lost, and
// taking points back, with what the readout says of each point.
#include "replay_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string point1 = "  1   102.211   199.632    25.719\n";

TEST(PointLog, RecordsAreNumberedFormattedAndAppendedAndSurviveAKill)
{
    ReplaySession session;
    session.Write_Image(Grey);
    // Before any measurement, at a point, outside the area, and a double click.
    session.Run("release\nmove 465 320\nrelease\nmove 950 300\nrelease\nrelease\n");
    EXPECT_EQ(session.status, 18);
    EXPECT_EQ(session.err, "");
    // Killed right after the release: the record is in the file all the same.
    session.Run("move 465 320\n" + Times(11, "wheel -120\n") + "release\nkill\n");
    EXPECT_EQ(session.status, 128 + 9);
    EXPECT_EQ(session.Points(), "  1     0.000     0.000     0.000\n"
                                "  2   102.211   199.632    25.719\n"
                                "  3   102.211   199.632    25.719\n"
                                "  4   102.211   199.632    25.719\n"
                                "  1   103.864   196.927    25.133\n");
}

TEST(PointLog, AClickWhileNoMarkIsShownRecordsAsEverAndSaysSoOfThatPoint)
{
    // Before any measurement, and after a repaint: the readout shows what
    // was written (the measurement before the repaint), and that the point
    // was recorded unseen; the notice stays, about that point, through moves.
    ReplaySession session;
    session.Write_Image(Grey);
    session.Run("release\nreadout\nmove 465 320\nwheel -120\nexpose 0 0 1012 669\nrelease\n"
                "move 470 320\nreadout\n");
    EXPECT_EQ(session.Points(), "  1     0.000     0.000     0.000\n"
                                "  2   102.377   199.361    25.660\n");
    EXPECT_EQ(session.Shown(), "170 ID   1\n200 X     0.000\n230 Y     0.000\n260 Z     0.000\n"
                               "290 P         0\n320 point 1\n340 recorded\n360 unseen\n"
                               "170 ID   2\n200 X   102.353\n230 Y   199.684\n260 Z    25.719\n"
                               "290 P        58\n320 point 2\n340 recorded\n360 unseen\n");

    // Input that arrives while the window appears measures with the offsets
    // a paint sets; its notice is drawn once there is a window to draw in.
    // A notice replaced by a shorter one after a repaint leaves nothing of
    // itself beside it.
    ReplaySession early;
    early.Write_Image(Grey);
    early.Run("early move 450 320\nearly release\nmove 465 320\nreadout\nkey BackSpace\n"
              "resize 1100 760\nrelease\nreadout\n");
    EXPECT_EQ(early.Points(), point1);
    const std::string unseen = "170 ID   1\n200 X   102.211\n230 Y   199.632\n260 Z    25.719\n"
                               "290 P        58\n320 point 1\n340 recorded\n360 unseen\n";
    EXPECT_EQ(early.Shown(), unseen + unseen);
}

TEST(TakeBack, RemovesThisRunsRecordsNewestFirstAndNeverAnEarlierRunsOrAnUnsavedOnesBytes)
{
    ReplaySession session;
    session.Write_Image(Grey);
    session.Run("move 465 320\nrelease\nrelease\n");
    const std::string earlier = session.Points();
    // Three points, taken back one after another, the last after a repaint;
    // then nothing is left of this run, and the next point is 1 again.
    session.Run("move 465 320\nrelease\nwheel -120\nrelease\nrelease\nkey ctrl+z\nreadout\n"
                "expose 0 0 1012 669\nkey BackSpace\nkey BackSpace\nread 920 170\nread 920 340\n"
                "key BackSpace\nreadout\nrelease\n");
    EXPECT_EQ(session.status, 18);
    EXPECT_EQ(session.Points(), earlier + "  1   102.377   199.361    25.660\n");
    EXPECT_EQ(session.err, "point 3 was taken back from points.txt\n"
                           "point 2 was taken back from points.txt\n"
                           "point 1 was taken back from points.txt\n"
                           "nothing to take back\n");
    // The number steps back with each, and the notice says which went.
    EXPECT_EQ(session.Shown(), "170 ID   2\n200 X   102.377\n230 Y   199.361\n260 Z    25.660\n"
                               "290 P        60\n320 point 3\n340 taken back\n"
                               "920 170 ID   0\n920 340 taken back\n"
                               "170 ID   0\n320 nothing to\n340 take back\n");
}

TEST(TakeBack, NothingIsRemovedOnceAnotherHandTouchedTheFile)
{
    struct Race {
        const char *between; // script lines after point 1 is recorded
        const char *why;
        std::string left;  // what points.txt holds at the end
        std::string shown; // the notice's lines below the readout
    };
    const Race races[] = {
        {"append points.txt 17 another program\n", "changed", point1 + "17 another program\n",
         "320 point 1\n340 NOT taken\n360 back:\n380 points.txt\n400 changed\n"},
        // Overwritten in place, the same length.
        {"write points.txt 6 999\n", "changed", "  1   999.211   199.632    25.719\n", ""},
        {"append other.txt 1 2 3\nrename other.txt points.txt\n", "was deleted or replaced",
         "1 2 3\n",
         "320 point 1\n340 NOT taken\n360 back:\n380 points.txt\n400 was\n420 deleted or\n"
         "440 replaced\n"},
        {"remove points.txt\n", "was deleted or replaced", "", ""}};
    for (const Race &race : races) {
        SCOPED_TRACE(race.between);
        ReplaySession session;
        session.Write_Image(Grey);
        session.Run(std::string("move 465 320\nrelease\nrelease\nkey BackSpace\n") + race.between +
                    "key ctrl+z\nkey BackSpace\nreadout\n");
        EXPECT_EQ(session.Points(), race.left);
        const std::string refusal = std::string("points.txt ") + race.why +
                                    " since point 1 was written; nothing was taken back\n";
        EXPECT_EQ(session.err, "point 2 was taken back from points.txt\n" + refusal + refusal);
        // The number stays, and the notice says why, wrapped to the column,
        // in place of the longer one before.
        if (!race.shown.empty()) {
            EXPECT_EQ(session.Shown(), "170 ID   1\n200 X   102.211\n230 Y   199.632\n"
                                       "260 Z    25.719\n290 P        58\n" +
                                           race.shown);
        }
    }
    // After a refusal the numbering goes on, and the next point is this
    // run's own again. A point written to a points.txt that was deleted
    // since: the new file's own point goes, the old file's stays with it.
    ReplaySession session, moved;
    session.Write_Image(Grey);
    session.Run("move 465 320\nrelease\nappend points.txt 17 another program\nkey ctrl+z\n"
                "release\nkey ctrl+z\n");
    EXPECT_EQ(session.Points(), point1 + "17 another program\n");
    moved.Write_Image(Grey);
    moved.Run("move 465 320\nrelease\nrename points.txt old.txt\nrelease\nkey ctrl+z\n"
              "key ctrl+z\n");
    EXPECT_EQ(moved.Points(), "");
    EXPECT_EQ(Read_File(moved.Path("old.txt")), point1);
    EXPECT_EQ(moved.err, "points.txt was deleted or renamed; appending to a new points.txt\n"
                         "point 2 was taken back from points.txt\n"
                         "points.txt was deleted or replaced since point 1 was written; nothing "
                         "was taken back\n");
}

} // namespace
