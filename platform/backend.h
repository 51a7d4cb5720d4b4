// The seam between the shared window system and the back end linked with it.
// Exactly one back end provides the Backend_ routines; the core provides the
// Platform_ routines for the back end to call.
#pragma once

#include "platform/desktop.h"

// Implemented by the back end.
// The main window is being created; false when it cannot be shown (the back
// end has said why on standard error), which makes its creation fail.
bool Backend_Window_Created(const char *title, int clientWidth, int clientHeight);
void Backend_Window_Destroyed();
// Turns events that are already waiting into messages; never blocks.
void Backend_Poll();
// Nothing is left to deliver: wait for more. Returns false when nothing more
// will ever come, which ends the message loop.
bool Backend_Wait();
// Drawing since the last presentation is kept as at most this many rectangles.
constexpr int Max_Changed_Parts = 4;
// Shows the main window's client framebuffer; only the `count` rectangles of
// `changed`, all within the client area, differ from what was shown before.
void Backend_Present(const COLORREF *pixels, int width, int height, const RECT *changed, int count);
void Backend_Cursor_Changed(int counter);
// Text drawn into a window's device context, as TextOutA was given it.
void Backend_Text_Drawn(int x, int y, const char *text, int length);

// Provided by the core for the back end.
void Platform_Queue_Input(UINT message, WPARAM wParam, LPARAM lParam);
void Platform_Resize_Client(int clientWidth, int clientHeight);
void Platform_Invalidate_Client(int left, int top, int right, int bottom);
void Platform_Request_Close();
HWND Platform_Main_Window();
HICON Platform_Main_Window_Icon();
// The class style of the main window; 0 while there is none.
UINT Platform_Main_Window_Class_Style();
COLORREF Platform_Client_Pixel(int x, int y);
int Platform_Client_Width();
int Platform_Client_Height();
int Platform_Cursor_Counter();
int Platform_Show_Cursor_Calls();
// Device contexts and GDI objects (other than stock objects) not yet deleted.
int Platform_Live_Dcs();
int Platform_Live_Gdi_Objects();
void Platform_Reset();
