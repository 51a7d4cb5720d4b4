// Registers a window class the way the program does (own device context,
// repaint on resize, white background) and creates its 1024 by 700 overlapped
// main window, for the layer's tests, fuzz target and benchmark.
#pragma once

#include "platform/desktop.h"

inline HWND Create_Program_Window(WNDPROC procedure, const char *className, const char *title)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = className;
    RegisterClassExA(&windowClass);
    return CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, className, title,
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 1024,
                           700, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}
