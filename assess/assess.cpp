#include "assess.h"

#include "app/window_layout.h"
#include "scene_view.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// The nearest int to a client coordinate; 0 if it is far outside any window.
int Nearest_Client_Position(double value, int &position)
{
    if (!(std::fabs(value) < 1e6))
        return 0;
    position = static_cast<int>(std::floor(value + 0.5));
    return 1;
}

int In_Picture(int column, int row)
{
    return column >= pictureLeft && column < pictureLeft + pictureWidth && row >= pictureTop &&
           row < pictureTop + pictureHeight;
}

double Dot_From(const double point[3], const double origin[3], const double dir[3])
{
    return (point[0] - origin[0]) * dir[0] + (point[1] - origin[1]) * dir[1] +
           (point[2] - origin[2]) * dir[2];
}

} // namespace

int Parse_Point_Record(const std::string &line, int number, PointRecord &record)
{
    if (line.find('\0') != std::string::npos)
        return 0;
    const char *text = line.c_str();
    char *end;
    errno = 0;
    const long id = std::strtol(text, &end, 10);
    if (end == text || errno != 0 || id < INT_MIN || id > INT_MAX)
        return 0;
    const char *next = end;
    for (int k = 0; k < 3; ++k) {
        record.object[k] = std::strtod(next, &end);
        if (end == next)
            return 0;
        next = end;
    }
    while (*next == ' ' || *next == '\t' || *next == '\r' || *next == '\n')
        ++next;
    record.id = static_cast<int>(id);
    record.line = number;
    return *next == '\0';
}

void Grade_Point(const Scene &scene, TraceWork &work, const double object[3], PointGrade &grade)
{
    grade = PointGrade();
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(object[k])) {
            grade.ungradable =
                std::isnan(object[k]) ? "a coordinate is not a number" : "a coordinate is infinite";
            return;
        }
    double leftColumn, rightColumn, row, rightRow;
    if (!Project_To_View(LeftView, object, leftColumn, row) ||
        !Project_To_View(RightView, object, rightColumn, rightRow) ||
        !Nearest_Client_Position(leftColumn, grade.leftColumn) ||
        !Nearest_Client_Position(rightColumn, grade.rightColumn) ||
        !Nearest_Client_Position(row, grade.row)) {
        grade.ungradable = "beyond the scene";
        return;
    }
    grade.offPicture =
        !In_Picture(grade.leftColumn, grade.row) || !In_Picture(grade.rightColumn, grade.row);

    double trueParallax;
    if (!Surface_Parallax(scene, work, grade.leftColumn, grade.row, grade.surface, trueParallax))
        return;
    grade.onSurface = 1;

    // Depths along the ray on which the left half stood, from its camera.
    double centre[3], dir[3];
    View_Centre(LeftView, centre);
    View_Ray(LeftView, grade.leftColumn, grade.row, dir);
    const double length = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    for (int k = 0; k < 3; ++k)
        dir[k] /= length;
    grade.depthError = Dot_From(grade.surface, centre, dir) - Dot_From(object, centre, dir);
    grade.parallaxError = (leftColumn - rightColumn) - trueParallax;
    grade.notches = Notches_From_Surface(leftColumn - rightColumn, trueParallax);
    const double dx = object[0] - grade.surface[0], dy = object[1] - grade.surface[1],
                 dz = object[2] - grade.surface[2];
    grade.distance = std::sqrt(dx * dx + dy * dy + dz * dz);

    // The surface under the left half's whole reach; a ray into the sky
    // counts as an edge.
    double lowest = trueParallax, highest = trueParallax;
    for (int dr = -markReach; dr <= markReach && !grade.depthEdge; ++dr)
        for (int dc = -markReach; dc <= markReach && !grade.depthEdge; ++dc) {
            double surface[3], parallax;
            if (!Surface_Parallax(scene, work, grade.leftColumn + dc, grade.row + dr, surface,
                                  parallax)) {
                grade.depthEdge = 1;
                continue;
            }
            lowest = parallax < lowest ? parallax : lowest;
            highest = parallax > highest ? parallax : highest;
            grade.depthEdge = highest - lowest > notchColumns;
        }
}

int Grade_Counts(const PointGrade &grade)
{
    return grade.onSurface && !grade.offPicture;
}

int Grade_On_Surface(const PointGrade &grade)
{
    return Within_Half_Notch(grade.notches);
}

void Add_Grade(GradeSummary &summary, const PointGrade &grade)
{
    ++summary.points;
    summary.ungradable += grade.ungradable != nullptr;
    summary.offPicture += grade.offPicture;
    summary.noSurface += !grade.ungradable && !grade.offPicture && !grade.onSurface;
    if (!Grade_Counts(grade))
        return;
    ++summary.graded;
    summary.depthEdges += grade.depthEdge;
    summary.withinHalfNotch += Grade_On_Surface(grade);
    summary.sum += grade.notches;
    summary.squares += grade.notches * grade.notches;
}

void Finish_Summary(GradeSummary &summary)
{
    if (summary.graded > 0) {
        summary.meanNotches = summary.sum / static_cast<double>(summary.graded);
        summary.rmsNotches = std::sqrt(summary.squares / static_cast<double>(summary.graded));
    }
}
