// Everything the window shows beside the picture: the point number, X, Y and
// Z of the last measurement, below them the warning about a point that could
// not be saved, and below that the line of automatic height. It only draws; the measurement and the
// point log tell it what to show.
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

// The notice below the readout: the number of the point it is about (0 for
// none), and what it says of it.
int noticePointId = 0;
char noticeText[160] = "";
bool noticeShown = false;

// Whether the line of automatic height shows anything but blanks.
bool autoLineDrawn = false;

// The notice: "point N", then its text wrapped into lines that fit the
// readout column, one below the other.
constexpr std::size_t warningColumns = 10;
// Lines drawn for the last notice, to be blanked when it goes.
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

void Write_Notice()
{
    int lines = 0;
    if (noticePointId != 0) {
        char line[40];
        int length = std::snprintf(line, sizeof line, "point %d", noticePointId);
        Draw_Warning_Line(lines++, line, length);
    }
    // Greedy word wrap; a word longer than a line stands alone.
    const char *word = noticeText;
    while (*word != '\0' && lines < warningMaxLines) {
        std::size_t end = std::strcspn(word, " ");
        while (word[end] == ' ' && end + 1 + std::strcspn(word + end + 1, " ") <= warningColumns)
            end += 1 + std::strcspn(word + end + 1, " ");
        Draw_Warning_Line(lines++, word, static_cast<int>(end));
        word += end;
        while (*word == ' ')
            word++;
    }
    Blank_Warning_Lines(lines); // what a longer earlier notice left
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
    char line[readoutLineSize];
    int length = std::snprintf(line, sizeof line, "P %9d ", measuredParallax);
    TextOutA(windowDC, readoutColumn, readoutParallaxRow, line, length);
    if (noticeShown)
        Write_Notice();
    Write_Auto_Height_Line();
}

void Write_Auto_Height_Line()
{
    // Lines are padded to the longest, so that each covers the one before.
    char line[40];
    switch (AutoHeight.line) {
    case Auto_Line_None:
        if (!autoLineDrawn)
            return;
        std::snprintf(line, sizeof line, "%-11s", "");
        break;
    case Auto_Line_On:
        std::snprintf(line, sizeof line, "%-11s", "auto");
        break;
    case Auto_Line_Match:
        std::snprintf(line, sizeof line, "auto r %4.2f", AutoHeight.coefficient);
        break;
    case Auto_Line_No_Match:
        std::snprintf(line, sizeof line, "%-11s", "no match");
        break;
    case Auto_Line_Off:
        std::snprintf(line, sizeof line, "%-11s", "auto off");
        break;
    }
    TextOutA(windowDC, readoutColumn, autoHeightRow, line, static_cast<int>(std::strlen(line)));
    autoLineDrawn = AutoHeight.line != Auto_Line_None;
    // "auto off" says once that a depth step by hand ended the mode; the next
    // readout blanks it.
    if (AutoHeight.line == Auto_Line_Off)
        AutoHeight.line = Auto_Line_None;
}

void Show_Notice(int id, const char *text)
{
    noticePointId = id;
    std::snprintf(noticeText, sizeof noticeText, "%s", text);
    noticeShown = true;
    Write_Notice();
}

void Clear_Notice()
{
    if (!noticeShown)
        return;
    Blank_Warning_Lines(0);
    noticeShown = false;
}
