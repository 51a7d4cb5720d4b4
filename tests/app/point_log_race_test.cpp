// Two copies of the program writing to one point log: every record of the one
// that only records stays, however the other records and takes back, and a
// copy holds the log only while it writes.
#include "replay_session.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const std::string point1 = "  1   102.211   199.632    25.719\n";

TEST(PointLog, TwoCopiesInOneFolderNeverRemoveEachOthersRecords)
{
    // One records 20000 points while the other records and takes back 20000,
    // in memory where the file system is fast (the race is widest there).
    ReplaySession session(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    session.Write_Image(Grey);
    std::ofstream(session.Path("a.txt")) << "move 465 320\n" + Times(20000, "release\n");
    std::ofstream(session.Path("b.txt"))
        << "move 470 320\n" + Times(20000, "release\nkey ctrl+z\n");
    const std::string run = "cd '" + session.Path("") +
                            "' && ('" QV_REPLAY_PROGRAM "' a.txt 2>a.err & '" QV_REPLAY_PROGRAM
                            "' b.txt 2>b.err; wait)";
    ASSERT_EQ(std::system(run.c_str()), 0);
    // Every record of the first is there, in order; of the second only those
    // it was refused to take back, since the first wrote after them.
    std::istringstream lines(session.Points());
    int first = 0, second = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::string xyz = line.substr(line.size() - 29);
        if (xyz == point1.substr(4, 29))
            EXPECT_EQ(std::atoi(line.c_str()), ++first);
        else
            second += xyz == "  102.353   199.684    25.719";
    }
    EXPECT_EQ(first, 20000);
    std::istringstream refusals(Read_File(session.Path("b.err")));
    int refused = 0;
    for (std::string line; std::getline(refusals, line);)
        refused += line.find("changed since point") != std::string::npos;
    EXPECT_EQ(second, refused);
}

TEST(PointLog, AfterARecordAndARefusedTakeBackTheLogIsFreeForOtherWriters)
{
    // The program stops on a FIFO after its first point, and again after it
    // refused to take the point back (opening a FIFO waits for a reader); the
    // test then locks the log as another copy would. Nothing waits for more
    // than a minute.
    ReplaySession session;
    session.Write_Image(Grey);
    std::ofstream(session.Path("a.txt"))
        << "move 465 320\nrelease\nappend gate1 x\nappend gate2 x\n"
           "append points.txt 17 another program\nkey ctrl+z\nappend gate3 x\nappend gate4 x\n";
    const std::string run =
        "cd '" + session.Path("") +
        "' && mkfifo gate1 gate2 gate3 gate4 && (timeout -s KILL 60 '" QV_REPLAY_PROGRAM
        "' a.txt & pass() { timeout 60 cat $1; }; pass gate1 && flock -n points.txt true; "
        "free=$?; pass gate2; pass gate3 && flock -n points.txt true; free=$free$?; pass gate4; "
        "wait; echo $free >free) >/dev/null";
    ASSERT_EQ(std::system(run.c_str()), 0);
    EXPECT_EQ(Read_File(session.Path("free")), "00\n");
    EXPECT_EQ(session.Points(), point1 + "17 another program\n");
}

} // namespace
