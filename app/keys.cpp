// Keys for placing the mark to the pixel, setting its depth a column at a
// time, recording a point and taking the last one back, and turning
// automatic height on and off. Each but the last does what the mouse would:
// an arrow is a pointer move, Page Up and Page Down half a wheel notch, Space
// and Return a click.
#include "app/measure_window.h"

#include <deque>

namespace {

constexpr int shiftedArrowStep = 10;
// In a key message's lParam: the key was already down (a repeat).
constexpr LPARAM keyWasDown = LPARAM(1) << 30;

bool Key_Down(int key)
{
    return GetKeyState(key) < 0;
}

// Where arrow keys sent the system pointer, oldest first, that the window
// system has not yet reported back. It reports every such move as a pointer
// move message, in order, but under a burst of keys it may report one only
// after the program has handled many more keys, and it merges moves that
// follow one another into the newest. So a move to one of these positions
// answers it and every older one, and is not measured: measured, it would
// throw the mark back to where an earlier key had put it. Nothing older than
// the newest answered position can still come, and a move to anywhere else
// is the hand's, after which the window system reports where the hand put the
// pointer: the list is emptied then, so the hand takes over at once. The list
// is not cut at any length: a burst of any length is answered in full.
std::deque<POINT> pointerEchoes;

int Clamp(int value, int low, int high)
{
    return value < low ? low : value > high ? high : value;
}

// Moves the mark from its last position as a pointer move there would,
// within the measurement area, and the system pointer with it.
void Move_Mark_By(HWND window, int dx, int dy)
{
    if (!Mark_Ever_Inside())
        return;
    POINT target = {Clamp(MarkState.pointerX + dx, areaLeft, areaRight),
                    Clamp(MarkState.pointerY + dy, areaTop, areaBottom)};
    Handle_Pointer_Move(static_cast<unsigned>(target.x), static_cast<unsigned>(target.y));
    // Held against an edge, a key would send the pointer where it was just
    // sent: nothing moves, and nothing comes back.
    if (!pointerEchoes.empty() && pointerEchoes.back().x == target.x &&
        pointerEchoes.back().y == target.y)
        return;
    pointerEchoes.push_back(target);
    ClientToScreen(window, &target);
    SetCursorPos(target.x, target.y);
}

} // namespace

bool Pointer_Move_Echo(unsigned x, unsigned y)
{
    for (auto echo = pointerEchoes.begin(); echo != pointerEchoes.end(); ++echo)
        if (static_cast<unsigned>(echo->x) == x && static_cast<unsigned>(echo->y) == y) {
            pointerEchoes.erase(pointerEchoes.begin(), echo + 1);
            return true;
        }
    pointerEchoes.clear();
    return false;
}

bool Handle_Key(HWND window, WPARAM key, LPARAM flags)
{
    const int step = Key_Down(VK_SHIFT) ? shiftedArrowStep : 1;
    switch (key) {
    case VK_LEFT:
        Move_Mark_By(window, -step, 0);
        return true;
    case VK_RIGHT:
        Move_Mark_By(window, step, 0);
        return true;
    case VK_UP:
        Move_Mark_By(window, 0, -step);
        return true;
    case VK_DOWN:
        Move_Mark_By(window, 0, step);
        return true;
    case VK_PRIOR:
        Change_Parallax_By_Column(true);
        return true;
    case VK_NEXT:
        Change_Parallax_By_Column(false);
        return true;
    case VK_SPACE:
    case VK_RETURN:
        Record_Point();
        return true;
    case VK_BACK:
        Take_Back_Point();
        return true;
    case 'A':
        if (Key_Down(VK_CONTROL))
            return false;
        // A held key repeats; the mode changes only when it goes down.
        if ((flags & keyWasDown) == 0)
            Toggle_Auto_Height();
        return true;
    case 'Z':
        if (!Key_Down(VK_CONTROL))
            return false;
        Take_Back_Point();
        return true;
    default:
        return false;
    }
}
