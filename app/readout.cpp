// Everything the window shows beside the picture: the point number, X, Y and
// Z of the last measurement and the parallax, below them a notice about a
// point, and below that the line of automatic height. It only draws; the
// measurement and the point log tell it what to show.
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

// A line whose text changes its length is drawn followed by blanks to the
// readout's full width: the text is drawn on an opaque background, so the
// blanks cover whatever a longer line left, in any font whose blank is at
// least narrowestBlank pixels wide.
constexpr int narrowestBlank = 3;
constexpr int fullWidthColumns = (readoutWidth + narrowestBlank - 1) / narrowestBlank;

void Draw_Full_Width_Line(int row, const char *text, int length)
{
    char line[readoutLineSize];
    length = std::snprintf(line, sizeof line, "%-*.*s", fullWidthColumns, length, text);
    if (length >= static_cast<int>(sizeof line))
        length = static_cast<int>(sizeof line) - 1;
    TextOutA(windowDC, readoutColumn, row, line, length);
}

// The notice below the readout: the number of the point it is about (0 for
// none), and what it says of it.
int noticePointId = 0;
char noticeText[160] = "";
bool noticeShown = false;

// Whether the line of automatic height shows anything.
bool autoLineDrawn = false;

// The notice: "point N", then its text wrapped into lines that fit the
// readout column, one below the other.
constexpr std::size_t noticeColumns = 10;
// Lines drawn for the last notice, to be blanked when it goes.
int noticeLinesDrawn = 0;

void Draw_Notice_Line(int index, const char *text, int length)
{
    Draw_Full_Width_Line(noticeTop + noticeLineHeight * index, text, length);
}

// Blanks the notice's lines from the given one on.
void Blank_Notice_Lines(int first)
{
    for (int i = first; i < noticeLinesDrawn; i++)
        Draw_Notice_Line(i, "", 0);
    noticeLinesDrawn = first;
}

void Write_Notice()
{
    int lines = 0;
    if (noticePointId != 0) {
        char line[40];
        int length = std::snprintf(line, sizeof line, "point %d", noticePointId);
        Draw_Notice_Line(lines++, line, length);
    }
    // Greedy word wrap; a word longer than a line stands alone.
    const char *word = noticeText;
    while (*word != '\0' && lines < noticeMaxLines) {
        std::size_t end = std::strcspn(word, " ");
        while (word[end] == ' ' && end + 1 + std::strcspn(word + end + 1, " ") <= noticeColumns)
            end += 1 + std::strcspn(word + end + 1, " ");
        Draw_Notice_Line(lines++, word, static_cast<int>(end));
        word += end;
        while (*word == ' ')
            word++;
    }
    Blank_Notice_Lines(lines); // what a longer earlier notice left
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
    char line[40] = "";
    switch (AutoHeight.line) {
    case Auto_Line_None:
        if (!autoLineDrawn)
            return;
        break;
    case Auto_Line_On:
        std::snprintf(line, sizeof line, "auto");
        break;
    case Auto_Line_Match:
        std::snprintf(line, sizeof line, "auto r %4.2f", AutoHeight.coefficient);
        break;
    case Auto_Line_No_Match:
        std::snprintf(line, sizeof line, "no match");
        break;
    case Auto_Line_Off:
        std::snprintf(line, sizeof line, "auto off");
        break;
    }
    Draw_Full_Width_Line(autoHeightRow, line, static_cast<int>(std::strlen(line)));
    autoLineDrawn = AutoHeight.line != Auto_Line_None;
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
    Blank_Notice_Lines(0);
    noticeShown = false;
}
