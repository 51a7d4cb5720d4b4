#include "app/measure_window.h"

#include <cerrno>
#include <cstring>

#ifndef _WIN32
#include <sys/stat.h>
#endif

int pointId = 0;
FILE *pointLog = nullptr;
int unsavedPointId = 0;

namespace {

// Why the log is not open, as the system said when opening it.
char openFailure[100] = "";
// Why the point unsavedPointId was not written, in a few words for the window.
char unsavedReason[120] = "";

// The warning below the readout: "point N", "NOT saved:", then the reason
// wrapped into lines that fit the readout column, one below the other.
constexpr int warningTop = 290;
constexpr int warningLineHeight = 20;
constexpr std::size_t warningColumns = 10;
constexpr int warningMaxLines = 8;
// Lines drawn for the last warning, to be blanked once a point is saved.
int warningLinesDrawn = 0;

void Draw_Warning_Line(int index, const char *text, int length)
{
    TextOutA(windowDC, readoutColumn, warningTop + warningLineHeight * index, text, length);
}

// Overwrites the warning's lines from the given one on with blanks wider than
// the readout column.
void Blank_Warning_Lines(int first)
{
    static const char blank[] = "                              ";
    for (int i = first; i < warningLinesDrawn; i++)
        Draw_Warning_Line(i, blank, sizeof blank - 1);
    warningLinesDrawn = first;
}

void Report_Unwritten_Point(const char *reason, const char *shortReason)
{
    std::fprintf(stderr, "point %d was not written to %s: %s\n", pointId, pointLogFile, reason);
    unsavedPointId = pointId;
    std::snprintf(unsavedReason, sizeof unsavedReason, "%s", shortReason);
    Write_Unsaved_Point();
}

#ifndef _WIN32
// Whether points.txt in the working directory is still the file the log
// writes to: neither deleted nor renamed (nor replaced) since it was opened.
// The open file must also still be linked, since a new file may get the
// inode number of a deleted one.
bool Log_File_In_Place()
{
    struct stat opened, named;
    return fstat(fileno(pointLog), &opened) == 0 && opened.st_nlink > 0 &&
           stat(pointLogFile, &named) == 0 && named.st_dev == opened.st_dev &&
           named.st_ino == opened.st_ino;
}
#endif

// A log that could not be opened is tried again at every point, so that once
// the cause is mended (a directory or a read-only file in the way) no further
// point is lost.
void Retry_Point_Log()
{
    errno = 0;
    pointLog = std::fopen(pointLogFile, "at");
    if (pointLog == nullptr)
        std::snprintf(openFailure, sizeof openFailure, "%s", std::strerror(errno));
    else
        std::fprintf(stderr, "%s could be opened now; points are appended to it again\n",
                     pointLogFile);
}

} // namespace

void Write_Unsaved_Point()
{
    char line[40];
    int length = std::snprintf(line, sizeof line, "point %d", unsavedPointId);
    Draw_Warning_Line(0, line, length);
    Draw_Warning_Line(1, "NOT saved:", 10);
    int lines = 2;
    // Greedy word wrap; a word longer than a line stands alone.
    const char *word = unsavedReason;
    while (*word != '\0' && lines < warningMaxLines) {
        std::size_t end = std::strcspn(word, " ");
        while (word[end] == ' ' && end + 1 + std::strcspn(word + end + 1, " ") <= warningColumns)
            end += 1 + std::strcspn(word + end + 1, " ");
        Draw_Warning_Line(lines++, word, static_cast<int>(end));
        word += end;
        while (*word == ' ')
            word++;
    }
    Blank_Warning_Lines(lines); // what a longer earlier warning left
}

void Open_Point_Log()
{
    errno = 0;
    pointLog = std::fopen(pointLogFile, "at");
    if (pointLog == nullptr) {
        // Measuring goes on without the log; the user learns once why.
        std::snprintf(openFailure, sizeof openFailure, "%s", std::strerror(errno));
        std::fprintf(stderr, "could not open %s for appending: %s\n", pointLogFile, openFailure);
    }
}

void Record_Point()
{
    pointId = pointId + 1;

    Write_Point_Number();

#ifndef _WIN32
    // A log deleted or renamed meanwhile would swallow every later record:
    // points.txt is opened again by name instead.
    if (pointLog != nullptr && !Log_File_In_Place()) {
        std::fprintf(stderr, "%s was deleted or renamed; appending to a new %s\n", pointLogFile,
                     pointLogFile);
        std::fclose(pointLog);
        Open_Point_Log();
    }
#endif

    if (pointLog == nullptr)
        Retry_Point_Log();
    if (pointLog == nullptr) {
        char shortReason[sizeof openFailure + 20];
        std::snprintf(shortReason, sizeof shortReason, "not open: %s", openFailure);
        Report_Unwritten_Point("the file is not open", shortReason);
        return;
    }
    // Each record goes to the file at once, so that a killed or crashed
    // program loses no recorded point.
    errno = 0;
    if (std::fprintf(pointLog, "%3d %9.3lf %9.3lf %9.3lf\n", pointId, objectX, objectY, objectZ) <
            0 ||
        std::fflush(pointLog) != 0) {
        const char *reason = std::strerror(errno);
        Report_Unwritten_Point(reason, reason);
        std::clearerr(pointLog);
    } else if (unsavedPointId != 0) {
        Blank_Warning_Lines(0);
        unsavedPointId = 0;
    }
}

void Close_Point_Log()
{
    if (pointLog == nullptr)
        return;
    errno = 0;
    if (std::fclose(pointLog) != 0)
        std::fprintf(stderr, "could not close %s: %s\n", pointLogFile, std::strerror(errno));
    pointLog = nullptr;
}
