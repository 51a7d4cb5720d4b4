// A 1024 by 700 overlapped window with its own device context (client area
// 1012 by 669), a window procedure that records what it receives, and the
// message loop, for tests of the window-system layer on the headless back end.
#pragma once

#include "platform/headless.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

struct WindowLog {
    std::vector<MSG> messages;
    // Called before default handling; returning true skips it.
    std::function<bool(HWND, UINT, WPARAM, LPARAM)> handler;
};

inline WindowLog windowLog;

inline LRESULT CALLBACK Recording_Window_Proc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam)
{
    windowLog.messages.push_back(MSG{window, message, wParam, lParam, 0, {}});
    if (windowLog.handler && windowLog.handler(window, message, wParam, lParam))
        return 0;
    if (message == WM_DESTROY)
        PostQuitMessage(18);
    return message == WM_DESTROY ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

inline HWND Create_Main_Window()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = Recording_Window_Proc;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "LayerTest";
    RegisterClassExA(&windowClass);
    return CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, "LayerTest", "",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 1024,
                           700, nullptr, nullptr, nullptr, nullptr);
}

// Delivers messages until nothing is left but what the idle handler would
// bring: the handler then posts a marker thread message that ends the pump.
// Every WM_PAINT is answered with BeginPaint, draw, EndPaint; returns the
// context BeginPaint gave (null when there was no paint).
inline HDC Paint(const std::function<void(HDC, const PAINTSTRUCT &)> &draw = nullptr)
{
    HDC dc = nullptr;
    if (!windowLog.handler)
        windowLog.handler = [&](HWND window, UINT message, WPARAM, LPARAM) {
            PAINTSTRUCT paint;
            if (message != WM_PAINT)
                return false;
            dc = BeginPaint(window, &paint);
            if (draw)
                draw(dc, paint);
            EndPaint(window, &paint);
            return true;
        };
    constexpr UINT idleMarker = WM_USER + 77;
    Headless_Set_Idle_Handler([](void *) { return PostMessageA(nullptr, idleMarker, 0, 0) != 0; },
                              nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) && msg.message != idleMarker)
        DispatchMessageA(&msg);
    Headless_Set_Idle_Handler(nullptr, nullptr);
    windowLog.handler = nullptr;
    return dc;
}

class HeadlessTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        Headless_Reset();
        windowLog = WindowLog();
    }
    void TearDown() override { Headless_Reset(); }
};
