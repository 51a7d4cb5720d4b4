// A main window as the program creates it, a window procedure that records
// what it receives, and the message loop, for tests on the headless back end.
#pragma once

#include "main_window.h"
#include "platform/headless.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct WindowLog {
    std::vector<ReceivedMessage> messages;
    // Called before default handling; returning true skips it.
    std::function<bool(HWND, UINT, WPARAM, LPARAM)> handler;
    bool quitOnDestroy = true;
};

inline WindowLog windowLog;

inline LRESULT CALLBACK Recording_Window_Proc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam)
{
    windowLog.messages.push_back(ReceivedMessage{message, wParam, lParam});
    if (windowLog.handler && windowLog.handler(window, message, wParam, lParam))
        return 0;
    if (message == WM_DESTROY && windowLog.quitOnDestroy) {
        PostQuitMessage(18);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

inline HWND Create_Main_Window()
{
    return Create_Program_Window(Recording_Window_Proc, "QuorVane", "Quor Vane");
}

// Runs the loop to its end and returns the quit message's parameter.
inline WPARAM Run_Message_Loop()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
    return msg.wParam;
}

// Delivers messages until nothing is left but what the idle handler would
// bring: the handler then posts a marker thread message that ends the pump.
inline void Pump_Until_Idle()
{
    constexpr UINT idleMarker = WM_USER + 77;
    Headless_Set_Idle_Handler([](void *) { return PostMessageA(nullptr, idleMarker, 0, 0) != 0; },
                              nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) && msg.message != idleMarker)
        DispatchMessageA(&msg);
    Headless_Set_Idle_Handler(nullptr, nullptr);
}

// Pumps until idle, answering every WM_PAINT with BeginPaint, draw, EndPaint;
// returns the context BeginPaint gave (null when there was no paint).
inline HDC Paint(const std::function<void(HDC, const PAINTSTRUCT &)> &draw = nullptr)
{
    HDC dc = nullptr;
    windowLog.handler = [&](HWND window, UINT message, WPARAM, LPARAM) {
        if (message != WM_PAINT)
            return false;
        PAINTSTRUCT paint;
        dc = BeginPaint(window, &paint);
        if (draw)
            draw(dc, paint);
        EndPaint(window, &paint);
        return true;
    };
    Pump_Until_Idle();
    windowLog.handler = nullptr;
    return dc;
}

inline std::vector<UINT> Message_Numbers()
{
    std::vector<UINT> numbers;
    for (const ReceivedMessage &m : windowLog.messages)
        numbers.push_back(m.message);
    return numbers;
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
