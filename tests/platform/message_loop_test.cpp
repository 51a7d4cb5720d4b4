// Window creation, message order, closing and quitting, the pointer's display
// counter.
#include "window_fixture.h"

using MessageLoopTest = HeadlessTest;

TEST_F(MessageLoopTest, ClientAreaIsWhatTheNativeFrameLeavesOf1024By700)
{
    HWND window = Create_Main_Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Headless_Main_Window(), window);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, 1012);
    EXPECT_EQ(client.bottom, 669);
    EXPECT_EQ(Headless_Client_Width(), 1012);
    EXPECT_EQ(Headless_Client_Height(), 669);
}

TEST_F(MessageLoopTest, InputQueuedBeforeTheWindowExistsArrivesBeforeTheFirstPaint)
{
    Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(300, 200));
    Headless_Queue_Input(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(5, 6));
    EXPECT_EQ(Headless_Main_Window(), nullptr);
    Create_Main_Window();
    Pump_Until_Idle();

    std::vector<ReceivedMessage> delivered;
    for (const ReceivedMessage &m : windowLog.messages)
        if (m.message == WM_MOUSEMOVE || m.message == WM_MOUSEWHEEL || m.message == WM_PAINT)
            delivered.push_back(m);
    ASSERT_EQ(delivered.size(), 3u);
    EXPECT_EQ(delivered[0].message, (UINT)WM_MOUSEMOVE);
    EXPECT_EQ(LOWORD(delivered[0].lParam), 300);
    EXPECT_EQ(HIWORD(delivered[0].lParam), 200);
    EXPECT_EQ(delivered[1].message, (UINT)WM_MOUSEWHEEL);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(delivered[1].wParam), -120);
    EXPECT_EQ(HIWORD(delivered[1].wParam), 65416);
    EXPECT_EQ(delivered[2].message, (UINT)WM_PAINT);
}

TEST_F(MessageLoopTest, PostedMessagesPrecedeInputWhichPrecedesPaint)
{
    HWND window = Create_Main_Window();
    Pump_Until_Idle();
    windowLog.messages.clear();

    Headless_Invalidate(0, 0, 10, 10);
    Headless_Queue_Input(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    PostMessageA(window, WM_USER + 1, 0, 0);
    Pump_Until_Idle();
    std::vector<UINT> expected = {WM_USER + 1, WM_LBUTTONUP, WM_MOUSEMOVE, WM_PAINT, WM_ERASEBKGND};
    EXPECT_EQ(Message_Numbers(), expected);
}

TEST_F(MessageLoopTest, PaintIsRequestedUntilTheWindowIsValidated)
{
    Create_Main_Window();
    int paints = 0;
    windowLog.handler = [&paints](HWND, UINT message, WPARAM, LPARAM) {
        // Leave the first paint request unanswered: it must come again.
        return message == WM_PAINT && ++paints == 1;
    };
    Pump_Until_Idle();
    EXPECT_EQ(paints, 2);
}

TEST_F(MessageLoopTest, CloseDestroysTheWindowAndTheQuitCodeEndsTheLoop)
{
    HWND window = Create_Main_Window();
    Pump_Until_Idle();
    Headless_Request_Close();
    EXPECT_EQ(Run_Message_Loop(), 18u);

    std::vector<UINT> tail(windowLog.messages.size() >= 3 ? 3 : 0);
    for (size_t i = 0; i < tail.size(); i++)
        tail[i] = windowLog.messages[windowLog.messages.size() - 3 + i].message;
    std::vector<UINT> expected = {WM_CLOSE, WM_DESTROY, WM_NCDESTROY};
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(Headless_Main_Window(), nullptr);
    RECT client;
    EXPECT_FALSE(GetClientRect(window, &client));
    // What the window showed stays readable after it is gone.
    EXPECT_EQ(Headless_Client_Width(), 1012);
    EXPECT_EQ(Headless_Client_Pixel(500, 300), 0x00FFFFFFu);
}

TEST_F(MessageLoopTest, QuitCodeIsReturnedAfterPendingPostedMessages)
{
    HWND window = Create_Main_Window();
    PostQuitMessage(7);
    PostMessageA(window, WM_USER + 5, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, (UINT)(WM_USER + 5));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(MessageLoopTest, IdleHandlerFeedsInputThenTheLayerClosesTheWindowOnce)
{
    struct Script {
        int calls = 0;
    } script;
    Create_Main_Window();
    Headless_Set_Idle_Handler(
        [](void *context) {
            Script *s = static_cast<Script *>(context);
            s->calls++;
            if (s->calls > 2)
                return false;
            Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(s->calls, 0));
            return true;
        },
        &script);
    EXPECT_EQ(Run_Message_Loop(), 18u);
    EXPECT_EQ(script.calls, 3);
    int moves = 0;
    int closes = 0;
    for (const ReceivedMessage &m : windowLog.messages) {
        moves += m.message == WM_MOUSEMOVE;
        closes += m.message == WM_CLOSE;
    }
    EXPECT_EQ(moves, 2);
    EXPECT_EQ(closes, 1);
}

TEST_F(MessageLoopTest, LoopEndsEvenWhenTheProgramNeverQuits)
{
    Create_Main_Window();
    // The window swallows the close request, and destruction would not quit.
    windowLog.quitOnDestroy = false;
    windowLog.handler = [](HWND, UINT message, WPARAM, LPARAM) { return message == WM_CLOSE; };
    EXPECT_EQ(Run_Message_Loop(), 0u);
    EXPECT_NE(Headless_Main_Window(), nullptr);
}

TEST_F(MessageLoopTest, ShowCursorMovesTheCounterByOnePerCall)
{
    EXPECT_EQ(Headless_Cursor_Counter(), 0);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(ShowCursor(TRUE), 1);
    EXPECT_EQ(Headless_Cursor_Counter(), 1);
    EXPECT_EQ(Headless_Show_Cursor_Calls(), 5);
    Headless_Reset();
    EXPECT_EQ(Headless_Cursor_Counter(), 0);
    EXPECT_EQ(Headless_Show_Cursor_Calls(), 0);
}

TEST_F(MessageLoopTest, ClassRegistrationAndSystemResources)
{
    Create_Main_Window();
    WNDCLASSEXA again = {};
    again.cbSize = sizeof again;
    again.lpfnWndProc = Recording_Window_Proc;
    again.lpszClassName = "quorvane"; // class names ignore case
    EXPECT_EQ(RegisterClassExA(&again), 0);
    EXPECT_EQ(
        CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    // The program carries no icon of its own.
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(32512)), nullptr);
}
