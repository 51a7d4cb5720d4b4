// What tests, benchmarks and the replay runner read back from the headless
// back end: the main window's client area as it was last presented, the text
// lines it shows, the system pointer's display counter and where it was sent,
// and the device contexts and GDI objects still alive. Nothing of it is in a
// program that shows a real window.
#pragma once

#include "platform/desktop.h"

#include <string>

// Null before the main window is created and after it is destroyed.
HWND Inspect_Main_Window();
// The class style the main window was created with; 0 while there is none.
UINT Inspect_Main_Window_Class_Style();

// The main window's client area as last presented (messages are presented
// when none is left to deliver, and when the window is destroyed), kept
// after the window is gone; CLR_INVALID outside it.
COLORREF Inspect_Client_Pixel(int x, int y);
int Inspect_Client_Width();
int Inspect_Client_Height();
// Writes the client area as a 24-bit BMP; false when it could not.
bool Inspect_Save_Client_Bmp(const char *path);

// ShowCursor's display counter: the pointer shows while it is 0 or more.
int Inspect_Cursor_Counter();

// Where SetCursorPos last sent the system pointer, in screen coordinates;
// false while it never did.
bool Inspect_Pointer_Moved_To(int *x, int *y);

// The text that the client area shows from (x, y) to its right edge, read
// off its pixels in the layer's font, one line of Inspect_Text_Height() rows
// from y down; trailing blanks are dropped. Where the pixels are not the
// cells of characters (a character drawn over part of another, a picture),
// the text ends with "?".
std::string Inspect_Text_At(int x, int y);
int Inspect_Text_Height();

// Device contexts and GDI objects (stock objects aside) not yet deleted.
int Inspect_Live_Dcs();
int Inspect_Live_Gdi_Objects();

// Forgets all windows, classes, queues, counters and the font with its
// rasterised characters: a fresh process state.
void Inspect_Reset();
