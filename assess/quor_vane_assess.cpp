// quor_vane_assess [points.txt]: grades the points recorded on the default
// stereo image against its true scene. For every record it says how far the
// floating mark stood in front of or behind the surface, in object units,
// columns of parallax and wheel notches, prints a short report and writes
// points_assessed.csv and points_assessed.png beside the log.
//
// Exit status: 0 when the points were graded (or there were none), 1 when a
// file cannot be read or written, 2 when the image beside the log is not the
// default stereo image.
#include "app/program_names.h"
#include "assess.h"
#include "graded_picture.h"
#include "model/stereo_model.h"
#include "scene_hash.h"
#include "sha256.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int reportLines = 20; // points listed in the terminal report

std::string Beside(const std::string &logPath, const char *name)
{
    const size_t slash = logPath.rfind('/');
    return slash == std::string::npos ? name : logPath.substr(0, slash + 1) + name;
}

// A file's bytes; false if it cannot be read.
bool Read_File(const std::string &path, std::string &bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
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

int Write_Csv(const std::string &path, const std::vector<PointRecord> &records,
              const std::vector<PointGrade> &grades)
{
    FILE *f = std::fopen(path.c_str(), "w");
    if (!f)
        return 0;
    std::fprintf(f, "line,id,X,Y,Z,leftColumn,rightColumn,row,depthError,parallaxColumns,notches,"
                    "distance,surfaceX,surfaceY,surfaceZ,verdict,offPicture,depthEdge\n");
    for (size_t k = 0; k < grades.size(); ++k) {
        const PointRecord &r = records[k];
        const PointGrade &g = grades[k];
        std::fprintf(f, "%d,%d,%.3f,%.3f,%.3f,", r.line, r.id, r.object[0], r.object[1],
                     r.object[2]);
        if (g.onSurface)
            std::fprintf(f, "%d,%d,%d,%.4f,%.3f,%.3f,%.4f,%.4f,%.4f,%.4f,", g.leftColumn,
                         g.rightColumn, g.row, g.depthError, g.parallaxError, g.notches, g.distance,
                         g.surface[0], g.surface[1], g.surface[2]);
        else
            std::fprintf(f, ",,,,,,,,,,");
        std::fprintf(f, "%s,%d,%d\n", Verdict(g), g.offPicture, g.depthEdge);
    }
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: quor_vane_assess [points.txt]\n");
        return 1;
    }
    const std::string logPath = argc == 2 ? argv[1] : pointLogFile;
    const std::string imagePath = Beside(logPath, stereoImageFile);
    std::string image;
    if (!Read_File(imagePath, image)) {
        std::fprintf(stderr, "quor_vane_assess: cannot read %s\n", imagePath.c_str());
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

    std::ifstream log(logPath);
    if (!log) {
        std::fprintf(stderr, "quor_vane_assess: cannot read %s\n", logPath.c_str());
        return 1;
    }
    std::vector<PointRecord> records;
    int lineNumber = 0;
    for (std::string line; std::getline(log, line);) {
        PointRecord record;
        if (Parse_Point_Record(line.c_str(), ++lineNumber, record))
            records.push_back(record);
        else
            std::fprintf(stderr, "quor_vane_assess: %s line %d is not a point record; skipped\n",
                         logPath.c_str(), lineNumber);
    }
    if (records.empty()) {
        std::printf("%s holds no recorded points: nothing to grade\n", logPath.c_str());
        return 0;
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
    int ok = 1;
    if (!Write_Csv(csvPath, records, grades)) {
        std::fprintf(stderr, "quor_vane_assess: cannot write %s\n", csvPath.c_str());
        ok = 0;
    }
    if (!Write_Graded_Picture(image, picturePath, records, grades)) {
        std::fprintf(stderr, "quor_vane_assess: cannot write %s\n", picturePath.c_str());
        ok = 0;
    }
    if (ok)
        std::printf("Written %s and %s\n", csvPath.c_str(), picturePath.c_str());
    return ok ? 0 : 1;
}
