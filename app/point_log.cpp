// The point log: points.txt in the working directory, opened for appending at
// start, one record per recorded point. It reads and writes the file and
// reports on standard error; what the window shows is the readout's.
#include "app/measure_window.h"

#include <cerrno>
#include <cstring>

#ifndef _WIN32
#include <sys/stat.h>
#endif

int pointId = 0;
FILE *pointLog = nullptr;

namespace {

// Why the log is not open, as the system said when opening it.
char openFailure[100] = "";

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

void Report_Unwritten_Point(int id, const char *reason)
{
    std::fprintf(stderr, "point %d was not written to %s: %s\n", id, pointLogFile, reason);
}

} // namespace

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

bool Append_Point_Record(int id, double x, double y, double z, char *reason, std::size_t size)
{
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
        Report_Unwritten_Point(id, "the file is not open");
        std::snprintf(reason, size, "not open: %s", openFailure);
        return false;
    }
    // Each record goes to the file at once, so that a killed or crashed
    // program loses no recorded point.
    errno = 0;
    if (std::fprintf(pointLog, "%3d %9.3lf %9.3lf %9.3lf\n", id, x, y, z) < 0 ||
        std::fflush(pointLog) != 0) {
        std::snprintf(reason, size, "%s", std::strerror(errno));
        Report_Unwritten_Point(id, reason);
        std::clearerr(pointLog);
        return false;
    }
    return true;
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
