// The point log: points.txt in the working directory, opened for appending at
// start, one record per recorded point. It reads and writes the file and
// reports on standard error; what the window shows is the readout's.
//
// Every record this run appends is remembered with where it lies in which
// file, so that the newest can be taken back while nobody else has touched
// the file since: no byte of anyone else's is ever removed.
#include "app/measure_window.h"

#include <cerrno>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

int pointId = 0;
FILE *pointLog = nullptr;

namespace {

// Why the log is not open, as the system said when opening it.
char openFailure[100] = "";

// Which file an open log is, and how long it is.
struct FileIdentity {
    unsigned long long volume;
    unsigned long long index;
    long long size;
};

// One point this run recorded, saved or not. A saved record lies from
// `before` to `after` in the file `file`; it is this run's own only while
// nobody else wrote in between (then `after - before` is its length).
struct RunRecord {
    int id;
    bool saved;
    FileIdentity file;
    long long before;
    long long after;
    char text[96];
};

std::vector<RunRecord> runRecords;

// The open log's identity and size, with the data flushed to it first.
bool Open_Log_Identity(FileIdentity *identity)
{
#ifdef _WIN32
    BY_HANDLE_FILE_INFORMATION info;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pointLog)));
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info))
        return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->index = (unsigned long long)info.nFileIndexHigh << 32 | info.nFileIndexLow;
    identity->size = (long long)info.nFileSizeHigh << 32 | info.nFileSizeLow;
    return true;
#else
    struct stat opened;
    if (fstat(fileno(pointLog), &opened) != 0)
        return false;
    identity->volume = opened.st_dev;
    identity->index = opened.st_ino;
    identity->size = opened.st_size;
    return true;
#endif
}

// Whether points.txt in the working directory is still the file the log
// writes to: neither deleted nor renamed (nor replaced) since it was opened.
// The open file must also still be linked, since a new file may get the
// inode number of a deleted one.
bool Log_File_In_Place()
{
#ifdef _WIN32
    // Windows lets nobody delete or rename a file that is open here; what
    // could differ is only a file of the same name opened elsewhere.
    FileIdentity opened;
    HANDLE named =
        CreateFileA(pointLogFile, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool same =
        GetFileInformationByHandle(named, &info) && Open_Log_Identity(&opened) &&
        opened.volume == info.dwVolumeSerialNumber &&
        opened.index == ((unsigned long long)info.nFileIndexHigh << 32 | info.nFileIndexLow);
    CloseHandle(named);
    return same;
#else
    struct stat opened, named;
    return fstat(fileno(pointLog), &opened) == 0 && opened.st_nlink > 0 &&
           stat(pointLogFile, &named) == 0 && named.st_dev == opened.st_dev &&
           named.st_ino == opened.st_ino;
#endif
}

// Hands what the log holds to the disk, so that a power cut loses nothing
// the program has called recorded.
bool Sync_Log()
{
#ifdef _WIN32
    return _commit(_fileno(pointLog)) == 0;
#else
    return fsync(fileno(pointLog)) == 0;
#endif
}

bool Cut_Log(long long length)
{
#ifdef _WIN32
    return _chsize_s(_fileno(pointLog), length) == 0;
#else
    return ftruncate(fileno(pointLog), static_cast<off_t>(length)) == 0;
#endif
}

// Whether the log's bytes from `at` on are `text`: a record that was
// overwritten in place is no longer this run's to remove. The log is open for
// writing only, so the file is read through a descriptor of its own.
bool Log_Holds(const FileIdentity &file, long long at, const char *text)
{
#ifdef _WIN32
    (void)file;
    (void)at;
    (void)text;
    return true; // the size and the file's identity are all Windows tells here cheaply
#else
    const int reader = open(pointLogFile, O_RDONLY | O_CLOEXEC);
    if (reader < 0)
        return false;
    struct stat named;
    const std::size_t length = std::strlen(text);
    char stored[sizeof RunRecord::text];
    const bool holds =
        fstat(reader, &named) == 0 && named.st_dev == file.volume && named.st_ino == file.index &&
        pread(reader, stored, length, static_cast<off_t>(at)) == static_cast<ssize_t>(length) &&
        std::memcmp(stored, text, length) == 0;
    close(reader);
    return holds;
#endif
}

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

// The bytes a record takes in the file: a text stream on Windows ends its
// line with a carriage return too.
long long Stored_Length(const char *text)
{
#ifdef _WIN32
    return (long long)std::strlen(text) + 1;
#else
    return (long long)std::strlen(text);
#endif
}

// Writes the record and makes it durable; false with errno set when any step
// failed.
bool Write_Record(RunRecord *record)
{
    FileIdentity start, end;
    errno = 0;
    if (std::fflush(pointLog) != 0 || !Open_Log_Identity(&start))
        return false;
    if (std::fputs(record->text, pointLog) < 0 || std::fflush(pointLog) != 0 || !Sync_Log() ||
        !Open_Log_Identity(&end))
        return false;
    record->saved = true;
    record->file = end;
    record->before = start.size;
    record->after = end.size;
    return true;
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
    RunRecord record = {};
    record.id = id;
    std::snprintf(record.text, sizeof record.text, "%3d %9.3lf %9.3lf %9.3lf\n", id, x, y, z);
    runRecords.push_back(record);

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
        Report_Unwritten_Point(id, openFailure);
        std::snprintf(reason, size, "not open: %s", openFailure);
        return false;
    }
    // Each record goes to the disk at once, so that a killed or crashed
    // program, or a power cut, loses no recorded point.
    if (!Write_Record(&runRecords.back())) {
        std::snprintf(reason, size, "%s", std::strerror(errno));
        Report_Unwritten_Point(id, reason);
        std::clearerr(pointLog);
        return false;
    }
    return true;
}

TakeBack Take_Back_Record(int id, char *reason, std::size_t size)
{
    if (runRecords.empty() || runRecords.back().id != id) {
        std::fprintf(stderr, "nothing to take back\n");
        return Take_Back_Nothing;
    }
    const RunRecord &record = runRecords.back();
    if (!record.saved) {
        std::fprintf(stderr, "point %d was taken back; it had not been written to %s\n", id,
                     pointLogFile);
        runRecords.pop_back();
        return Take_Back_Done;
    }
    FileIdentity now;
    const bool own = record.after - record.before == Stored_Length(record.text);
    const bool same = pointLog != nullptr && Log_File_In_Place() && Open_Log_Identity(&now) &&
                      now.volume == record.file.volume && now.index == record.file.index;
    if (!own || !same || now.size != record.after ||
        !Log_Holds(record.file, record.before, record.text)) {
        std::snprintf(reason, size, "%s %s", pointLogFile,
                      same ? "changed" : "was deleted or replaced");
        std::fprintf(stderr, "%s %s since point %d was written; nothing was taken back\n",
                     pointLogFile, same ? "changed" : "was deleted or replaced", id);
        return Take_Back_Refused;
    }
    errno = 0;
    if (!Cut_Log(record.before) || !Sync_Log()) {
        std::snprintf(reason, size, "%s", std::strerror(errno));
        std::fprintf(stderr, "could not take point %d back from %s: %s\n", id, pointLogFile,
                     reason);
        return Take_Back_Refused;
    }
    std::fprintf(stderr, "point %d was taken back from %s\n", id, pointLogFile);
    runRecords.pop_back();
    return Take_Back_Done;
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
