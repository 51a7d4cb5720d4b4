// The input queue under a flood: pointer moves coalesce into the newest
// position, while clicks, wheel notches and every other input keep their
// number and their order, each after the move that came before it, and a
// move already taken is never replaced.
#include "window_fixture.h"

#include <deque>
#include <tuple>

namespace {

using Delivered = std::tuple<UINT, WPARAM, LPARAM>; // message, wParam, lParam
std::deque<std::vector<Delivered>> bursts;

// Creates the window and runs the message loop until it is closed, giving
// the pointer and wheel messages it took.
std::vector<MSG> Take_Input()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Recording_Window_Proc;
    windowClass.lpszClassName = "InputTest";
    RegisterClassExA(&windowClass);
    CreateWindowExA(0, "InputTest", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                    CW_USEDEFAULT, 1024, 700, nullptr, nullptr, nullptr, nullptr);
    std::vector<MSG> taken;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONDOWN ||
            msg.message == WM_LBUTTONUP || msg.message == WM_MOUSEWHEEL)
            taken.push_back(msg);
        DispatchMessageA(&msg);
    }
    return taken;
}

// Hands the bursts to the window layer one each time the message loop runs
// dry, as a back end turns all waiting events into input at once, and gives
// what was delivered once the window closed.
std::vector<Delivered> Run_Bursts()
{
    Headless_Set_Idle_Handler(
        [](void *) {
            if (bursts.empty())
                return false;
            for (const auto &[message, wParam, lParam] : bursts.front())
                Headless_Queue_Input(message, wParam, lParam);
            bursts.pop_front();
            return true;
        },
        nullptr);
    std::vector<Delivered> input;
    for (const MSG &msg : Take_Input())
        input.emplace_back(msg.message, msg.wParam, msg.lParam);
    return input;
}

Delivered Move(int x, int y, WPARAM buttons = 0)
{
    return {WM_MOUSEMOVE, buttons, MAKELPARAM(x, y)};
}
const Delivered Up = {WM_LBUTTONUP, 0, MAKELPARAM(5, 6)};
const Delivered Down = {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6)};
const Delivered Forward = {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(7, 8)};
const Delivered Back = {WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-WHEEL_DELTA), MAKELPARAM(7, 8)};

class InputQueueTest : public HeadlessTest {
  protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        bursts.clear();
    }
};

TEST_F(InputQueueTest, MovesWithOtherButtonsHeldOrAlreadyTakenAreNotMerged)
{
    // A move while the button is down differs from one before it; the moves
    // either side of a wheel notch or a click stay apart.
    bursts.push_back({Move(10, 10), Move(11, 11), Down, Move(12, 12, MK_LBUTTON),
                      Move(13, 13, MK_LBUTTON), Move(14, 14), Up, Move(15, 15), Move(16, 16),
                      Forward, Back, Move(17, 17), Move(18, 18)});
    bursts.push_back({Move(19, 19), Move(20, 20)});
    bursts.push_back({Move(21, 21)});
    EXPECT_EQ(Run_Bursts(), (std::vector<Delivered>{Move(11, 11), Down, Move(13, 13, MK_LBUTTON),
                                                    Move(14, 14), Up, Move(16, 16), Forward, Back,
                                                    Move(18, 18), Move(20, 20), Move(21, 21)}));
}

TEST_F(InputQueueTest, AFloodOfMovesQueuedBeforeTheWindowExistsCoalescesToTheNewestPosition)
{
    // The message carries the newest position in its lParam and its pt.
    for (int i = 0; i < 100000; i++)
        Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(i % 1000, i % 600));
    Headless_Queue_Input(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(400, 300));
    const std::vector<MSG> taken = Take_Input();
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].lParam, MAKELPARAM(999, 99999 % 600));
    EXPECT_EQ((std::pair{taken[0].pt.x, taken[0].pt.y}), (std::pair<LONG, LONG>{999, 99999 % 600}));
    EXPECT_EQ(taken[1].message, (UINT)WM_MOUSEWHEEL);
    EXPECT_EQ((std::pair{taken[2].pt.x, taken[2].pt.y}), (std::pair<LONG, LONG>{400, 300}));
    EXPECT_EQ(taken[2].hwnd, taken[1].hwnd);
}

} // namespace
