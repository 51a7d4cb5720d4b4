// The measurement window: start-up and message loop, painting, the floating
// mark, the measurement interaction and the point log.
//
// Everything runs on the one thread of the message loop, one message at a
// time, over the process-wide records below.
#pragma once

#include "app/program_names.h"
#include "app/window_layout.h"
#include "platform/desktop.h"

#include <cstddef>
#include <cstdio>

// Exit status after the window has been closed.
constexpr int normalExitCode = 18;

// The cells of one half of the floating mark, relative to its centre: a
// diagonal cross of markReach pixels each way, arms three pixels thick.
constexpr bool In_Mark_Shape(int dx, int dy)
{
    return (dx - dy <= 1 && dy - dx <= 1) || (dx + dy <= 1 && -(dx + dy) <= 1);
}
constexpr int Mark_Shape_Size()
{
    int cells = 0;
    for (int dx = -markReach; dx <= markReach; ++dx)
        for (int dy = -markReach; dy <= markReach; ++dy)
            cells += In_Mark_Shape(dx, dy) ? 1 : 0;
    return cells;
}
constexpr int markPixelCount = Mark_Shape_Size();

struct MarkStateRecord {
    int pointerX; // last pointer position inside the measurement area
    int pointerY;
    int leftOffset;  // column offset of the left-eye (red) half from pointerX
    int rightOffset; // column offset of the right-eye (cyan) half
    int freshPaint;  // 1: the next pointer move draws without restoring first
    int cursorShown; // 1: the system pointer was last made visible
    COLORREF leftColour;
    COLORREF rightColour;
    COLORREF savedLeftPixels[markPixelCount];
    COLORREF savedRightPixels[markPixelCount];
};

// Automatic height: while on, every pointer move inside the measurement area
// sets the mark's parallax by matching the two views of the picture that the
// last paint loaded.
enum AutoHeightLine {
    Auto_Line_None,     // blank, or nothing at all if never drawn
    Auto_Line_On,       // "auto": on, nothing matched yet
    Auto_Line_Match,    // "auto r 0.93": the last match and its coefficient
    Auto_Line_No_Match, // "no match": the parallax was left as it was
    Auto_Line_Off,      // "auto off": a depth step by hand ended the mode
};

struct AutoHeightRecord {
    int on;
    int line;           // an AutoHeightLine: what the readout shows
    double coefficient; // of the last match
};

extern MarkStateRecord MarkState;
extern AutoHeightRecord AutoHeight;
extern HDC windowDC;
extern double objectX, objectY, objectZ;
// The parallax, in columns, that the last measurement was made with.
extern int measuredParallax;
extern int pointId;
// The point log's file descriptor, -1 while it is not open.
extern int pointLog;

extern int markShapeDx[markPixelCount];
extern int markShapeDy[markPixelCount];
extern const int markContrastThreshold;

// Start-up, window procedure, painting and shutdown.
LRESULT CALLBACK Measure_Window_Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT Handle_Paint(HWND window);
LRESULT Handle_Destroy();

// Measurement interaction: the pointer, the wheel, the click that records a
// point, taking it back, and automatic height.
void Handle_Pointer_Move(unsigned x, unsigned y);
void Handle_Wheel(unsigned wheelWord);
void Measure_At_Mark();
void Record_Point();
void Take_Back_Point();
// Depth by one column: one half moves, toward the other or away from it.
void Change_Parallax_By_Column(bool narrow);
// Whether the pointer was ever inside the measurement area: before, the mark
// has no position.
bool Mark_Ever_Inside();
// Turns automatic height on (matching at the mark at once) or off; a depth
// step by hand turns it off too.
void Toggle_Auto_Height();

// Keys: those that place the mark, record and take back points, and turn
// automatic height on and off; false for a key left to the default handling.
// flags is the key message's lParam.
bool Handle_Key(HWND window, WPARAM key, LPARAM flags);
// A pointer move message that only reports where a key sent the system
// pointer; such a move is not measured again.
bool Pointer_Move_Echo(unsigned x, unsigned y);

// The picture automatic height matches on: every paint keeps the one it
// loaded (null when none could be), and Match_Offsets_At gives the offsets at
// which the mark rests on its surface at a client position, or false when
// nothing matched there.
void Keep_Match_Picture(HBITMAP bitmap);
bool Match_Offsets_At(int x, int y, int *leftOffset, int *rightOffset, double *coefficient);

// The readout beside the picture. A notice about a point (one that could not
// be saved, was taken back, or was recorded unseen) stands below it, headed
// "point N" unless id is 0, and comes back with every readout until another
// notice replaces it or it is cleared. Lines whose text changes length are
// drawn across the readout's full width, so that nothing of an earlier line
// stays beside a shorter one.
void Write_Readout();
void Write_Point_Number();
// The line of automatic height below the notice: what AutoHeight.line says,
// or blanks over an earlier line, or nothing.
void Write_Auto_Height_Line();
void Show_Notice(int id, const char *text);
void Clear_Notice();

// The stereo image. Find_Image_Problem looks at the file and gives the reason
// why it cannot be shown (a generic one if nothing is found wrong); it returns
// true for a file that is then not loaded at all: one larger than the program
// accepts, or one that is no regular file (a FIFO would make loading wait).
constexpr std::size_t imageProblemSize = 160;
bool Find_Image_Problem(char *reason, std::size_t size);
// Shows the reason in the picture area and, once per reason, on standard error.
void Show_Image_Problem(const char *reason);
void Forget_Image_Problem();

// Floating mark.
void Init_Mark_Shape();
void Save_Mark_Pixels();
void Restore_Mark_Pixels();
void Adapt_Mark_Colours();
void Draw_Mark_Pixels();

// Point log. Append_Point_Record writes one record and makes it durable; when
// it could not, it says so on standard error, puts the reason in a few words
// into `reason` and returns false. Take_Back_Record takes back the point `id`
// if it is the newest this run recorded, saved or not, and the file still
// ends with its record exactly as written; otherwise it removes nothing and
// says why, on standard error and in `reason`.
enum TakeBack { Take_Back_Done, Take_Back_Refused, Take_Back_Nothing };
void Open_Point_Log();
bool Append_Point_Record(int id, double x, double y, double z, char *reason, std::size_t size);
TakeBack Take_Back_Record(int id, char *reason, std::size_t size);
void Close_Point_Log();
