#include "app/measure_window.h"

#include <cerrno>
#include <cstring>

int pointId = 0;
FILE *pointLog = nullptr;

namespace {

void Report_Unwritten_Point(const char *reason)
{
    std::fprintf(stderr, "point %d was not written to %s: %s\n", pointId, pointLogFile, reason);
}

} // namespace

void Open_Point_Log()
{
    errno = 0;
    pointLog = std::fopen(pointLogFile, "at");
    if (pointLog == nullptr) {
        // Measuring goes on without the log; the user learns once why.
        std::fprintf(stderr, "could not open %s for appending: %s\n", pointLogFile,
                     std::strerror(errno));
    }
}

void Record_Point()
{
    pointId = pointId + 1;

    Write_Point_Number();

    if (pointLog == nullptr) {
        Report_Unwritten_Point("the file is not open");
        return;
    }
    // Each record goes to the file at once, so that a killed or crashed
    // program loses no recorded point.
    errno = 0;
    if (std::fprintf(pointLog, "%3d %9.3lf %9.3lf %9.3lf\n", pointId, objectX, objectY, objectZ) <
            0 ||
        std::fflush(pointLog) != 0) {
        Report_Unwritten_Point(std::strerror(errno));
        std::clearerr(pointLog);
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
