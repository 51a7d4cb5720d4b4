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

// Pixels in one half of the floating mark: a diagonal cross of markReach
// pixels each way from its centre, arms three pixels thick.
constexpr int markPixelCount = 45;

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

extern MarkStateRecord MarkState;
extern HDC windowDC;
extern double objectX, objectY, objectZ;
extern int pointId;
extern FILE *pointLog;

extern int markShapeDx[markPixelCount];
extern int markShapeDy[markPixelCount];
extern const int markContrastThreshold;

// Start-up, window procedure, painting and shutdown.
LRESULT CALLBACK Measure_Window_Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT Handle_Paint(HWND window);
LRESULT Handle_Destroy();

// Measurement interaction: the pointer, the wheel and the click that records
// a point.
void Handle_Pointer_Move(unsigned x, unsigned y);
void Handle_Wheel(unsigned wheelWord);
void Measure_At_Mark();
void Record_Point();

// The readout beside the picture. The warning about a point that could not be
// saved stands below it, and comes back with every readout, until it is
// cleared.
void Write_Readout();
void Write_Point_Number();
void Show_Unsaved_Point(int id, const char *reason);
void Clear_Unsaved_Point();

// The stereo image. Find_Image_Problem looks at the file and gives the reason
// why it cannot be shown (a generic one if nothing is found wrong); it returns
// true only for a file larger than the program accepts, which is then not
// loaded at all.
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

// Point log. Append_Point_Record writes one record and makes sure it left the
// program; when it could not, it says so on standard error, puts the reason in
// a few words into `reason` and returns false.
void Open_Point_Log();
bool Append_Point_Record(int id, double x, double y, double z, char *reason, std::size_t size);
void Close_Point_Log();
