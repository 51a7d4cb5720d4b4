// quor_vane_assess on sessions replayed over the default stereo image: marks
// set at the truth file's positions, the same two wheel notches off, a mark
// beside a depth edge; and the logs and images it cannot grade.
#include "truth_rows.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <sys/wait.h>

namespace {

// A fresh working folder with the default image and the given point log.
std::string Folder(const std::string &name, const std::string &points)
{
    std::filesystem::remove_all(name);
    std::filesystem::create_directory(name);
    std::filesystem::copy_file(SCENE_IMAGE_PATH, name + "/pr8a_c_ds.bmp");
    std::ofstream(name + "/points.txt") << points;
    return name;
}

// A command line run after shell commands in its folder, its exit status and
// what it prints.
struct CommandCase {
    const char *setup, *arguments;
    int status;
    const char *says;
};

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
    const auto truth = Read_Rows<std::string>(std::ifstream(SCENE_TRUTH_PATH));
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
    const auto rows = Read_Rows<std::string>(std::ifstream("replayed/points_assessed.csv"));
    for (size_t k = 0; k <= expected.size(); ++k) { // the edge point last
        const double notches = std::stod(rows.at(k).at("notches"));
        const double want = k < expected.size() ? expected[k] : notches;
        EXPECT_NEAR(notches, want, 0.05) << "record " << k + 1;
        EXPECT_GE(notches * std::stod(rows[k].at("depthError")), 0) << "record " << k + 1;
        const char *verdict = want > 1 ? "in front" : want < -1 ? "behind" : "on the surface";
        EXPECT_EQ(rows[k].at("verdict"), verdict);
        EXPECT_EQ(rows[k].at("depthEdge"), k < expected.size() ? "0" : "1") << "record " << k + 1;
    }
    EXPECT_THAT(out, testing::HasSubstr("Graded 151 of 151 points: mean -0.06 notches, RMS 1.66 "
                                        "notches\nWithin half a notch: 51 of 151\nOver a depth "
                                        "edge, where the error is uncertain: 1\n"));
}

