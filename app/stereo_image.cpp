// Why the stereo image cannot be shown. The loader only says that it failed,
// so the file is looked at here: opened and read (the system's reason), then
// its header read as the loader reads it, and the verdict put into words.
#include "app/measure_window.h"
#include "platform/bmp_header.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#define getcwd _getcwd
#define O_NONBLOCK 0 // nothing on Windows makes opening a file wait
#define open _open
#define read(file, into, size) _read(file, into, static_cast<unsigned>(size))
#define close _close
#else
#include <unistd.h>
#define O_BINARY 0
#endif

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

const char notRegular[] = "not a regular file";

// The reason last written to standard error; empty while the image loads.
char reportedProblem[imageProblemSize] = "";

// Puts into `reason` the words for a header's verdict; true for a file larger
// than the program accepts.
bool Describe_Verdict(BmpVerdict verdict, const BmpHeader &header, char *reason, std::size_t size)
{
    switch (verdict) {
    case Bmp_Not_Bmp:
        std::snprintf(reason, size, "not a BMP file");
        return false;
    case Bmp_Too_Large:
        if (Bmp_Too_Many_Pixels(header))
            std::snprintf(reason, size,
                          "too large: %lld by %lld pixels; the limit is %lld pixels, %lld a side",
                          static_cast<long long>(header.width),
                          static_cast<long long>(Bmp_Rows(header)),
                          static_cast<long long>(Max_Pixels), static_cast<long long>(Max_Extent));
        else
            std::snprintf(reason, size, "too large: %lld bytes; the limit is %lld bytes",
                          static_cast<long long>(header.fileSize),
                          static_cast<long long>(Max_File_Size));
        return true;
    case Bmp_Truncated:
        if (header.declaredSize < 0) {
            std::snprintf(reason, size, "truncated: only %d bytes",
                          static_cast<int>(header.bytesRead));
            return false;
        }
        break;
    case Bmp_Good: // the header is sound, yet the loader refused the file
    case Bmp_Unsupported:
        break;
    }
    if (header.fileSize >= 0 && header.fileSize < header.declaredSize)
        std::snprintf(reason, size, "truncated: %lld of the %lld bytes its header declares",
                      static_cast<long long>(header.fileSize),
                      static_cast<long long>(header.declaredSize));
    else
        std::snprintf(reason, size, "unsupported or damaged BMP");
    return false;
}

} // namespace

bool Find_Image_Problem(char *reason, std::size_t size)
{
    // Opened without waiting on it: a FIFO or a device in the image's place is
    // refused at once, and not handed to the loader.
    errno = 0;
    const int file = open(stereoImageFile, O_RDONLY | O_BINARY | O_NONBLOCK);
    if (file < 0) {
        std::snprintf(reason, size, "%s", errno == ENXIO ? notRegular : std::strerror(errno));
        return errno == ENXIO;
    }
    struct stat info;
    const bool examined = fstat(file, &info) == 0;
    if (!examined || !S_ISREG(info.st_mode)) {
        const bool directory = examined && S_ISDIR(info.st_mode);
        close(file);
        std::snprintf(reason, size, "%s", directory ? std::strerror(EISDIR) : notRegular);
        return !directory;
    }
    unsigned char start[Bmp_Header_Bytes];
    errno = 0;
    const long got = read(file, start, sizeof start);
    const int readError = got < 0 ? errno : 0;
    close(file);

    if (readError != 0) {
        std::snprintf(reason, size, "%s", std::strerror(readError));
        return false;
    }
    if (got == 0) {
        std::snprintf(reason, size, "the file is empty");
        return false;
    }
    BmpHeader header;
    return Describe_Verdict(
        Read_Bmp_Header(start, static_cast<std::size_t>(got), info.st_size, &header), header,
        reason, size);
}

void Show_Image_Problem(const char *reason)
{
    // The folder it was looked for in: the working directory, which a
    // program started from a menu may not have made plain.
    char folder[1024];
    if (getcwd(folder, sizeof folder) == nullptr)
        std::snprintf(folder, sizeof folder, "the working directory");
    // Once per reason on standard error, not on every repaint.
    if (std::strcmp(reason, reportedProblem) != 0) {
        std::fprintf(stderr, "could not load the stereo image %s in %s: %s\n", stereoImageFile,
                     folder, reason);
        std::snprintf(reportedProblem, sizeof reportedProblem, "%s", reason);
    }
    char line[imageProblemSize + 64];
    int length = std::snprintf(line, sizeof line,
                               "The stereo image %s could not be loaded:", stereoImageFile);
    TextOutA(windowDC, pictureLeft + 10, pictureTop + 10, line, length);
    length = std::snprintf(line, sizeof line, "%s.", reason);
    TextOutA(windowDC, pictureLeft + 10, pictureTop + 30, line, length);
    char place[sizeof folder + 32];
    length = std::snprintf(place, sizeof place, "It was looked for in %s.", folder);
    TextOutA(windowDC, pictureLeft + 10, pictureTop + 50, place, length);
}

void Forget_Image_Problem()
{
    reportedProblem[0] = '\0';
}
