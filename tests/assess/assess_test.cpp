// quor_vane_assess on sessions replayed over the default stereo image: marks
// set at the truth file's positions, the same two wheel notches off, a mark
// beside a depth edge; and the logs and images it cannot grade.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <sys/wait.h>

namespace {

using Row = std::map<std::string, std::string>;

// The rows of a comma-separated table, each field by its header's name.
std::vector<Row> Read_Csv(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::string> names;
    std::vector<Row> rows;
    for (std::string line, field; std::getline(in, line);) {
        std::istringstream fields(line);
        for (size_t k = 0; std::getline(fields, field, ','); ++k)
            names.size() > k ? void(rows.back()[names[k]] = field) : names.push_back(field);
        rows.emplace_back();
    }
    rows.resize(rows.size() - !rows.empty());
    return rows;
}

// A fresh working folder with the default image and the given point log.
std::string Folder(const std::string &name, const std::string &points)
{
    std::filesystem::remove_all(name);
    std::filesystem::create_directory(name);
    std::filesystem::copy_file(SCENE_IMAGE_PATH, name + "/pr8a_c_ds.bmp");
    std::ofstream(name + "/points.txt") << points;
    return name;
}

// Runs a command in a folder: its exit status and what it printed.
int Run_In(const std::string &folder, const std::string &command, std::string &out)
{
    const int raw = std::system(("cd " + folder + " && " + command + " >out 2>&1").c_str());
    std::getline(std::ifstream(folder + "/out"), out, '\0');
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(AssessTest, GradesReplayedMarksInNotchesWithTheirSignAndFlagsADepthEdge)
{
    std::string script;
    int steps = 0;
    auto Record = [&](const std::string &x, const std::string &y, int wheelSteps) {
        script += "move " + x + " " + y + "\n";
        for (; steps != wheelSteps; steps += steps < wheelSteps ? 1 : -1)
            script += steps < wheelSteps ? "wheel 120\n" : "wheel -120\n";
        script += "release\n";
    };
    // Every third truth point as set, then two notches behind and in front.
    std::vector<double> expected; // notches, record by record
    const std::vector<Row> truth = Read_Csv(SCENE_TRUTH_PATH);
    for (size_t k = 0; k < truth.size(); k += 3)
        for (int off : {0, 2, -2}) {
            auto At = [&](const char *name) { return std::stod(truth[k].at(name)); };
            Record(truth[k].at("pointerX"), truth[k].at("pointerY"), At("wheelSteps") + off);
            const double parallax = At("markLeftColumn") - At("markRightColumn");
            expected.push_back((parallax - At("leftColumn") + At("rightColumn")) / 2 - off);
        }
    // On a balcony's front, its left half at column 553, four columns (the
    // mark's reach) from the balcony's end; parallax 58.4 there, 50.5 beyond.
    Record("524", "380", 0);

    std::ofstream(Folder("replayed", "") + "/script.txt") << script;
    std::string out;
    ASSERT_EQ(Run_In("replayed", QV_REPLAY_PROGRAM " script.txt", out), 18) << out;
    ASSERT_EQ(Run_In("replayed", QV_ASSESS_PROGRAM, out), 0) << out;
    const std::vector<Row> rows = Read_Csv("replayed/points_assessed.csv");
    double sum = 0, squares = 0;
    for (size_t k = 0; k <= expected.size(); ++k) { // the edge point last
        const double notches = std::stod(rows.at(k).at("notches"));
        const double want = k < expected.size() ? expected[k] : notches;
        EXPECT_NEAR(notches, want, 0.05) << "record " << k + 1;
        EXPECT_GE(notches * std::stod(rows[k].at("depthError")), 0) << "record " << k + 1;
        const char *verdict = want > 1 ? "in front" : want < -1 ? "behind" : "on the surface";
        EXPECT_EQ(rows[k].at("verdict"), verdict);
        EXPECT_EQ(rows[k].at("depthEdge"), k < expected.size() ? "0" : "1") << "record " << k + 1;
        sum += notches;
        squares += notches * notches;
    }
    char summary[160];
    std::snprintf(summary, sizeof summary,
                  "mean %+.2f notches, RMS %.2f notches\nWithin half a notch: %zu of %zu\n",
                  sum / rows.size(), std::sqrt(squares / rows.size()), expected.size() / 3 + 1,
                  rows.size());
    EXPECT_THAT(out, testing::HasSubstr(summary));
}

TEST(AssessTest, TellsMalformedLinesAndEmptyLogs)
{
    const std::string record = "  1   102.211   199.632    25.719\n";
    std::string out;
    // The last record's right half stood left of the picture, on the surface.
    Folder("malformed", record + "  2   102.211   199.632\n\n" + "  2 102.211 199.632 25.719\n" +
                            "  4 1 2 3 4\n" + "  5    92.380   192.672    25.684\n");
    EXPECT_EQ(Run_In(".", QV_ASSESS_PROGRAM " malformed/points.txt", out), 0);
    EXPECT_THAT(out, testing::HasSubstr("/points.txt line 2 is not a point record; skipped"));
    EXPECT_THAT(out, testing::HasSubstr("Graded 2 of 3 points: mean +4.00 notches, RMS 4.00 "
                                        "notches\nWithin half a notch: 0 of 2\n"));
    const std::vector<Row> rows = Read_Csv("malformed/points_assessed.csv");
    EXPECT_EQ(rows.at(1).at("line"), "4");
    EXPECT_EQ(rows.at(2).at("verdict"), "off the picture");

    Folder("empty", "");
    EXPECT_EQ(Run_In("empty", QV_ASSESS_PROGRAM, out), 0);
    EXPECT_EQ(out, "points.txt holds no recorded points: nothing to grade\n");
}

// The log keeps earlier runs, each numbered from 1: the last run is graded
// unless --all is given.
TEST(AssessTest, GradesTheLastRunFromItsLastPointNumberedOne)
{
    const std::string a = "  1   102.211   199.632    25.719\n", b = "  2 92.380 192.672 25.684\n",
                      c = "  3 102.211 199.632 25.719\n";
    const struct {
        std::string log, options;
        std::vector<std::string> lines; // of the graded records
        const char *leftOut;            // the report's line, or none
    } cases[] = {
        {a + b + a + b + c, "", {"3", "4", "5"}, "2 records of earlier runs left out"},
        {a + b + a + b + c, "--all", {"1", "2", "3", "4", "5"}, nullptr},
        {a + b + c + a, "", {"4"}, "3 records of earlier runs left out"},
        {a + b + a, "points.txt --all", {"1", "2", "3"}, nullptr},
        {b + c, "", {"1", "2"}, nullptr}, // no point numbered 1: all
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.log + t.options);
        std::string out;
        Folder("runs", t.log);
        ASSERT_EQ(Run_In("runs", QV_ASSESS_PROGRAM " " + t.options, out), 0) << out;
        std::vector<std::string> lines;
        for (const Row &row : Read_Csv("runs/points_assessed.csv"))
            lines.push_back(row.at("line"));
        EXPECT_EQ(lines, t.lines);
        EXPECT_THAT(out, testing::HasSubstr(std::to_string(t.lines.size()) + " points in"));
        if (t.leftOut)
            EXPECT_THAT(out, testing::HasSubstr(t.leftOut));
        else
            EXPECT_THAT(out, testing::Not(testing::HasSubstr("left out")));
    }
}

// Help and version need no image or log; a wrong command line is refused, and
// files it cannot read or write are refused at once with the file's name and
// the system's reason, never a success.
TEST(AssessTest, AnswersHelpAndVersionAndRefusesWhatItCannotRunOnOrGrade)
{
    const struct {
        const char *setup, *arguments; // shell commands in the folder first
        int status;
        const char *says;
    } cases[] = {
        {"rm pr8a_c_ds.bmp points.txt", "--help", 0,
         "usage: quor_vane_assess [--all] [POINTS_FILE]\n       quor_vane_assess [--all] --class "
         "FOLDER...\n       quor_vane_assess --help | --version\n\nGrades"},
        {"rm pr8a_c_ds.bmp points.txt", "--version", 0, "quor_vane_assess " QV_VERSION "\n"},
        {"true", "--al", 1, "unknown option --al\nusage: quor_vane_assess"},
        {"true", "a.txt b.txt", 1, "usage: quor_vane_assess"},
        {"rm pr8a_c_ds.bmp", "", 1, "cannot read pr8a_c_ds.bmp: No such file or directory"},
        // The default image with one byte more is another image.
        {"printf '\\0' >>pr8a_c_ds.bmp", "", 2,
         "pr8a_c_ds.bmp is neither the default stereo image nor an exercise's; only points "
         "measured on those can be graded"},
        {"rm pr8a_c_ds.bmp && mkfifo pr8a_c_ds.bmp", "", 1,
         "cannot read pr8a_c_ds.bmp: not a regular file"},
        {"rm points.txt", "", 1, "cannot read points.txt: No such file or directory"},
        {"rm points.txt && mkdir points.txt", "", 1, "cannot read points.txt: Is a directory"},
        {"ln -s /dev/full points_assessed.csv", "", 1,
         "cannot write points_assessed.csv: No space left on device"},
        {"mkdir points_assessed.png", "", 1, "cannot write points_assessed.png: Is a directory"},
        // Cut short: the picture outgrows the largest file allowed.
        {"trap '' XFSZ && ulimit -f 64", "", 1, "cannot write points_assessed.png: File too large"},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(std::string(t.setup) + " " + t.arguments);
        std::string out;
        Folder("refused", "  1   102.211   199.632    25.719\n");
        EXPECT_EQ(
            Run_In("refused",
                   std::string(t.setup) + " && timeout 20 " QV_ASSESS_PROGRAM " " + t.arguments,
                   out),
            t.status);
        // A file it refuses is named after the program's own name.
        const std::string prefix = *t.arguments ? "" : "quor_vane_assess: ";
        EXPECT_THAT(out, testing::HasSubstr(prefix + t.says));
        EXPECT_THAT(out, testing::Not(testing::HasSubstr(t.status ? "Written" : "cannot read")));
    }
}

} // namespace
