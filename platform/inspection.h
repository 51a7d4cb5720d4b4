// What tests, benchmarks and the replay runner read back from the window
// system: the main window's client area as the program drew it, the system
// pointer's display counter, the text drawn, and the device contexts and GDI
// objects still alive. Part of the layer's core, so it is the same whichever
// back end is linked.
#pragma once

#include "platform/desktop.h"

#include <string>
#include <vector>

// Null before the main window is created and after it is destroyed.
HWND Inspect_Main_Window();
// The class style the main window was created with; 0 while there is none.
UINT Inspect_Main_Window_Class_Style();

// The main window's client framebuffer, kept after the window is destroyed;
// CLR_INVALID outside it.
COLORREF Inspect_Client_Pixel(int x, int y);
int Inspect_Client_Width();
int Inspect_Client_Height();
// Writes the client area as a 24-bit BMP; false when it could not.
bool Inspect_Save_Client_Bmp(const char *path);

// ShowCursor's display counter and the number of ShowCursor calls so far.
int Inspect_Cursor_Counter();
int Inspect_Show_Cursor_Calls();

// Where SetCursorPos last sent the system pointer, in screen coordinates;
// false while it never did.
bool Inspect_Pointer_Moved_To(int *x, int *y);

// Every TextOutA into a window's device context since the last call, in
// order, whether or not anything of it could be drawn.
struct DrawnText {
    int x, y;
    std::string text;
};
std::vector<DrawnText> Inspect_Take_Text_Calls();

// Device contexts and GDI objects (stock objects aside) not yet deleted.
int Inspect_Live_Dcs();
int Inspect_Live_Gdi_Objects();

// Forgets all windows, classes, queues, counters and the font with its
// rasterised characters: a fresh process state.
void Inspect_Reset();
