// The point log: numbering, format, appending, that no point is lost, and
// that a log that cannot be written is reported.
#include "replay_session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

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

} // namespace
