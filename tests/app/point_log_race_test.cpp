// Two copies of the program writing to one point log: every record of the one
// that only records stays, however the other records and takes back.
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

} // namespace
