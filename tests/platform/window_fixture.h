// A 1024 by 700 overlapped window with its own device context (client area
// 1012 by 669), a window procedure that records what it receives, and a
// message pump, for tests of the window-system layer on the headless back end.
#pragma once

#include "platform/headless.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

inline std::vector<UINT> received;
// Called before default handling; returning true skips it. Unset, every
// WM_PAINT is answered with BeginPaint and EndPaint.
inline std::function<bool(HWND, UINT)> handler;
inline HDC painted = nullptr;  // what the last such BeginPaint gave
inline HWND created = nullptr; // what the last Create_Main_Window created

inline LRESULT CALLBACK Recording_Window_Proc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam)
{
    received.push_back(message);
    if (handler && handler(window, message))
        return 0;
    if (!handler && message == WM_PAINT) {
        PAINTSTRUCT paint;
        painted = BeginPaint(window, &paint);
        return EndPaint(window, &paint) ? 0 : 1;
    }
    if (message == WM_DESTROY)
        PostQuitMessage(18);
    return message == WM_DESTROY ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

// Delivers messages until nothing is left but what the idle handler would
// bring: the handler then posts a marker thread message that ends the pump.
inline HDC Pump()
{
    constexpr UINT idleMarker = WM_USER + 77;
    Headless_Set_Idle_Handler([](void *) { return PostMessageA(nullptr, idleMarker, 0, 0) != 0; },
                              nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) && msg.message != idleMarker)
        DispatchMessageA(&msg);
    Headless_Set_Idle_Handler(nullptr, nullptr);
    return painted;
}

inline HDC Create_Main_Window()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = Recording_Window_Proc;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "LayerTest";
    RegisterClassExA(&windowClass);
    created = CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, "LayerTest", "",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 1024,
                              700, nullptr, nullptr, nullptr, nullptr);
    return Pump();
}

class HeadlessTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        Inspect_Reset();
        received.clear();
        handler = nullptr;
    }
    void TearDown() override { Inspect_Reset(); }
};
