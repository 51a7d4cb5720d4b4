// The headless back end: no window on screen; the caller supplies the input and
// reads back what the program drew.
#pragma once

#include "platform/desktop.h"

#include <string>
#include <vector>

// Input addressed to the main window (the first top-level window created), delivered in
// order before any pending WM_PAINT, as hardware input is. May be called before the window
// exists; it is then delivered once the window exists. As on Windows, a WM_MOUSEMOVE queued
// right behind a WM_MOUSEMOVE not yet delivered, with the same wParam, replaces it: the window
// gets one move at the newest position. Every other message is delivered as queued.
void Headless_Queue_Input(UINT message, WPARAM wParam, LPARAM lParam);

// Called by GetMessageA whenever it has nothing to deliver (no posted message, no queued
// input, no pending paint). The handler may queue input, resize, invalidate or request a
// close, and returns true; it returns false when it has nothing more. Then the layer delivers
// WM_CLOSE to the main window once; if the program still does not quit and nothing is left,
// GetMessageA returns 0 so that nothing ever hangs.
using Headless_Idle_Handler = bool (*)(void *context);
void Headless_Set_Idle_Handler(Headless_Idle_Handler handler, void *context);

// Changes the client size; the whole client area becomes invalid (CS_HREDRAW|CS_VREDRAW).
// Before the main window exists it sets the size the window will be created with.
void Headless_Resize(int clientWidth, int clientHeight);
// Part of the window uncovered (right/bottom exclusive).
void Headless_Invalidate(int left, int top, int right, int bottom);
// Queues WM_CLOSE like the close box.
void Headless_Request_Close();
// Null before creation and after destruction.
HWND Headless_Main_Window();
// The class style the main window was created with; 0 while there is none.
UINT Headless_Main_Window_Class_Style();
// The main window's client framebuffer (kept after the window is destroyed); CLR_INVALID
// outside it.
COLORREF Headless_Client_Pixel(int x, int y);
int Headless_Client_Width();
int Headless_Client_Height();
// Writes the client area as a 24-bit BMP.
bool Headless_Save_Client_Bmp(const char *path);
// ShowCursor's display counter and the number of ShowCursor calls so far.
int Headless_Cursor_Counter();
int Headless_Show_Cursor_Calls();
// Every TextOutA into a window's device context since the last call, in order,
// whether or not anything of it could be drawn.
struct Headless_Text {
    int x, y;
    std::string text;
};
std::vector<Headless_Text> Headless_Take_Text_Calls();
// Device contexts and GDI objects (stock objects aside) that are not deleted.
int Headless_Live_Dcs();
int Headless_Live_Gdi_Objects();
// Forgets all windows, classes, queues, handlers, counters and the font with its
// rasterised characters: a fresh process state.
void Headless_Reset();
