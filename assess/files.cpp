#include "files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_NONBLOCK
#define O_NONBLOCK 0 // Windows has no FIFOs to block on
#endif

namespace {

// Why a file of the given mode cannot be read, or nullptr: only a regular
// file holds a log or an image.
const char *Not_Regular(unsigned mode)
{
    if (S_ISDIR(mode))
        return std::strerror(EISDIR);
    return S_ISREG(mode) ? nullptr : "not a regular file";
}

// The file opened for reading, or -1 with the reason. It is looked at before
// it is opened, opened without waiting for a writer, and looked at again, as
// it may have been replaced meanwhile.
int Open_Regular(const std::string &path, std::string &reason)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        reason = std::strerror(errno);
        return -1;
    }
    if (const char *why = Not_Regular(info.st_mode)) {
        reason = why;
        return -1;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_BINARY | O_NONBLOCK);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    const char *why = fstat(fd, &info) != 0 ? std::strerror(errno) : Not_Regular(info.st_mode);
    if (why == nullptr)
        return fd;
    close(fd);
    reason = why;
    return -1;
}

// Reads more of the file into its buffer, after what is left of it.
bool Fill(LineFile &file)
{
    if (file.at > 0) {
        std::memmove(file.buffer.data(), file.buffer.data() + file.at, file.end - file.at);
        file.end -= file.at;
        file.at = 0;
    }
    if (file.end == file.buffer.size())
        file.buffer.resize(2 * file.buffer.size());
    const size_t room = file.buffer.size() - file.end;
    const auto got = read(file.fd, file.buffer.data() + file.end,
                          static_cast<unsigned>(room < (1u << 30) ? room : 1u << 30));
    if (got < 0)
        file.error = std::strerror(errno);
    if (got <= 0)
        return false;
    file.end += static_cast<size_t>(got);
    return true;
}

} // namespace

bool Is_Separator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

std::string Beside(const std::string &path, const char *name)
{
    size_t end = path.size();
    while (end > 0 && !Is_Separator(path[end - 1]))
        --end;
    return path.substr(0, end) + name;
}

bool Read_File(const std::string &path, std::string &bytes, std::string &reason)
{
    LineFile file;
    if (!Open_Line_File(file, path, reason))
        return false;
    while (Fill(file)) {
    }
    bytes.assign(file.buffer.data(), file.end);
    const char *error = file.error;
    Close_Line_File(file);
    if (error != nullptr)
        reason = error;
    return error == nullptr;
}

bool Write_File(const std::string &path, const void *bytes, size_t size, std::string &reason)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        reason = std::strerror(errno);
        return false;
    }
    errno = 0;
    const bool written = std::fwrite(bytes, 1, size, f) == size;
    int error = errno;
    const bool closed = std::fclose(f) == 0;
    if (written && closed)
        return true;
    if (written)
        error = errno;
    reason = std::strerror(error != 0 ? error : EIO);
    return false;
}

bool Create_File(const std::string &path, const void *bytes, size_t size, std::string &reason)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_BINARY, 0644);
    int error = fd < 0 ? errno : 0;
    for (size_t done = 0; error == 0 && done < size;) {
        const size_t left = size - done < (1u << 30) ? size - done : 1u << 30;
        const auto got =
            write(fd, static_cast<const char *>(bytes) + done, static_cast<unsigned>(left));
        if (got <= 0)
            error = got < 0 ? errno : EIO;
        else
            done += static_cast<size_t>(got);
    }
    if (fd >= 0 && close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0)
        return true;
    if (fd >= 0)
        std::remove(path.c_str());
    reason = std::strerror(error);
    return false;
}

bool Open_Line_File(LineFile &file, const std::string &path, std::string &reason)
{
    file = LineFile();
    file.fd = Open_Regular(path, reason);
    file.buffer.resize(1 << 16);
    return file.fd >= 0;
}

bool Next_Line(LineFile &file, std::string &line)
{
    size_t scanned = file.at;
    for (;;) {
        const void *found = std::memchr(file.buffer.data() + scanned, '\n', file.end - scanned);
        if (found != nullptr) {
            const size_t stop = static_cast<const char *>(found) - file.buffer.data();
            line.assign(file.buffer.data() + file.at, stop - file.at);
            file.at = stop + 1;
            return true;
        }
        scanned = file.end - file.at;
        if (!Fill(file))
            break;
    }
    // The last line, without a line feed.
    if (file.error != nullptr || file.at == file.end)
        return false;
    line.assign(file.buffer.data() + file.at, file.end - file.at);
    file.at = file.end;
    return true;
}

void Close_Line_File(LineFile &file)
{
    if (file.fd >= 0)
        close(file.fd);
    file.fd = -1;
}
