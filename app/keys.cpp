// Keys for placing the mark to the pixel, setting its depth a column at a
// time, recording a point and taking the last one back, and turning
// automatic height on and off. Each but the last does what the mouse would:
// an arrow is a pointer move, Page Up and Page Down half a wheel notch, Space
// and Return a click.
#include "app/measure_window.h"

namespace {

constexpr int shiftedArrowStep = 10;
// In a key message's lParam: the key was already down (a repeat).
constexpr LPARAM keyWasDown = LPARAM(1) << 30;

bool Key_Down(int key)
{
    return GetKeyState(key) < 0;
}

} // namespace

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
