// The input queue under a flood: pointer moves coalesce into the newest
// position, while clicks, wheel notches and every other input keep their
// number and their order, each after the move that came before it.
#include "window_fixture.h"

#include <deque>
#include <string>

namespace {

struct Delivered {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Delivered &o) const
    {
        return message == o.message && wParam == o.wParam && lParam == o.lParam;
    }
};

std::ostream &operator<<(std::ostream &out, const Delivered &d)
{
    return out << "{" << d.message << ", " << d.wParam << ", " << LOWORD(d.lParam) << ","
               << HIWORD(d.lParam) << "}";
}

std::vector<Delivered> input;

bool Is_Input(UINT message)
{
    return message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONUP ||
           message == WM_MOUSEWHEEL;
}

LRESULT CALLBACK Input_Window_Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Is_Input(message))
        input.push_back({message, wParam, lParam});
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

void Create_Input_Window()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Input_Window_Proc;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "InputTest";
    RegisterClassExA(&windowClass);
    CreateWindowExA(0, "InputTest", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                    CW_USEDEFAULT, 1024, 700, nullptr, nullptr, nullptr, nullptr);
}

// Bursts handed to the window layer by the idle handler, one burst each time
// the message loop runs dry, as a back end turns all waiting events into
// input at once.
std::deque<std::vector<Delivered>> bursts;

bool Queue_Next_Burst(void *)
{
    if (bursts.empty())
        return false;
    for (const Delivered &d : bursts.front())
        Headless_Queue_Input(d.message, d.wParam, d.lParam);
    bursts.pop_front();
    return true;
}

// Runs the message loop until the bursts are delivered and the window closed.
void Run_Bursts()
{
    Headless_Set_Idle_Handler(Queue_Next_Burst, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
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
        input.clear();
        bursts.clear();
    }
};

// The messages a burst should reach the window as: every input that is not a
// move, each preceded by the last move sent before it (if any came since the
// input before), and the burst's last move if it ends with moves.
std::vector<Delivered> Coalesced(const std::vector<Delivered> &burst)
{
    std::vector<Delivered> expected;
    for (size_t i = 0; i < burst.size(); i++)
        if (burst[i].message != WM_MOUSEMOVE || i + 1 == burst.size() ||
            burst[i + 1].message != WM_MOUSEMOVE)
            expected.push_back(burst[i]);
    return expected;
}

TEST_F(InputQueueTest, AFloodOfMovesKeepsEveryClickAndNotchAfterItsOwnMove)
{
    // 40 bursts of 3,000 moves each, with clicks and wheel notches at
    // irregular places between them, some right behind one another.
    std::vector<Delivered> expected;
    int clicks = 0, notches = 0;
    unsigned random = 12345;
    for (int b = 0; b < 40; b++) {
        std::vector<Delivered> burst;
        for (int i = 0; i < 3000; i++) {
            random = random * 1103515245u + 12345u;
            burst.push_back(Move((int)(random >> 8) % 900 + 10, (int)(random >> 18) % 620 + 10));
            if (random % 37 == 0) {
                burst.push_back(random % 2 ? Forward : Back);
                notches++;
            }
            if (random % 211 == 0) {
                burst.push_back(Down);
                burst.push_back(Up);
                clicks++;
            }
            if (random % 997 == 0) {
                burst.push_back(Forward);
                notches++;
            }
        }
        const std::vector<Delivered> part = Coalesced(burst);
        expected.insert(expected.end(), part.begin(), part.end());
        bursts.push_back(burst);
    }
    Create_Input_Window();
    Run_Bursts();

    ASSERT_GT(notches, 3000);
    ASSERT_GT(clicks, 400);
    int clicksSeen = 0, notchesSeen = 0;
    for (const Delivered &d : input) {
        clicksSeen += d.message == WM_LBUTTONUP;
        notchesSeen += d.message == WM_MOUSEWHEEL;
    }
    EXPECT_EQ(clicksSeen, clicks);
    EXPECT_EQ(notchesSeen, notches);
    // Order and positions, every message as expected.
    EXPECT_EQ(input.size(), expected.size());
    EXPECT_EQ(input, expected);
    // At most one move between any two other inputs, and within a burst at
    // most one in a row; a burst may end with a move and the next start with one.
    for (size_t i = 2; i < input.size(); i++)
        EXPECT_FALSE(input[i].message == WM_MOUSEMOVE && input[i - 1].message == WM_MOUSEMOVE &&
                     input[i - 2].message == WM_MOUSEMOVE)
            << "three moves in a row at " << i;
}

TEST_F(InputQueueTest, MovesWithOtherButtonsHeldOrAlreadyTakenAreNotMerged)
{
    // A move while the button is down differs from one before it; the moves
    // either side of a wheel notch or a click stay apart.
    bursts.push_back({Move(10, 10), Move(11, 11), Down, Move(12, 12, MK_LBUTTON),
                      Move(13, 13, MK_LBUTTON), Move(14, 14), Up, Move(15, 15), Move(16, 16),
                      Forward, Back, Move(17, 17), Move(18, 18)});
    bursts.push_back({Move(19, 19), Move(20, 20)});
    bursts.push_back({Move(21, 21)});
    Create_Input_Window();
    Run_Bursts();
    EXPECT_EQ(input, (std::vector<Delivered>{Move(11, 11), Down, Move(13, 13, MK_LBUTTON),
                                             Move(14, 14), Up, Move(16, 16), Forward, Back,
                                             Move(18, 18), Move(20, 20), Move(21, 21)}));
}

TEST_F(InputQueueTest, MovesQueuedBeforeTheWindowExistsCoalesceToTheNewestPosition)
{
    // Moves queued before the window exists coalesce as well; the message
    // carries the newest position in its lParam and its pt.
    for (int i = 0; i < 100000; i++)
        Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(i % 1000, i % 600));
    Headless_Queue_Input(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    Headless_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(400, 300));
    Create_Input_Window();
    std::vector<MSG> taken;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (Is_Input(msg.message))
            taken.push_back(msg);
        DispatchMessageA(&msg);
    }
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].lParam, MAKELPARAM(99999 % 1000, 99999 % 600));
    EXPECT_EQ((std::pair{taken[0].pt.x, taken[0].pt.y}), (std::pair<LONG, LONG>{999, 99999 % 600}));
    EXPECT_EQ(taken[1].message, (UINT)WM_MOUSEWHEEL);
    EXPECT_EQ((std::pair{taken[2].pt.x, taken[2].pt.y}), (std::pair<LONG, LONG>{400, 300}));
    EXPECT_EQ(taken[2].hwnd, taken[1].hwnd);
}

} // namespace
