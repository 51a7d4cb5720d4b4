// The point log: numbering, format, appending, and that no point is lost.
#include "replay_session.h"

#include <fstream>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Rgb Grey(int, int)
{
    return {90, 90, 90};
}

TEST(PointLog, RecordsAreNumberedAndFormatted)
{
    ReplaySession session;
    session.Write_Image(Grey);
    // Before any measurement, at a point, outside the area, and a double click.
    session.Run("release\nmove 465 320\nrelease\nmove 950 300\nrelease\nrelease\n");
    EXPECT_EQ(session.status, 18);
    EXPECT_EQ(session.Points(), "  1     0.000     0.000     0.000\n"
                                "  2   102.211   199.632    25.719\n"
                                "  3   102.211   199.632    25.719\n"
                                "  4   102.211   199.632    25.719\n");
    EXPECT_EQ(session.err, "");
}

TEST(PointLog, EveryRunAppendsAndStartsAtOne)
{
    ReplaySession session;
    session.Write_Image(Grey);
    session.Run("move 465 320\nrelease\n");
    session.Run("move 465 320\nwheel -120\nwheel -120\nwheel -120\nwheel -120\nwheel -120\n"
                "wheel -120\nwheel -120\nwheel -120\nwheel -120\nwheel -120\nwheel -120\n"
                "release\n");
    EXPECT_EQ(session.Points(), "  1   102.211   199.632    25.719\n"
                                "  1   103.864   196.927    25.133\n");
}

TEST(PointLog, PointThousandWidensTheFirstField)
{
    ReplaySession session;
    session.Write_Image(Grey);
    std::string script;
    for (int i = 0; i < 1000; ++i)
        script += "release\n";
    session.Run(script);
    const std::string points = session.Points();
    EXPECT_NE(points.find("\n999     0.000     0.000     0.000\n"
                          "1000     0.000     0.000     0.000\n"),
              std::string::npos);
    EXPECT_EQ(points.size(), 999 * 34 + 35u);
}

TEST(PointLog, ARecordSurvivesAKillRightAfterTheRelease)
{
    ReplaySession session;
    session.Write_Image(Grey);
    session.Run("move 465 320\nrelease\nkill\n");
    EXPECT_EQ(session.status, 128 + 9);
    EXPECT_EQ(session.Points(), "  1   102.211   199.632    25.719\n");
}

TEST(PointLog, ALogThatCannotBeOpenedIsReportedAndMeasuringGoesOn)
{
    ReplaySession session;
    session.Write_Image(Grey);
    ASSERT_EQ(mkdir(session.Path("points.txt").c_str(), 0755), 0);
    session.Run("move 465 320\nsave marked.bmp\nrelease\nrelease\n");
    EXPECT_EQ(session.status, 18);
    EXPECT_EQ(session.err, "could not open points.txt for appending: Is a directory\n"
                           "point 1 was not written to points.txt: the file is not open\n"
                           "point 2 was not written to points.txt: the file is not open\n");
    const Picture p = session.Saved("marked.bmp");
    ASSERT_FALSE(p.Empty());
    EXPECT_EQ(p.At(494, 320), (Rgb{200, 120, 120}));
}

TEST(PointLog, AFailedWriteIsReported)
{
    ReplaySession session;
    session.Write_Image(Grey);
    ASSERT_EQ(symlink("/dev/full", session.Path("points.txt").c_str()), 0);
    session.Run("move 465 320\nrelease\n");
    EXPECT_EQ(session.status, 18);
    EXPECT_EQ(session.err, "point 1 was not written to points.txt: No space left on device\n");
}

} // namespace
