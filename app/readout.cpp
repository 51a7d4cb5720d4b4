// Everything the window shows beside the picture: the point number, X, Y and
// Z of the last measurement, and below them the warning about a point that
// could not be saved. It only draws; the measurement and the point log tell
// it what to show.
#include "app/measure_window.h"

#include <cstring>

namespace {

// Large enough for "X %9.3lf " of any double, the largest finite one included.
const int readoutLineSize = 400;

void Draw_Readout_Line(int row, const char *format, double value)
{
    char line[readoutLineSize];
    int length = std::snprintf(line, sizeof line, format, value);
    TextOutA(windowDC, readoutColumn, row, line, length);
}

// The number of the last point that could not be saved, 0 once a later one
// is; while it is not 0 the warning stands below the readout.
int unsavedPointId = 0;
// Why that point was not saved, in a few words.
char unsavedReason[120] = "";

// The warning: "point N", "NOT saved:", then the reason wrapped into lines
// that fit the readout column, one below the other.
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

} // namespace

void Write_Point_Number()
{
    char line[readoutLineSize];
    int length = std::snprintf(line, sizeof line, "ID %3d ", pointId);
    TextOutA(windowDC, readoutColumn, readoutIdRow, line, length);
}

void Write_Readout()
{
    Write_Point_Number();
    Draw_Readout_Line(readoutXRow, "X %9.3lf ", objectX);
    Draw_Readout_Line(readoutYRow, "Y %9.3lf ", objectY);
    Draw_Readout_Line(readoutZRow, "Z %9.3lf ", objectZ);
    if (unsavedPointId != 0)
        Write_Unsaved_Point();
}

void Show_Unsaved_Point(int id, const char *reason)
{
    unsavedPointId = id;
    std::snprintf(unsavedReason, sizeof unsavedReason, "%s", reason);
    Write_Unsaved_Point();
}

void Clear_Unsaved_Point()
{
    if (unsavedPointId == 0)
        return;
    Blank_Warning_Lines(0);
    unsavedPointId = 0;
}
