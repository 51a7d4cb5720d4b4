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
// Where a client position of the main window lies on the screen, and moving
// the system pointer to a screen position, as ClientToScreen and
// SetCursorPos do. A pointer moved onto the window comes back as a pointer
// move message, as any other move does.
void Backend_Client_To_Screen(int clientX, int clientY, int *screenX, int *screenY);
void Backend_Move_Pointer(int screenX, int screenY);

// Provided by the core for the back end.
void Platform_Queue_Input(UINT message, WPARAM wParam, LPARAM lParam);
void Platform_Resize_Client(int clientWidth, int clientHeight);
void Platform_Invalidate_Client(int left, int top, int right, int bottom);
void Platform_Request_Close();
HWND Platform_Main_Window();
HICON Platform_Main_Window_Icon();
int Platform_Client_Width();
int Platform_Client_Height();
