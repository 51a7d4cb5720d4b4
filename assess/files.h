// Files as the grading tool reads and writes them: only regular files are
// read (a FIFO would block the reading for good), lines of any length, and
// every refusal comes with the system's reason.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Whether a character separates a path's folders: on Windows either slash.
bool Is_Separator(char c);

// A file in the folder of another path.
std::string Beside(const std::string &path, const char *name);

// A file's bytes; false, with the reason, if it cannot be read.
bool Read_File(const std::string &path, std::string &bytes, std::string &reason);

// Writes the bytes as the whole file, the same on every system (no line-end
// translation); false, with the reason, if any write or the close fails.
bool Write_File(const std::string &path, const void *bytes, size_t size, std::string &reason);

// Creates the file with the bytes, never replacing one of that name; false,
// with the reason, if it exists already or any write or the close fails, and
// then nothing of it is left.
bool Create_File(const std::string &path, const void *bytes, size_t size, std::string &reason);

// A file read line by line, however long a line is: memory grows with the
// longest line, never with the number of lines.
struct LineFile {
    int fd = -1;
    std::vector<char> buffer;
    size_t at = 0, end = 0;
    const char *error = nullptr; // why reading stopped early, or nullptr
};

// Opens a regular file for Next_Line; false, with the reason, if it cannot.
bool Open_Line_File(LineFile &file, const std::string &path, std::string &reason);

// The next line without its line feed, bytes as they are (a NUL byte too);
// false at the end of the file or when reading fails (file.error).
bool Next_Line(LineFile &file, std::string &line);

void Close_Line_File(LineFile &file);