// Lines that are not records are told and skipped, a NUL byte in a line
// included; records of any length are read whole; coordinates it cannot
// grade are told line by line; every row of the table holds all its fields.
TEST(AssessTest, TellsMalformedLinesAndCoordinatesItCannotGradeAndEmptyLogs)
{
    const std::string record = "  1   102.211   199.632    25.719\n";
    char huge[400]; // the 312 characters of 1e308 with three decimals
    std::snprintf(huge, sizeof huge, "%.3f", 1e308);
    std::string out;
    // Record 5's right half stood left of the picture, on the surface.
    Folder("malformed", record + "  2   102.211   199.632\n\n" + "  2 102.211 199.632 25.719\n" +
                            "  4 1 2 3 4\n" + "  5    92.380   192.672    25.684\n" +
                            std::string("  6 102.211 199.632 25.719\0 7\n", 30) + "  7 " + huge +
                            " 199.632 25.719\n  8 -inf 1 2\n  9 1 nan 2\n 10" +
                            std::string(100000, ' ') + "102.211 199.632 25.719");
    EXPECT_EQ(Run_In(".", QV_ASSESS_PROGRAM " malformed/points.txt", out), 0);
    for (const char *told : {"line 2 is not a point record", "line 7 is not a point record",
                             "line 8: point 7 cannot be graded: beyond the scene",
                             "line 9: point 8 cannot be graded: a coordinate is infinite",
                             "line 10: point 9 cannot be graded: a coordinate is not a number",
                             "Graded 3 of 7 points: mean +4.00 notches, RMS 4.00 notches\nWithin "
                             "half a notch: 0 of 3\n",
                             "Not graded: 1 off the picture, 0 with no surface under the mark\n"
                             "Not graded: 3 whose coordinates cannot be graded\n"})
        EXPECT_THAT(out, testing::HasSubstr(told));
    const auto rows = Read_Rows<std::string>(std::ifstream("malformed/points_assessed.csv"));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[1].at("line"), "4");
    EXPECT_EQ(rows[2].at("verdict"), "off the picture");
    EXPECT_EQ(rows[3].at("X"), huge);
    EXPECT_EQ(rows[4].at("X") + rows[5].at("Y") + rows[5].at("verdict"),
              "-infnana coordinate is not a number");
    EXPECT_EQ(rows[6].at("notches"), rows[0].at("notches"));
    std::ifstream csv("malformed/points_assessed.csv");
    for (std::string line; std::getline(csv, line);)
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 17) << line;

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
        for (const auto &row : Read_Rows<std::string>(std::ifstream("runs/points_assessed.csv")))
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
    const CommandCase cases[] = {
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

// A class: one folder per student, graded into a line each and class.csv;
// folders it cannot grade say why and the others are graded all the same.
TEST(AssessTest, GradesAClassFolderByFolderAndTellsWhyAFolderCannotBeGraded)
{
    std::string out;
    std::filesystem::remove_all("class");
    std::filesystem::create_directory("class");
    // Ten marks that the truth of exercise 7 states (every fifteenth point's
    // markX, markY, markZ: its 15th to 17th columns), all within half a notch,
    // and one whose right half stood left of the picture; folder a grades
    // them, the others cannot be graded, each for its own reason.
    ASSERT_EQ(Run_In("class",
                     QV_EXERCISE_PROGRAM " --seed 7 ex7 && " QV_EXERCISE_PROGRAM
                                         " --seed 12345678901 ex8 && awk -F, 'NR % 15 == 2 && "
                                         "NR < 150 { printf \"%3d %9.3f %9.3f %9.3f\\n\", ++n, "
                                         "$15, $16, $17 }' ex7/pr8a_c_ds_truth.csv >points.txt && "
                                         "echo ' 11 92.380 192.672 25.684' >>points.txt && "
                                         "for f in a c d e f; do mkdir $f && cp ex7/pr8a_c_ds* "
                                         "points.txt $f; done && mkdir b g && rm c/points.txt && "
                                         "cp ex8/pr8a_c_ds.bmp d && rm e/pr8a_c_ds_truth.csv && "
                                         "cp ex8/pr8a_c_ds_truth.csv f && cp -r f i && head -1 "
                                         "ex7/pr8a_c_ds_truth.csv >i/pr8a_c_ds_truth.csv && "
                                         "cp " SCENE_IMAGE_PATH " g && printf '  1   102.211   "
                                         "199.632    25.719\\n' >g/points.txt && "
                                         // Changed, its hash made again: not the picture the seed
                                         // renders.
                                         "cp -r a h && dd if=/dev/zero of=h/pr8a_c_ds.bmp bs=1 "
                                         "seek=99999 count=65536 conv=notrunc 2>/dev/null && "
                                         "(cd h && sha256sum pr8a_c_ds.bmp >pr8a_c_ds.sha256)",
                     out),
              0)
        << out;
    // The worst folder's status, whichever comes last.
    EXPECT_EQ(Run_In("class", QV_ASSESS_PROGRAM " --class b/ c d e f g h i a", out), 2);
    std::string table;
    std::getline(std::ifstream("class/class.csv"), table, '\0');
    EXPECT_EQ(table, "folder,seed,points,graded,withinHalfNotch,meanNotches,rmsNotches,"
                     "offPicture,problem\n"
                     "b/,,,,,,,,cannot read b/pr8a_c_ds.bmp: No such file or directory\n"
                     "c,7,,,,,,,cannot read c/points.txt: No such file or directory\n"
                     "d,12345678901,,,,,,,d/pr8a_c_ds.bmp is not the picture whose hash "
                     "d/pr8a_c_ds.sha256 holds\n"
                     "e,7,,,,,,,cannot read e/pr8a_c_ds_truth.csv: No such file or directory\n"
                     "f,7,,,,,,,f/pr8a_c_ds_truth.csv is not the truth of exercise 7\n"
                     "g,default,1,1,0,4.004,4.004,0,\n"
                     "h,7,,,,,,,h/pr8a_c_ds.bmp is not the picture of exercise 7 that this "
                     "version makes\n"
                     "i,7,,,,,,,i/pr8a_c_ds_truth.csv is not the truth of exercise 7\n"
                     "a,7,11,10,10,-0.014,0.310,1,\n");
    EXPECT_THAT(out, testing::HasSubstr("\na: exercise 7 (a terraced slope): 10 of 11 points "
                                        "graded, 10 within half a notch, mean -0.01, RMS 0.31 "
                                        "notches, 1 off the picture\nWritten class.csv\n"));
}

// The exercise command: help, version and refusals, and a folder made with
// its parents when no seed is given.
TEST(ExerciseCommand, AnswersHelpAndVersionRefusesWhatItCannotDoAndChoosesASeed)
{
    const CommandCase cases[] = {
        {"true", "--help", 0, "usage: quor_vane_exercise [--seed N] FOLDER\n"},
        {"true", "--version", 0, "quor_vane_exercise " QV_VERSION "\n"},
        {"true", "", 1, "usage: quor_vane_exercise"},
        {"true", "a b", 1, "usage: quor_vane_exercise"},
        {"true", "--seed 0 x", 1,
         "--seed takes a whole number from 1 to 18446744073709551615\nusage"},
        {"true", "--seed 18446744073709551617 x", 1, "--seed takes a whole number from 1 to"},
        {"true", "--seed 12z x", 1, "--seed takes a whole number"},
        {"mkdir x && touch x/pr8a_c_ds.bmp", "x", 2, "x already holds pr8a_c_ds.bmp"},
        {"touch x", "--seed 5 x/y", 1, "cannot make the folder x/y: Not a directory"},
        // Nothing is left behind when a file cannot be written.
        {"mkdir x && touch x/exercise.txt", "--seed 5 x", 1,
         "cannot write x/exercise.txt: File exists\npr8a_c_ds_truth.csv 0"},
        {"trap '' XFSZ && ulimit -f 400", "--seed 5 x", 1,
         "cannot write x/pr8a_c_ds.bmp: File too large\npr8a_c_ds_truth.csv 0"},
        {"true", "x/y/z", 0, "The seed "},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(std::string(t.setup) + " " + t.arguments);
        std::string out;
        Folder("made", "");
        EXPECT_EQ(Run_In("made",
                         std::string(t.setup) + " && (" QV_EXERCISE_PROGRAM " " + t.arguments +
                             "; s=$?; ls x/pr8a_c_ds_truth.csv 2>/dev/null | wc -l | " +
                             "sed 's/^/pr8a_c_ds_truth.csv /'; exit $s)",
                         out),
                  t.status);
        EXPECT_THAT(out, testing::HasSubstr(t.says));
    }
    EXPECT_EQ(std::filesystem::file_size("made/x/y/z/pr8a_c_ds.bmp"), 1674054u);
}

} // namespace
