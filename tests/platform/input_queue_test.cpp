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

// Hands the bursts to the window layer one each time the message loop runs
// dry, as a back end turns all waiting events into input at once, and gives
// the pointer's, buttons' and wheel's messages delivered until the window closed.
std::vector<Delivered> Run_Bursts()
{
    Create_Main_Window();
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
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONDOWN ||
            msg.message == WM_LBUTTONUP || msg.message == WM_MOUSEWHEEL)
            input.emplace_back(msg.message, msg.wParam, msg.lParam);
        DispatchMessageA(&msg);
    }
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

using InputQueueTest = HeadlessTest;

TEST_F(InputQueueTest, MovesWithOtherButtonsHeldOrAlreadyTakenAreNotMerged)
{
    // A move while the button is down differs from one before it; the moves
    // either side of a wheel notch or a click stay apart.
    bursts = {{Move(10, 10), Move(11, 11), Down, Move(12, 12, MK_LBUTTON), Move(13, 13, MK_LBUTTON),
               Move(14, 14), Up, Move(15, 15), Move(16, 16), Forward, Back, Move(17, 17),
               Move(18, 18)},
              {Move(19, 19), Move(20, 20)},
              {Move(21, 21)}};
    EXPECT_EQ(Run_Bursts(), (std::vector<Delivered>{Move(11, 11), Down, Move(13, 13, MK_LBUTTON),
                                                    Move(14, 14), Up, Move(16, 16), Forward, Back,
                                                    Move(18, 18), Move(20, 20), Move(21, 21)}));
}

} // namespace
