// quor_vane_assess [--all] [points.txt]: grades the points recorded on the
// default stereo image against its true scene. The log keeps earlier runs;
// only the last run is graded (from the last record numbered 1), unless --all
// asks for every record. For every graded record it says how far the
// floating mark stood in front of or behind the surface, in object units,
// columns of parallax and wheel notches, prints a short report and writes
// points_assessed.csv and points_assessed.png beside the log.
//
// Exit status: 0 when the points were graded (or there were none), 1 when a
// file cannot be read or written or the command line is wrong, 2 when the
// image beside the log is not the default stereo image. Every refusal names
// the file and the system's reason.
#include "app/program_names.h"
#include "assess.h"
#include "graded_picture.h"
#include "model/stereo_model.h"
#include "scene_hash.h"
#include "sha256.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_NONBLOCK
#define O_NONBLOCK 0 // Windows has no FIFOs to block on
#endif

namespace {

constexpr int reportLines = 20; // points listed in the terminal report

// A file in the log's folder; on Windows a path may use either slash.
std::string Beside(const std::string &logPath, const char *name)
{
#ifdef _WIN32
    const size_t slash = logPath.find_last_of("/\\");
#else
    const size_t slash = logPath.rfind('/');
#endif
    return slash == std::string::npos ? name : logPath.substr(0, slash + 1) + name;
}

// Why a file of the given mode cannot be read, or nullptr: only a regular
// file holds a log or an image; a FIFO would block the reading for good.
const char *Not_Regular(unsigned mode)
{
    if (S_ISDIR(mode))
        return std::strerror(EISDIR);
    return S_ISREG(mode) ? nullptr : "not a regular file";
}

// A file's bytes; false, with the reason, if it cannot be read. The file is
// looked at before it is opened, and opened without waiting for a writer.
bool Read_File(const std::string &path, std::string &bytes, std::string &reason)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (const char *why = Not_Regular(info.st_mode)) {
        reason = why;
        return false;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_BINARY | O_NONBLOCK);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    // It may have been replaced since it was looked at.
    const char *why = fstat(fd, &info) != 0 ? std::strerror(errno) : Not_Regular(info.st_mode);
    char buffer[1 << 16];
    for (;;) {
        if (why != nullptr)
            break;
        const auto got = read(fd, buffer, sizeof buffer);
        if (got < 0)
            why = std::strerror(errno);
        else if (got == 0)
            break;
        else
            bytes.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    if (why != nullptr)
        reason = why;
    return why == nullptr;
}

// Writes the bytes as the whole file, the same on every system (no line-end
// translation); false, with the reason, if any write or the close fails.
bool Write_File(const std::string &path, const void *bytes, size_t size, std::string &reason)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        reason = std::strerror(errno);
        return false;
    }
    errno = 0;
    const bool written = std::fwrite(bytes, 1, size, f) == size;
    int error = errno;
    const bool closed = std::fclose(f) == 0;
    if (written && closed)
        return true;
    if (written)
        error = errno;
    reason = std::strerror(error != 0 ? error : EIO);
    return false;
}

const char *Verdict(const PointGrade &grade)
{
    if (grade.offPicture)
        return "off the picture";
    if (!grade.onSurface)
        return "no surface";
    if (Grade_On_Surface(grade))
        return "on the surface";
    return grade.notches > 0 ? "in front" : "behind";
}

void Print_Report(const std::string &logPath, const std::vector<PointRecord> &records,
                  const std::vector<PointGrade> &grades, const GradeSummary &summary)
{
    std::printf("%d points in %s, graded against the default scene\n", summary.points,
                logPath.c_str());
    std::printf("   ID  notches  columns    depth  distance  verdict\n");
    for (size_t k = 0; k < grades.size() && k < static_cast<size_t>(reportLines); ++k) {
        const PointGrade &g = grades[k];
        if (Grade_Counts(g))
            std::printf("  %3d  %+7.2f  %+7.2f  %+7.3f  %8.3f  %s%s\n", records[k].id, g.notches,
                        g.parallaxError, g.depthError, g.distance, Verdict(g),
                        g.depthEdge ? ", over a depth edge" : "");
        else
            std::printf("  %3d  %44s%s\n", records[k].id, "", Verdict(g));
    }
    if (grades.size() > static_cast<size_t>(reportLines))
        std::printf("  ... and %d more\n", static_cast<int>(grades.size()) - reportLines);
    std::printf("Graded %d of %d points: mean %+.2f notches, RMS %.2f notches\n", summary.graded,
                summary.points, summary.meanNotches, summary.rmsNotches);
    std::printf("Within half a notch: %d of %d\n", summary.withinHalfNotch, summary.graded);
    if (summary.depthEdges > 0)
        std::printf("Over a depth edge, where the error is uncertain: %d\n", summary.depthEdges);
    if (summary.offPicture > 0 || summary.noSurface > 0)
        std::printf("Not graded: %d off the picture, %d with no surface under the mark\n",
                    summary.offPicture, summary.noSurface);
}

// Appends printf-style text to a string.
template <typename... Args> void Append(std::string &text, const char *format, Args... args)
{
    char line[256];
    const int n = std::snprintf(line, sizeof line, format, args...);
    text.append(line, n < 0 ? 0 : n < static_cast<int>(sizeof line) ? n : sizeof line - 1);
}

