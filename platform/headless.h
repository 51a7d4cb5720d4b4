// The headless back end: no window on screen. The caller supplies the input,
// and reads back what the program drew through platform/inspection.h.
#pragma once

#include "platform/desktop.h"
#include "platform/inspection.h"

// Input addressed to the main window (the first top-level window created), delivered in
// order before any pending WM_PAINT, as hardware input is. May be called before the window
// exists; it is then delivered once the window exists. As on Windows, a WM_MOUSEMOVE queued
// right behind a WM_MOUSEMOVE not yet delivered, with the same wParam, replaces it: the window
// gets one move at the newest position. Every other message is delivered as queued.
void Headless_Queue_Input(UINT message, WPARAM wParam, LPARAM lParam);

// From now on input waits in the back end and reaches the program a few
// messages at a time (a move right behind an undelivered move merging into
// it), and each move of the system pointer that the program makes comes back
// as a pointer move only after `messages` more input messages, behind the
// moves still coming back: a window system under a burst of input. 0, the
// default, delivers input and moves at once.
void Headless_Set_Echo_Lag(int messages);

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
