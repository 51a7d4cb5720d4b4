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

// Traces the left view's ray through (column, row) to the true surface and
// gives the parallax, in columns, at which the mark would rest there.
int Surface_Parallax(const Scene &scene, TraceWork &work, int column, int row, double surface[3],
                     double &parallax)
{
    SceneHit hit;
    if (!Trace_View(scene, work, LeftView, column, row, hit))
        return 0;
    To_Object_Frame(scene, hit.point, surface);
    double rightColumn, rightRow;
    if (!Project_To_View(RightView, surface, rightColumn, rightRow))
        return 0;
    parallax = column - rightColumn;
    return 1;
}

double Dot_From(const double point[3], const double origin[3], const double dir[3])
{
    return (point[0] - origin[0]) * dir[0] + (point[1] - origin[1]) * dir[1] +
           (point[2] - origin[2]) * dir[2];
}

} // namespace

int Parse_Point_Record(const char *text, int line, PointRecord &record)
{
    char *end;
    errno = 0;
    const long id = std::strtol(text, &end, 10);
    if (end == text || errno != 0 || id < INT_MIN || id > INT_MAX)
        return 0;
    const char *next = end;
    for (int k = 0; k < 3; ++k) {
        record.object[k] = std::strtod(next, &end);
        if (end == next || !std::isfinite(record.object[k]))
            return 0;
        next = end;
    }
    while (*next == ' ' || *next == '\t' || *next == '\r' || *next == '\n')
        ++next;
    record.id = static_cast<int>(id);
    record.line = line;
    return *next == '\0';
}

void Grade_Point(const Scene &scene, TraceWork &work, const double object[3], PointGrade &grade)
{
    grade = PointGrade();
    double leftColumn, rightColumn, row, rightRow;
    if (!Project_To_View(LeftView, object, leftColumn, row) ||
        !Project_To_View(RightView, object, rightColumn, rightRow) ||
        !Nearest_Client_Position(leftColumn, grade.leftColumn) ||
        !Nearest_Client_Position(rightColumn, grade.rightColumn) ||
        !Nearest_Client_Position(row, grade.row)) {
        grade.offPicture = 1;
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
    grade.notches = grade.parallaxError / notchColumns;
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
    return std::fabs(grade.notches) <= 0.5;
}

void Summarise_Grades(const std::vector<PointGrade> &grades, GradeSummary &summary)
{
    summary = GradeSummary();
    double sum = 0, squares = 0;
    for (const PointGrade &grade : grades) {
        ++summary.points;
        summary.offPicture += grade.offPicture;
        summary.noSurface += !grade.offPicture && !grade.onSurface;
        if (!Grade_Counts(grade))
            continue;
        ++summary.graded;
        summary.depthEdges += grade.depthEdge;
        summary.withinHalfNotch += Grade_On_Surface(grade);
        sum += grade.notches;
        squares += grade.notches * grade.notches;
    }
    if (summary.graded > 0) {
        summary.meanNotches = sum / summary.graded;
        summary.rmsNotches = std::sqrt(squares / summary.graded);
    }
}
