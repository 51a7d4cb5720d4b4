// The point log: points.txt in the working directory, opened for appending at
// start, one record per recorded point. It reads and writes the file and
// reports on standard error; what the window shows is the readout's.
//
// Writers of the log take turns: every record and every taking back holds an
// exclusive lock on the open file, so that two copies of the program never
// cut each other's records. A record is whole or absent: one that cannot be
// written completely is cut off again, and one that would follow text
// without a line break (a note typed by hand) is put on a line of its own.
// Every record this run appends is remembered with where it lies in which
// file, so that the newest can be taken back while nobody else has touched
// the file since: no byte of anyone else's is ever removed.
#include "app/measure_window.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

int pointId = 0;
int pointLog = -1;

namespace {

// A record's line end as text files have it on this system.
#ifdef _WIN32
const char lineEnd[] = "\r\n";
#else
const char lineEnd[] = "\n";
#endif

// Why the log is not open, as the system said when opening it.
char openFailure[100] = "";

// Which file an open log is, and how long it is.
struct FileIdentity {
    unsigned long long volume;
    unsigned long long index;
    long long size;
};

// One point this run recorded, saved or not. A saved record's bytes (a line
// break that the file lacked first, if any, then the record) lie from
// `before` to `before + bytes.size()` in the file `file`.
struct RunRecord {
    int id;
    bool saved;
    FileIdentity file;
    long long before;
    std::string bytes;
};

std::vector<RunRecord> runRecords;

// How long a writer waits for another to finish with the log before it gives
// up; holding the log takes milliseconds.
constexpr int lockWaitMilliseconds = 3000;
constexpr int lockPollMilliseconds = 5;

#ifdef _WIN32
HANDLE Log_Handle()
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(pointLog));
}

bool Identity_Of(HANDLE handle, FileIdentity *identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info))
        return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->index = (unsigned long long)info.nFileIndexHigh << 32 | info.nFileIndexLow;
    identity->size = (long long)info.nFileSizeHigh << 32 | info.nFileSizeLow;
    return true;
}

bool Open_Log_Identity(FileIdentity *identity)
{
    return Identity_Of(Log_Handle(), identity);
}

// Writers lock one byte far beyond any data, so that the lock keeps other
// copies of the program out without keeping anyone from reading the log.
OVERLAPPED Lock_Place()
{
    OVERLAPPED place = {};
    place.Offset = 0xFFFFFFFEu;
    place.OffsetHigh = 0x7FFFFFFFu;
    return place;
}

