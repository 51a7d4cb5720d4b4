// What the user is told when the stereo image cannot be shown or a point
// cannot be saved: standard error, the texts drawn in the window, the point
// log and the exit status.
#include "replay_session.h"

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

namespace {

const std::string pointAt465 = "102.211   199.632    25.719\n";
const std::string pointAt470 = "102.353   199.684    25.719\n";
// The message on standard error names the folder the image was looked for in.
std::string Image_Error(const ReplaySession &session)
{
    const std::string folder = session.Path("");
    return "could not load the stereo image pr8a_c_ds.bmp in " +
           folder.substr(0, folder.size() - 1) + ": ";
}

// An 8-bit run-length-encoded BMP of the given size whose data ends at once:
// valid, and a few hundred bytes whatever its dimensions.
void Write_Rle_Bmp(const std::string &path, uint32_t width, uint32_t height)
{
    const uint32_t fields[] = {1078 + 2, 0, 1078, 40, width, height, 8 << 16 | 1, 1, 2};
    std::string bytes = "BM";
    for (uint32_t field : fields)
        for (int shift = 0; shift < 32; shift += 8)
            bytes += static_cast<char>(field >> shift & 0xFF);
    std::ofstream(path, std::ios::binary)
        << bytes << std::string(1078 - bytes.size(), '\0') << std::string("\0\1", 2);
}

// A session in a directory holding the grey image, big.bmp (8000 by 8000, top-down),
// wide.bmp (32769 by 1) and widest.bmp (32768 by 1), changed by a shell
// command before the program runs.
void Run_After(ReplaySession &session, const std::string &setup, const std::string &script,
               const std::string &prefix = "")
{
    session.Write_Image(Grey);
    Write_Rle_Bmp(session.Path("big.bmp"), 8000, uint32_t(-8000));
    Write_Rle_Bmp(session.Path("wide.bmp"), 32769, 1);
    Write_Rle_Bmp(session.Path("widest.bmp"), 32768, 1);
    ASSERT_EQ(std::system(("cd '" + session.Path("") + "' && " + setup).c_str()), 0);
    session.Run(script, prefix);
    EXPECT_EQ(session.status, 18);
}

TEST(ErrorReport, EveryImageFaultIsExplainedOnceInBothPlacesAndClicksStillRecord)
{
    const std::string limit = " pixels; the limit is 33554432 pixels, 32768 a side";
    const std::pair<const char *, std::string> faults[] = {
        // setup, reason ("": the image loads)
        {"rm pr8a_c_ds.bmp", "No such file or directory"},
        {": > pr8a_c_ds.bmp", "the file is empty"},
        // The file header declares less than the rows need: the rows count.
        {"printf '\\20\\0\\0\\0' | dd of=pr8a_c_ds.bmp bs=1 seek=2 conv=notrunc status=none && "
         "truncate -s 1000 pr8a_c_ds.bmp",
         "truncated: 1000 of the 1674054 bytes its header declares"},
        {"truncate -s 30 pr8a_c_ds.bmp", "truncated: only 30 bytes"},
        {"printf '\\211PNG\\r\\n\\032\\n' > pr8a_c_ds.bmp", "not a BMP file"},
        {"rm pr8a_c_ds.bmp && mkdir pr8a_c_ds.bmp", "Is a directory"},
        {"rm pr8a_c_ds.bmp && mkfifo pr8a_c_ds.bmp", "not a regular file"},
        {"mv big.bmp pr8a_c_ds.bmp", "too large: 8000 by 8000" + limit},
        // A 12-byte header, whose sizes are unsigned 16-bit numbers.
        {R"(printf 'BM\32\0\0\0\0\0\0\0\32\0\0\0\14\0\0\0\1\0\377\377\1\0\30\0' >pr8a_c_ds.bmp)",
         "too large: 1 by 65535" + limit},
        {"mv wide.bmp pr8a_c_ds.bmp", "too large: 32769 by 1" + limit},
        {"mv widest.bmp pr8a_c_ds.bmp", ""}};
    for (const auto &[setup, reason] : faults) {
        SCOPED_TRACE(setup);
        ReplaySession session;
        const std::string notice = "read 20 20\nread 20 40\nread 20 60\n";
        Run_After(session, setup, notice + "move 465 320\nrelease\nexpose 0 0 1012 669\n" + notice);
        EXPECT_EQ(session.Points(), "  1   " + pointAt465);
        if (reason.empty()) {
            EXPECT_EQ(session.err, "");
            // A picture one row high: white below it.
            EXPECT_EQ(session.Shown(), "20 20\n20 40\n20 60\n20 20\n20 40\n20 60\n");
            continue;
        }
        // Two paints, two notices, one line on standard error.
        const std::string folder = session.Path("");
        const std::string shown =
            "20 20 The stereo image pr8a_c_ds.bmp could not be loaded:\n20 40 " + reason +
            ".\n20 60 It was looked for in " + folder.substr(0, folder.size() - 1) + ".\n";
        EXPECT_EQ(session.err, Image_Error(session) + reason + "\n");
        EXPECT_EQ(session.Shown(), shown + shown);
    }
    // Standard error hears again only when the reason changes.
    ReplaySession session;
    const std::string paint = "expose 0 0 1012 669\n";
    // Missing twice, shown, missing again, empty twice.
    Run_After(session, "mv pr8a_c_ds.bmp good.bmp && : > empty.bmp",
              paint + "rename good.bmp pr8a_c_ds.bmp\n" + paint + "remove pr8a_c_ds.bmp\n" + paint +
                  "rename empty.bmp pr8a_c_ds.bmp\n" + paint + paint);
    const std::string error = Image_Error(session);
    EXPECT_EQ(session.err, error + "No such file or directory\n" + error +
                               "No such file or directory\n" + error + "the file is empty\n");
}

TEST(ErrorReport, UnsavedPointsShowUnderTheReadoutAndAMovedLogIsOpenedAgain)
{
    const std::string first = "move 465 320\nrelease\nreadout\n";
    const std::string second = "move 470 320\nrelease\nreadout\n";
    const std::string unwritten = "point 1 was not written to points.txt: ";
    const std::string reopened =
        "points.txt was deleted or renamed; appending to a new points.txt\n";
    const std::string readout = "170 ID   1\n200 X   102.211\n230 Y   199.632\n"
                                "260 Z    25.719\n290 P        58\n320 point 1\n340 NOT saved:\n";
    const std::string saved = "170 ID   2\n200 X   102.353\n230 Y   199.684\n"
                              "260 Z    25.719\n290 P        58\n";

    // A point never saved, taken back: only its number goes back, and the
    // notice says so in place of the longer one.
    ReplaySession notOpen;
    Run_After(notOpen, "mkdir points.txt",
              first + "key ctrl+z\nreadout\nrelease\nremove points.txt\n" + second);
    EXPECT_EQ(notOpen.err, "could not open points.txt for appending: Is a directory\n" + unwritten +
                               "Is a directory\npoint 1 was taken back; it had not been written "
                               "to points.txt\n" +
                               unwritten +
                               "Is a directory\npoints.txt could be opened now; points are "
                               "appended to it again\n");
    EXPECT_EQ(notOpen.Points(), "  2   " + pointAt470);
    EXPECT_EQ(notOpen.Shown(), readout + "360 not open:\n380 Is a\n400 directory\n" +
                                   "170 ID   0\n200 X   102.211\n230 Y   199.632\n"
                                   "260 Z    25.719\n290 P        58\n320 point 1\n"
                                   "340 taken back\n" +
                                   saved);

    // A record that does not fit below the file size limit, as on a full
    // disk, is cut off again: the file stays as it was. The notice comes back
    // with the readout after a repaint, and is blanked once a point is saved.
    ReplaySession onFull;
    const std::string filled = std::string(999, '#') + "\n";
    Run_After(onFull, "printf '" + filled.substr(0, 999) + "\\n' > points.txt",
              "expose 0 0 1012 669\n" + first +
                  "expose 0 0 1012 669\nrename points.txt old.txt\n"
                  "move 465 320\nreadout\n" +
                  second,
              "prlimit --fsize=1024");
    EXPECT_EQ(onFull.err, unwritten + "File too large\n" + reopened);
    EXPECT_EQ(onFull.Points(), "  2   " + pointAt470);
    EXPECT_EQ(Read_File(onFull.Path("old.txt")), filled);
    const std::string full = readout + "360 File too\n380 large\n";
    EXPECT_EQ(onFull.Shown(), full + full + saved);

    // A record never follows other text on its line. A FIFO or a device is no
    // log, at start or put in its place later, and the program does not wait
    // on it. A log deleted, or renamed and replaced by another file, is opened
    // anew; the renamed one keeps the first point.
    const std::string fifo = "could not open points.txt for appending: not a regular file\n";
    const std::string lost = "was not written to points.txt: not a regular file\n";
    const std::string cases[][4] = {
        // setup, between the two points, standard error, the log (renamed back)
        {"printf 'a note' > points.txt", "", "", "a note\n  1   " + pointAt465},
        {"mkfifo points.txt", "", fifo + "point 1 " + lost + "point 2 " + lost, ""},
        {"ln -s /dev/null points.txt", "", fifo + "point 1 " + lost + "point 2 " + lost, ""},
        {"mkfifo fifo", "remove points.txt\nrename fifo points.txt\n",
         reopened + fifo + "point 2 " + lost, ""},
        {"true", "remove points.txt\n", reopened, "  2   " + pointAt470},
        {": > fresh.txt", "rename points.txt old.txt\nrename fresh.txt points.txt\n", reopened,
         "  1   " + pointAt465}};
    for (const auto &[setup, between, err, log] : cases) {
        ReplaySession session;
        Run_After(session, setup, first + between + second);
        EXPECT_EQ(session.err, err) << setup;
        if (log.empty())
            continue;
        std::rename(session.Path("old.txt").c_str(), session.Path("points.txt").c_str());
        EXPECT_EQ(session.Points().substr(0, log.size()), log) << setup;
        EXPECT_EQ(session.Shown(320), "");
    }
}

} // namespace
