// Why the stereo image cannot be shown. The loader only says that it failed,
// so the file is looked at here: opened and read (the system's reason), then
// its header checked against what it declares and against the size limits.
#include "app/measure_window.h"
#include "platform/image_limits.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

// Enough for the file header and the start of any info header.
constexpr std::size_t headerBytes = 54;

// The reason last written to standard error; empty while the image loads.
char reportedProblem[imageProblemSize] = "";

// The header of a file that starts with "BM": the size it declares, or a
// reason why the file cannot be what it declares.
bool Check_Bmp_Header(const unsigned char *header, std::size_t got, int64_t fileSize, char *reason,
                      std::size_t size)
{
    // An OS/2 core header is 12 bytes; the others hold the compression at 30.
    const bool core = got >= 18 && Read_U32(header + 14) == 12;
    if (got < (core ? 26u : 34u)) {
        std::snprintf(reason, size, "truncated: only %d bytes", static_cast<int>(got));
        return false;
    }
    const int64_t width = core ? int64_t{Read_U16(header + 18)} : int32_t(Read_U32(header + 18));
    // The core header's sizes are unsigned 16-bit numbers: 0xFFFF is 65535 rows.
    int64_t height = core ? int64_t{Read_U16(header + 20)} : int32_t(Read_U32(header + 22));
    height = height < 0 ? -height : height;
    if (width > Max_Extent || height > Max_Extent || width * height > Max_Pixels) {
        std::snprintf(reason, size,
                      "too large: %lld by %lld pixels; the limit is %lld pixels, %lld a side",
                      static_cast<long long>(width), static_cast<long long>(height),
                      static_cast<long long>(Max_Pixels), static_cast<long long>(Max_Extent));
        return true;
    }
    if (fileSize > Max_File_Size) {
        std::snprintf(reason, size, "too large: %lld bytes; the limit is %lld bytes",
                      static_cast<long long>(fileSize), static_cast<long long>(Max_File_Size));
        return true;
    }
    // The size in the file header, or what uncompressed rows need, if more.
    int64_t declared = Read_U32(header + 2);
    const int64_t bitCount = Read_U16(header + (core ? 24 : 28));
    const bool knownDepth = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                            bitCount == 24 || bitCount == 32;
    if (knownDepth && width > 0 && (core || Read_U32(header + 30) == 0)) {
        const int64_t rowBytes = (width * bitCount + 31) / 32 * 4;
        const int64_t rowsEnd = Read_U32(header + 10) + rowBytes * height;
        declared = rowsEnd > declared ? rowsEnd : declared;
    }
    if (fileSize >= 0 && fileSize < declared)
        std::snprintf(reason, size, "truncated: %lld of the %lld bytes its header declares",
                      static_cast<long long>(fileSize), static_cast<long long>(declared));
    else
        std::snprintf(reason, size, "unsupported or damaged BMP");
    return false;
}

} // namespace

bool Find_Image_Problem(char *reason, std::size_t size)
{
    errno = 0;
    FILE *file = std::fopen(stereoImageFile, "rb");
    if (file == nullptr) {
        std::snprintf(reason, size, "%s", std::strerror(errno));
        return false;
    }
    unsigned char header[headerBytes];
    errno = 0;
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    const int readError = std::ferror(file) ? errno : 0;
    int64_t fileSize = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        fileSize = std::ftell(file);
    std::fclose(file);

    if (readError != 0) {
        std::snprintf(reason, size, "%s", std::strerror(readError));
        return false;
    }
    if (got == 0) {
        std::snprintf(reason, size, "the file is empty");
        return false;
    }
    if (got < 2 || header[0] != 'B' || header[1] != 'M') {
        std::snprintf(reason, size, "not a BMP file");
        return false;
    }
    return Check_Bmp_Header(header, got, fileSize, reason, size);
}

void Show_Image_Problem(const char *reason)
{
    // Once per reason on standard error, not on every repaint.
    if (std::strcmp(reason, reportedProblem) != 0) {
        std::fprintf(stderr, "could not load the stereo image %s: %s\n", stereoImageFile, reason);
        std::snprintf(reportedProblem, sizeof reportedProblem, "%s", reason);
    }
    char line[imageProblemSize + 64];
    int length = std::snprintf(line, sizeof line,
                               "The stereo image %s could not be loaded:", stereoImageFile);
    TextOutA(windowDC, pictureLeft + 10, pictureTop + 10, line, length);
    length = std::snprintf(line, sizeof line, "%s.", reason);
    TextOutA(windowDC, pictureLeft + 10, pictureTop + 30, line, length);
}

void Forget_Image_Problem()
{
    reportedProblem[0] = '\0';
}