bool Try_Lock()
{
    OVERLAPPED place = Lock_Place();
    return LockFileEx(Log_Handle(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &place) != 0;
}

void Unlock()
{
    OVERLAPPED place = Lock_Place();
    UnlockFileEx(Log_Handle(), 0, 1, 0, &place);
}

void Pause()
{
    Sleep(lockPollMilliseconds);
}

bool Sync_Log()
{
    return _commit(pointLog) == 0;
}

bool Cut_Log(long long length)
{
    return _chsize_s(pointLog, length) == 0;
}

// Reads `length` bytes at `at` of points.txt, through a handle of its own,
// if that is still the file `file`.
bool Read_Named_Log(const FileIdentity &file, long long at, char *into, std::size_t length)
{
    HANDLE reader = CreateFileA(pointLogFile, GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (reader == INVALID_HANDLE_VALUE)
        return false;
    FileIdentity named;
    OVERLAPPED place = {};
    place.Offset = (DWORD)(at & 0xFFFFFFFF);
    place.OffsetHigh = (DWORD)(at >> 32);
    DWORD got = 0;
    const bool read = Identity_Of(reader, &named) && named.volume == file.volume &&
                      named.index == file.index &&
                      ReadFile(reader, into, (DWORD)length, &got, &place) && got == length;
    CloseHandle(reader);
    return read;
}

// Whether points.txt in the working directory is still the file the log
// writes to. Windows lets nobody delete or rename a file that is open here;
// what could differ is only a file of the same name opened elsewhere.
bool Log_File_In_Place()
{
    FileIdentity opened;
    char none[1];
    return Open_Log_Identity(&opened) && Read_Named_Log(opened, 0, none, 0);
}

// Opens points.txt for appending; false with errno set.
bool Open_Log_File(bool *created)
{
    *created = GetFileAttributesA(pointLogFile) == INVALID_FILE_ATTRIBUTES;
    errno = _sopen_s(&pointLog, pointLogFile,
                     _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                     _S_IREAD | _S_IWRITE);
    if (errno != 0) {
        pointLog = -1;
        return false;
    }
    if (GetFileType(Log_Handle()) != FILE_TYPE_DISK) {
        _close(pointLog);
        pointLog = -1;
        errno = EINVAL;
        return false;
    }
    return true;
}

void Sync_Folder() {}

int Write_Bytes(const char *bytes, std::size_t length)
{
    return _write(pointLog, bytes, (unsigned)length);
}
#else
bool Identity_Of(int descriptor, FileIdentity *identity)
{
    struct stat info;
    if (fstat(descriptor, &info) != 0)
        return false;
    identity->volume = info.st_dev;
    identity->index = info.st_ino;
    identity->size = info.st_size;
    return true;
}

bool Open_Log_Identity(FileIdentity *identity)
{
    return Identity_Of(pointLog, identity);
}

// flock, not fcntl: a record lock would go whenever the program closes any
// descriptor of the file, such as the reader of Read_Named_Log.
bool Try_Lock()
{
    return flock(pointLog, LOCK_EX | LOCK_NB) == 0;
}

void Unlock()
{
    flock(pointLog, LOCK_UN);
}

void Pause()
{
    usleep(lockPollMilliseconds * 1000);
}

bool Sync_Log()
{
    return fsync(pointLog) == 0;
}

bool Cut_Log(long long length)
{
    return ftruncate(pointLog, static_cast<off_t>(length)) == 0;
}

bool Read_Named_Log(const FileIdentity &file, long long at, char *into, std::size_t length)
{
    const int reader = open(pointLogFile, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader < 0)
        return false;
    FileIdentity named;
    const bool read =
        Identity_Of(reader, &named) && named.volume == file.volume && named.index == file.index &&
        pread(reader, into, length, static_cast<off_t>(at)) == static_cast<ssize_t>(length);
    close(reader);
    return read;
}

// Whether points.txt in the working directory is still the file the log
// writes to: neither deleted nor renamed (nor replaced) since it was opened.
// The open file must also still be linked, since a new file may get the
// inode number of a deleted one.
bool Log_File_In_Place()
{
    struct stat opened, named;
    return fstat(pointLog, &opened) == 0 && opened.st_nlink > 0 &&
           stat(pointLogFile, &named) == 0 && named.st_dev == opened.st_dev &&
           named.st_ino == opened.st_ino;
}

// Opens points.txt for appending, never waiting on it: a FIFO or a device in
// its place is refused at once. False with errno set.
bool Open_Log_File(bool *created)
{
    // Past a file size limit a write then fails, as on a full disk, and the
    // record is cut off again, instead of the process ending in the middle of
    // it.
    std::signal(SIGXFSZ, SIG_IGN);
    const int flags = O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC;
    *created = false;
    pointLog = open(pointLogFile, flags);
    if (pointLog < 0 && errno == ENOENT) {
        pointLog = open(pointLogFile, flags | O_CREAT | O_EXCL, 0666);
        *created = pointLog >= 0;
        if (pointLog < 0 && errno == EEXIST)
            pointLog = open(pointLogFile, flags);
    }
    if (pointLog < 0) {
        // A FIFO that nobody reads: not a file to keep points in either.
        if (errno == ENXIO)
            errno = EINVAL;
        return false;
    }
    struct stat info;
    if (fstat(pointLog, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(pointLog);
        pointLog = -1;
        errno = EINVAL;
        return false;
    }
    return true;
}

// A new file's name is durable only once its folder is.
void Sync_Folder()
{
    const int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

int Write_Bytes(const char *bytes, std::size_t length)
{
    return static_cast<int>(write(pointLog, bytes, length));
}
#endif

void Open_Or_Say_Why()
{
    bool created = false;
    errno = 0;
    if (!Open_Log_File(&created)) {
        // Open_Log_File gives EINVAL for a name that is no regular file.
        std::snprintf(openFailure, sizeof openFailure, "%s",
                      errno == EINVAL ? "not a regular file" : std::strerror(errno));
        return;
    }
    if (created)
        Sync_Folder();
}

// Holds the lock, waiting a while for another writer to finish; false, with
// errno EAGAIN, when it did not.
bool Lock_Log()
{
    for (int waited = 0; waited <= lockWaitMilliseconds; waited += lockPollMilliseconds) {
        if (Try_Lock())
            return true;
        Pause();
    }
    errno = EAGAIN;
    return false;
}

// A log that could not be opened is tried again at every point, so that once
// the cause is mended (a directory or a read-only file in the way) no further
// point is lost.
void Retry_Point_Log()
{
    Open_Or_Say_Why();
    if (pointLog >= 0)
        std::fprintf(stderr, "%s could be opened now; points are appended to it again\n",
                     pointLogFile);
}

void Report_Unwritten_Point(int id, const char *reason)
{
    std::fprintf(stderr, "point %d was not written to %s: %s\n", id, pointLogFile, reason);
}

// Writes the record (after a line break if the file lacks one at its end)
// and makes it durable; false with errno set, leaving the file as it was.
// The log is locked.
bool Write_Record(RunRecord *record, const std::string &text)
{
    FileIdentity start, end;
    if (!Open_Log_Identity(&start))
        return false;
    record->bytes = text;
    char last = '\n';
    if (start.size > 0 && Read_Named_Log(start, start.size - 1, &last, 1) && last != '\n')
        record->bytes = lineEnd + text;
    std::size_t written = 0;
    int error = 0;
    while (written < record->bytes.size()) {
        const int wrote =
            Write_Bytes(record->bytes.data() + written, record->bytes.size() - written);
        if (wrote <= 0) {
            error = wrote < 0 ? errno : ENOSPC;
            break;
        }
        written += static_cast<std::size_t>(wrote);
    }
    if (error == 0 && !Sync_Log())
        error = errno;
    if (error == 0 && Open_Log_Identity(&end)) {
        record->saved = true;
        record->file = end;
        record->before = end.size - static_cast<long long>(record->bytes.size());
        return true;
    }
    // Nothing of a record that failed stays to be glued to the next one.
    if (written > 0 && Cut_Log(start.size))
        Sync_Log();
    errno = error != 0 ? error : EIO;
    return false;
}

} // namespace

void Open_Point_Log()
{
    Open_Or_Say_Why();
    // Measuring goes on without the log; the user learns once why.
    if (pointLog < 0)
        std::fprintf(stderr, "could not open %s for appending: %s\n", pointLogFile, openFailure);
}

bool Append_Point_Record(int id, double x, double y, double z, char *reason, std::size_t size)
{
    RunRecord record = {};
    record.id = id;
    char text[96];
    std::snprintf(text, sizeof text, "%3d %9.3lf %9.3lf %9.3lf%s", id, x, y, z, lineEnd);
    runRecords.push_back(record);

#ifndef _WIN32
    // A log deleted or renamed meanwhile would swallow every later record:
    // points.txt is opened again by name instead.
    if (pointLog >= 0 && !Log_File_In_Place()) {
        std::fprintf(stderr, "%s was deleted or renamed; appending to a new %s\n", pointLogFile,
                     pointLogFile);
        close(pointLog);
        Open_Point_Log();
    }
#endif

    if (pointLog < 0)
        Retry_Point_Log();
    if (pointLog < 0) {
        Report_Unwritten_Point(id, openFailure);
        std::snprintf(reason, size, "not open: %s", openFailure);
        return false;
    }
    // Each record goes to the disk at once, so that a killed or crashed
    // program, or a power cut, loses no recorded point.
    errno = 0;
    const bool locked = Lock_Log();
    const bool written = locked && Write_Record(&runRecords.back(), text);
    const int error = errno;
    if (locked)
        Unlock();
    if (!written) {
        std::snprintf(reason, size, "%s",
                      error == EAGAIN ? "locked by another program" : std::strerror(error));
        Report_Unwritten_Point(id, reason);
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
    // Checked under the lock, so that no other copy of the program can write
    // between the check and the cut.
    const bool locked = pointLog >= 0 && Lock_Log();
    FileIdentity now;
    const bool same = locked && Log_File_In_Place() && Open_Log_Identity(&now) &&
                      now.volume == record.file.volume && now.index == record.file.index;
    std::vector<char> stored(record.bytes.size());
    const long long after = record.before + static_cast<long long>(record.bytes.size());
    const bool untouched = same && now.size == after &&
                           Read_Named_Log(now, record.before, stored.data(), stored.size()) &&
                           std::memcmp(stored.data(), record.bytes.data(), stored.size()) == 0;
    if (!untouched) {
        if (locked)
            Unlock();
        const char *what = pointLog >= 0 && !locked ? "is locked by another program"
                           : same                   ? "changed"
                                                    : "was deleted or replaced";
        std::snprintf(reason, size, "%s %s", pointLogFile, what);
        std::fprintf(stderr, "%s %s since point %d was written; nothing was taken back\n",
                     pointLogFile, what, id);
        return Take_Back_Refused;
    }
    errno = 0;
    const bool cut = Cut_Log(record.before) && Sync_Log();
    const int error = errno;
    Unlock();
    if (!cut) {
        std::snprintf(reason, size, "%s", std::strerror(error));
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
    if (pointLog < 0)
        return;
    errno = 0;
#ifdef _WIN32
    const bool closed = _close(pointLog) == 0;
#else
    const bool closed = close(pointLog) == 0;
#endif
    if (!closed)
        std::fprintf(stderr, "could not close %s: %s\n", pointLogFile, std::strerror(errno));
    pointLog = -1;
}
