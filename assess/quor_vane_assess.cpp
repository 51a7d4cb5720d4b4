// quor_vane_assess [--all] [points.txt]: grades the points recorded on the
// default stereo image or on an exercise against its true scene. The log
// keeps earlier runs; only the last run is graded (from the last record
// numbered 1), unless --all asks for every record. For every graded record it
// says how far the floating mark stood in front of or behind the surface, in
// object units, columns of parallax and wheel notches, prints a short report
// and writes points_assessed.csv and points_assessed.png beside the log.
//
// quor_vane_assess [--all] --class FOLDER...: grades the points.txt in each
// folder against the picture there, one line per folder, and writes the
// summary of every folder to class.csv in the current folder.
//
// The log is read twice as a stream, once to find the last run and once to
// grade it, and the table and the picture are written as the records are
// graded: memory does not grow with the number of records.
//
// Exit status: 0 when the points were graded (or there were none), 1 when a
// file cannot be read or written or the command line is wrong, 2 when the
// image beside the log is neither the default stereo image nor an exercise's
// (or its truth not its own). In class mode the worst of the folders'. Every
// refusal names the file and the system's reason.
#include "app/program_names.h"
#include "assess.h"
#include "files.h"
#include "graded_picture.h"
#include "graded_scene.h"
#include "model/stereo_model.h"
#include "png_file.h"
#include "scene_hash.h"
#include "scene_view.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int reportLines = 20; // points listed in the terminal report

const char *Verdict(const PointGrade &grade)
{
    if (grade.ungradable)
        return grade.ungradable;
    if (grade.offPicture)
        return "off the picture";
    if (!grade.onSurface)
        return "no surface";
    if (Grade_On_Surface(grade))
        return "on the surface";
    return grade.notches > 0 ? "in front" : "behind";
}

// Where a log's run begins and how many records it holds.
struct LogCount {
    long long records = 0, first = 0, skipped = 0;
};

// The first pass: counts the records and finds the last one numbered 1;
// lines that are not records are told on standard error when `tell`.
bool Count_Records(const std::string &logPath, bool all, bool tell, LogCount &count,
                   std::string &reason)
{
    LineFile file;
    if (!Open_Line_File(file, logPath, reason))
        return false;
    std::string line;
    for (int number = 1; Next_Line(file, line); ++number) {
        PointRecord record;
        if (Parse_Point_Record(line, number, record)) {
            if (record.id == 1 && !all)
                count.first = count.records;
            ++count.records;
            continue;
        }
        ++count.skipped;
        if (tell)
            std::fprintf(stderr, "quor_vane_assess: %s line %d is not a point record; skipped\n",
                         logPath.c_str(), number);
    }
    Close_Line_File(file);
    if (file.error != nullptr)
        reason = file.error;
    return file.error == nullptr;
}

// The second pass: grades the records the count found from its first on, in
// their order.
bool Grade_Records(const std::string &logPath, const LogCount &count, const Scene &scene,
                   const std::function<void(const PointRecord &, const PointGrade &)> &each,
                   std::string &reason)
{
    LineFile file;
    if (!Open_Line_File(file, logPath, reason))
        return false;
    TraceWork work;
    Init_Trace_Work(scene, work);
    std::string line;
    long long k = 0;
    for (int number = 1; k < count.records && Next_Line(file, line); ++number) {
        PointRecord record;
        if (!Parse_Point_Record(line, number, record) || k++ < count.first)
            continue;
        PointGrade grade;
        Grade_Point(scene, work, record.object, grade);
        each(record, grade);
    }
    Close_Line_File(file);
    if (file.error != nullptr)
        reason = file.error;
    return file.error == nullptr;
}

// A coordinate with three decimals; infinities and not-a-numbers spelled the
// same on every system.
void Put_Coordinate(FILE *f, double value)
{
    if (std::isnan(value))
        std::fputs("nan", f);
    else if (std::isinf(value))
        std::fputs(value < 0 ? "-inf" : "inf", f);
    else
        std::fprintf(f, "%.3f", value);
}

void Put_Csv_Row(FILE *f, const PointRecord &r, const PointGrade &g)
{
    std::fprintf(f, "%d,%d,", r.line, r.id);
    for (double value : r.object) {
        Put_Coordinate(f, value);
        std::fputc(',', f);
    }
    if (g.onSurface)
        std::fprintf(f, "%d,%d,%d,%.4f,%.3f,%.3f,%.4f,%.4f,%.4f,%.4f,", g.leftColumn, g.rightColumn,
                     g.row, g.depthError, g.parallaxError, g.notches, g.distance, g.surface[0],
                     g.surface[1], g.surface[2]);
    else
        std::fputs(",,,,,,,,,,", f);
    std::fprintf(f, "%s,%d,%d\n", Verdict(g), g.offPicture, g.depthEdge);
}

void Print_Row(const PointRecord &record, const PointGrade &g)
{
    if (Grade_Counts(g))
        std::printf("  %3d  %+7.2f  %+7.2f  %+7.3f  %8.3f  %s%s\n", record.id, g.notches,
                    g.parallaxError, g.depthError, g.distance, Verdict(g),
                    g.depthEdge ? ", over a depth edge" : "");
    else
        std::printf("  %3d  %44s%s\n", record.id, "", Verdict(g));
}