std::string Csv_Text(const std::vector<PointRecord> &records, const std::vector<PointGrade> &grades)
{
    std::string text = "line,id,X,Y,Z,leftColumn,rightColumn,row,depthError,parallaxColumns,"
                       "notches,distance,surfaceX,surfaceY,surfaceZ,verdict,offPicture,"
                       "depthEdge\n";
    for (size_t k = 0; k < grades.size(); ++k) {
        const PointRecord &r = records[k];
        const PointGrade &g = grades[k];
        Append(text, "%d,%d,%.3f,%.3f,%.3f,", r.line, r.id, r.object[0], r.object[1], r.object[2]);
        if (g.onSurface)
            Append(text, "%d,%d,%d,%.4f,%.3f,%.3f,%.4f,%.4f,%.4f,%.4f,", g.leftColumn,
                   g.rightColumn, g.row, g.depthError, g.parallaxError, g.notches, g.distance,
                   g.surface[0], g.surface[1], g.surface[2]);
        else
            text += ",,,,,,,,,,";
        Append(text, "%s,%d,%d\n", Verdict(g), g.offPicture, g.depthEdge);
    }
    return text;
}

int Usage()
{
    std::fprintf(stderr, "usage: quor_vane_assess [--all] [POINTS_FILE]\n"
                         "       quor_vane_assess --help | --version\n");
    return 1;
}

const char helpText[] =
    "usage: quor_vane_assess [--all] [POINTS_FILE]\n"
    "\n"
    "Grades the points measured on the default stereo image against its true\n"
    "scene: how far the floating mark stood in front of (+) or behind (-) the\n"
    "surface, in wheel notches. POINTS_FILE is points.txt in the current folder\n"
    "unless given; pr8a_c_ds.bmp must lie beside it. The table goes to\n"
    "points_assessed.csv and a picture to points_assessed.png in the same folder.\n"
    "\n"
    "  --all      grade every record; by default only the last run's, from the\n"
    "             last point numbered 1\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 graded (or nothing to grade), 1 a file cannot be read or\n"
    "written or the command line is wrong, 2 the image is not the default\n"
    "stereo image.\n";

} // namespace

int main(int argc, char **argv)
{
    bool all = false;
    const char *given = nullptr;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--help") {
            std::fputs(helpText, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("quor_vane_assess %s\n", QV_VERSION);
            return 0;
        }
        if (arg == "--all")
            all = true;
        else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "quor_vane_assess: unknown option %s\n", argv[k]);
            return Usage();
        } else if (given == nullptr)
            given = argv[k];
        else
            return Usage();
    }
    const std::string logPath = given != nullptr ? given : pointLogFile;
    const std::string imagePath = Beside(logPath, stereoImageFile);
    std::string image, reason;
    if (!Read_File(imagePath, image, reason)) {
        std::fprintf(stderr, "quor_vane_assess: cannot read %s: %s\n", imagePath.c_str(),
                     reason.c_str());
        return 1;
    }
    const unsigned char *imageBytes = reinterpret_cast<const unsigned char *>(image.data());
    if (Sha256_Hex(imageBytes, image.size()) != defaultSceneHash) {
        std::fprintf(stderr,
                     "quor_vane_assess: %s is not the default stereo image; only points "
                     "measured on the default scene can be graded\n",
                     imagePath.c_str());
        return 2;
    }

    std::string log;
    if (!Read_File(logPath, log, reason)) {
        std::fprintf(stderr, "quor_vane_assess: cannot read %s: %s\n", logPath.c_str(),
                     reason.c_str());
        return 1;
    }
    std::vector<PointRecord> records;
    int lineNumber = 0;
    for (size_t start = 0; start < log.size();) {
        size_t end = log.find('\n', start);
        end = end == std::string::npos ? log.size() : end;
        PointRecord record;
        if (Parse_Point_Record(log.substr(start, end - start).c_str(), ++lineNumber, record))
            records.push_back(record);
        else
            std::fprintf(stderr, "quor_vane_assess: %s line %d is not a point record; skipped\n",
                         logPath.c_str(), lineNumber);
        start = end + 1;
    }
    if (records.empty()) {
        std::printf("%s holds no recorded points: nothing to grade\n", logPath.c_str());
        return 0;
    }
    const size_t first = all ? 0 : Last_Run_Start(records);
    if (first > 0) {
        std::printf("Grading the last run; %zu records of earlier runs left out (--all grades "
                    "them)\n",
                    first);
        records.erase(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(first));
    }

    Setup_Stereo_Model();
    Scene scene;
    Build_Scene(scene);
    TraceWork work;
    Init_Trace_Work(scene, work);
    std::vector<PointGrade> grades(records.size());
    for (size_t k = 0; k < records.size(); ++k)
        Grade_Point(scene, work, records[k].object, grades[k]);
    Release_Stereo_Model();
    GradeSummary summary;
    Summarise_Grades(grades, summary);
    Print_Report(logPath, records, grades, summary);

    const std::string csvPath = Beside(logPath, "points_assessed.csv");
    const std::string picturePath = Beside(logPath, "points_assessed.png");
    const std::string csv = Csv_Text(records, grades);
    int ok = 1;
    if (!Write_File(csvPath, csv.data(), csv.size(), reason)) {
        std::fprintf(stderr, "quor_vane_assess: cannot write %s: %s\n", csvPath.c_str(),
                     reason.c_str());
        ok = 0;
    }
    const std::vector<unsigned char> png = Graded_Picture_Png(image, records, grades);
    if (png.empty()) {
        std::fprintf(stderr, "quor_vane_assess: cannot draw %s: %s cannot be decoded\n",
                     picturePath.c_str(), imagePath.c_str());
        ok = 0;
    } else if (!Write_File(picturePath, png.data(), png.size(), reason)) {
        std::fprintf(stderr, "quor_vane_assess: cannot write %s: %s\n", picturePath.c_str(),
                     reason.c_str());
        ok = 0;
    }
    if (ok)
        std::printf("Written %s and %s\n", csvPath.c_str(), picturePath.c_str());
    return ok ? 0 : 1;
}
