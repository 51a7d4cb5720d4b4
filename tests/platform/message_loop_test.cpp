// Window creation, message order, closing and quitting, the pointer's display
// counter.
#include "window_fixture.h"

#include <algorithm>

using MessageLoopTest = HeadlessTest;

TEST_F(MessageLoopTest, InputQueuedBeforeTheWindowExistsArrivesBeforeTheFirstPaint)
{
    Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(300, 200));
    Headless_Queue_Input(WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(5, 6));
    Create_Main_Window();
    Pump_Until_Idle();

    std::vector<ReceivedMessage> seen;
    for (const ReceivedMessage &m : windowLog.messages)
        if (m.message == WM_MOUSEMOVE || m.message == WM_MOUSEWHEEL || m.message == WM_PAINT)
            seen.push_back(m);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].message, (UINT)WM_MOUSEMOVE);
    EXPECT_EQ(seen[0].lParam, MAKELPARAM(300, 200));
    EXPECT_EQ(seen[1].message, (UINT)WM_MOUSEWHEEL);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(seen[1].wParam), -120);
    EXPECT_EQ(seen[2].message, (UINT)WM_PAINT);
}

TEST_F(MessageLoopTest, PostedMessagesPrecedeInputWhichPrecedesPaint)
{
    HWND window = Create_Main_Window();
    Paint();
    windowLog.messages.clear();

    Headless_Invalidate(0, 0, 10, 10);
    Headless_Queue_Input(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    PostMessageA(window, WM_USER + 1, 0, 0);
    // The first paint request is left unanswered, so it must come again.
    int paints = 0;
    windowLog.handler = [&paints](HWND, UINT message, WPARAM, LPARAM) {
        return message == WM_PAINT && ++paints == 1;
    };
    Pump_Until_Idle();
    std::vector<UINT> expected = {WM_USER + 1, WM_LBUTTONUP, WM_MOUSEMOVE,
                                  WM_PAINT,    WM_PAINT,     WM_ERASEBKGND};
    EXPECT_EQ(Message_Numbers(), expected);
}

TEST_F(MessageLoopTest, ClientAreaIs1012By669UntilCloseDestroysTheWindowAndTheLoopQuits)
{
    HWND window = Create_Main_Window();
    ASSERT_EQ(Headless_Main_Window(), window);
    RECT client = {1, 1, 0, 0};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ((std::vector<LONG>{client.left, client.top, client.right, client.bottom}),
              (std::vector<LONG>{0, 0, 1012, 669}));
    Paint();
    windowLog.messages.clear();
    Headless_Request_Close();
    EXPECT_EQ(Run_Message_Loop(), 18u);
    std::vector<UINT> expected = {WM_CLOSE, WM_DESTROY, WM_NCDESTROY};
    EXPECT_EQ(Message_Numbers(), expected);
    EXPECT_EQ(Headless_Main_Window(), nullptr);
    EXPECT_FALSE(GetClientRect(window, &client));
}

TEST_F(MessageLoopTest, QuitCodeComesAfterPendingPostedMessages)
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

// When the idle handler has nothing more, the layer asks the window to close
// once; if the program still does not quit, the loop ends all the same.
TEST_F(MessageLoopTest, LoopEndsWhenTheIdleHandlerRunsDryEvenIfTheProgramNeverQuits)
{
    for (bool quits : {true, false}) {
        SCOPED_TRACE(quits);
        SetUp();
        Create_Main_Window();
        windowLog.quitOnDestroy = quits;
        windowLog.handler = [quits](HWND, UINT message, WPARAM, LPARAM) {
            return !quits && message == WM_CLOSE; // swallowed: the window stays
        };
        int calls = 0;
        Headless_Set_Idle_Handler(
            [](void *context) {
                int &n = *static_cast<int *>(context);
                if (++n > 2)
                    return false;
                Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(n, 0));
                return true;
            },
            &calls);
        EXPECT_EQ(Run_Message_Loop(), quits ? 18u : 0u);
        EXPECT_EQ(calls, 3);
        std::vector<UINT> numbers = Message_Numbers();
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), (UINT)WM_MOUSEMOVE), 2);
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), (UINT)WM_CLOSE), 1);
        EXPECT_EQ(Headless_Main_Window() == nullptr, quits);
    }
}

TEST_F(MessageLoopTest, ShowCursorMovesTheCounterByOnePerCallAndReturnsIt)
{
    const struct {
        BOOL show;
        int counter;
    } calls[] = {{FALSE, -1}, {FALSE, -2}, {TRUE, -1}, {TRUE, 0}, {TRUE, 1}};
    for (const auto &call : calls) {
        EXPECT_EQ(ShowCursor(call.show), call.counter);
        EXPECT_EQ(Headless_Cursor_Counter(), call.counter);
    }
}