void Print_Summary(const GradeSummary &summary)
{
    if (summary.points > reportLines)
        std::printf("  ... and %lld more\n", summary.points - reportLines);
    std::printf("Graded %lld of %lld points: mean %+.2f notches, RMS %.2f notches\n",
                summary.graded, summary.points, summary.meanNotches, summary.rmsNotches);
    std::printf("Within half a notch: %lld of %lld\n", summary.withinHalfNotch, summary.graded);
    if (summary.depthEdges > 0)
        std::printf("Over a depth edge, where the error is uncertain: %lld\n", summary.depthEdges);
    if (summary.offPicture > 0 || summary.noSurface > 0)
        std::printf("Not graded: %lld off the picture, %lld with no surface under the mark\n",
                    summary.offPicture, summary.noSurface);
    if (summary.ungradable > 0)
        std::printf("Not graded: %lld whose coordinates cannot be graded\n", summary.ungradable);
}

// The reason for a failed write to a stream, once it is closed.
bool Close_Written(FILE *f, std::string &reason)
{
    bool failed = std::ferror(f) != 0;
    int error = errno;
    if (std::fclose(f) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    if (failed)
        reason = std::strerror(error != 0 ? error : EIO);
    return !failed;
}

const char usageText[] = "usage: quor_vane_assess [--all] [POINTS_FILE]\n"
                         "       quor_vane_assess [--all] --class FOLDER...\n"
                         "       quor_vane_assess --help | --version\n";

int Usage()
{
    std::fputs(usageText, stderr);
    return 1;
}

const char helpText[] =
    "\n"
    "Grades the points measured on the default stereo image, or on an exercise\n"
    "made by quor_vane_exercise, against its true scene: how far the floating\n"
    "mark stood in front of (+) or behind (-) the surface, in wheel notches.\n"
    "POINTS_FILE is points.txt in the current folder unless given;\n"
    "pr8a_c_ds.bmp must lie beside it (an exercise's with its pr8a_c_ds.sha256\n"
    "and pr8a_c_ds_truth.csv). The table goes to points_assessed.csv and a\n"
    "picture to points_assessed.png in the same folder.\n"
    "\n"
    "  --all      grade every record; by default only the last run's, from the\n"
    "             last point numbered 1\n"
    "  --class    grade the points.txt of each FOLDER: one line per folder, and\n"
    "             class.csv in the current folder\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 graded (or nothing to grade), 1 a file cannot be read or\n"
    "written or the command line is wrong, 2 the image is neither the default\n"
    "stereo image nor an exercise's (or its truth is not its own).\n";

int Grade_One(const std::string &logPath, bool all)
{
    GradedScene graded;
    std::string reason;
    if (const int status =
            Find_Graded_Scene(Beside(logPath, stereoImageFile), defaultSceneHash, graded, reason)) {
        std::fprintf(stderr, "quor_vane_assess: %s\n", reason.c_str());
        return status;
    }
    LogCount count;
    if (!Count_Records(logPath, all, true, count, reason)) {
        std::fprintf(stderr, "quor_vane_assess: cannot read %s: %s\n", logPath.c_str(),
                     reason.c_str());
        return 1;
    }
    if (count.records == 0) {
        std::printf("%s holds no recorded points: nothing to grade\n", logPath.c_str());
        return 0;
    }
    if (count.first > 0)
        std::printf("Grading the last run; %lld records of earlier runs left out (--all grades "
                    "them)\n",
                    count.first);
    std::printf("%lld points in %s, graded against %s\n", count.records - count.first,
                logPath.c_str(), Graded_Scene_Name(graded).c_str());
    std::printf("   ID  notches  columns    depth  distance  verdict\n");

    const std::string csvPath = Beside(logPath, "points_assessed.csv");
    const std::string picturePath = Beside(logPath, "points_assessed.png");
    errno = 0;
    FILE *csv = std::fopen(csvPath.c_str(), "wb");
    const int csvError = errno;
    if (csv != nullptr)
        std::fputs("line,id,X,Y,Z,leftColumn,rightColumn,row,depthError,parallaxColumns,notches,"
                   "distance,surfaceX,surfaceY,surfaceZ,verdict,offPicture,depthEdge\n",
                   csv);
    RgbImage picture;
    const bool drawn = Left_View_From_Bmp(graded.image, picture);
    GradeSummary summary;
    const bool read = Grade_Records(
        logPath, count, graded.scene,
        [&](const PointRecord &record, const PointGrade &grade) {
            if (summary.points < reportLines)
                Print_Row(record, grade);
            Add_Grade(summary, grade);
            if (grade.ungradable)
                std::fprintf(stderr,
                             "quor_vane_assess: %s line %d: point %d cannot be graded: %s\n",
                             logPath.c_str(), record.line, record.id, grade.ungradable);
            if (csv != nullptr)
                Put_Csv_Row(csv, record, grade);
            if (drawn)
                Draw_Grade(picture, record.id, grade);
        },
        reason);
    Finish_Summary(summary);
    Print_Summary(summary);
    int ok = 1;
    if (!read) {
        std::fprintf(stderr, "quor_vane_assess: cannot read %s: %s\n", logPath.c_str(),
                     reason.c_str());
        ok = 0;
    }
    if (csv == nullptr || !Close_Written(csv, reason)) {
        std::fprintf(stderr, "quor_vane_assess: cannot write %s: %s\n", csvPath.c_str(),
                     csv == nullptr ? std::strerror(csvError) : reason.c_str());
        ok = 0;
    }
    if (!drawn) {
        std::fprintf(stderr, "quor_vane_assess: cannot draw %s: %s cannot be decoded\n",
                     picturePath.c_str(), stereoImageFile);
        ok = 0;
    } else {
        Add_Legend(picture);
        const std::vector<unsigned char> png =
            Png_Bytes(picture.width, picture.height, 3, picture.pixels.data());
        if (!Write_File(picturePath, png.data(), png.size(), reason)) {
            std::fprintf(stderr, "quor_vane_assess: cannot write %s: %s\n", picturePath.c_str(),
                         reason.c_str());
            ok = 0;
        }
    }
    if (ok)
        std::printf("Written %s and %s\n", csvPath.c_str(), picturePath.c_str());
    return ok ? 0 : 1;
}

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string Csv_Field(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// One folder of a class: its line on standard output and its row of
// class.csv; returns the folder's status.
int Grade_Folder(const std::string &folder, bool all, std::string &csv)
{
    const bool slash = folder.empty() || Is_Separator(folder.back());
    const std::string logPath = folder + (slash ? "" : "/") + pointLogFile;
    GradedScene graded;
    std::string reason, why;
    int status =
        Find_Graded_Scene(Beside(logPath, stereoImageFile), defaultSceneHash, graded, reason);
    LogCount count;
    GradeSummary summary;
    if (status == 0 &&
        (!Count_Records(logPath, all, false, count, why) ||
         !Grade_Records(
             logPath, count, graded.scene,
             [&](const PointRecord &, const PointGrade &grade) { Add_Grade(summary, grade); },
             why))) {
        reason = "cannot read " + logPath + ": " + why;
        status = 1;
    }
    const std::string seed = graded.isDefault   ? "default"
                             : graded.seed != 0 ? std::to_string(graded.seed)
                                                : "";
    if (status != 0) {
        std::printf("%s: not graded: %s\n", folder.c_str(), reason.c_str());
        csv += Csv_Field(folder) + "," + seed + ",,,,,,," + Csv_Field(reason) + "\n";
        return status;
    }
    Finish_Summary(summary);
    char figures[160];
    if (summary.graded > 0)
        std::snprintf(figures, sizeof figures, "%.3f,%.3f", summary.meanNotches,
                      summary.rmsNotches);
    else
        std::snprintf(figures, sizeof figures, ",");
    std::printf("%s: %s: %lld of %lld points graded, %lld within half a notch, mean %+.2f, RMS "
                "%.2f notches, %lld off the picture",
                folder.c_str(), Graded_Scene_Name(graded).c_str(), summary.graded, summary.points,
                summary.withinHalfNotch, summary.meanNotches, summary.rmsNotches,
                summary.offPicture);
    if (count.skipped > 0)
        std::printf(", %lld lines not point records", count.skipped);
    std::printf("\n");
    csv += Csv_Field(folder) + "," + seed + "," + std::to_string(summary.points) + "," +
           std::to_string(summary.graded) + "," + std::to_string(summary.withinHalfNotch) + "," +
           figures + "," + std::to_string(summary.offPicture) + ",\n";
    return 0;
}

int Grade_Class(const std::vector<std::string> &folders, bool all)
{
    std::string csv = "folder,seed,points,graded,withinHalfNotch,meanNotches,rmsNotches,"
                      "offPicture,problem\n";
    int status = 0;
    for (const std::string &folder : folders) {
        const int folderStatus = Grade_Folder(folder, all, csv);
        status = folderStatus > status ? folderStatus : status;
    }
    std::string reason;
    if (!Write_File("class.csv", csv.data(), csv.size(), reason)) {
        std::fprintf(stderr, "quor_vane_assess: cannot write class.csv: %s\n", reason.c_str());
        return 1;
    }
    std::printf("Written class.csv\n");
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    bool all = false, classMode = false;
    std::vector<std::string> given;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--help") {
            std::fputs(usageText, stdout);
            std::fputs(helpText, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("quor_vane_assess %s\n", QV_VERSION);
            return 0;
        }
        if (arg == "--all")
            all = true;
        else if (arg == "--class")
            classMode = true;
        else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "quor_vane_assess: unknown option %s\n", argv[k]);
            return Usage();
        } else
            given.push_back(arg);
    }
    if (classMode ? given.empty() : given.size() > 1)
        return Usage();
    Setup_Stereo_Model();
    Use_Exact_Common_Rotation();
    const int status = classMode ? Grade_Class(given, all)
                                 : Grade_One(given.empty() ? pointLogFile : given[0], all);
    Release_Stereo_Model();
    return status;
}
