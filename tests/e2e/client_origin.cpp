// qv_client_origin: prints where the measurement window's client area lies on
// the screen, as "LEFT TOP WIDTH HEIGHT" in screen pixels, and exits 0; exits
// 1 if no such window exists yet. Under Wine the X window that carries the
// title also holds the frame and caption, so a driver that moves the pointer
// in screen coordinates needs the client area's own origin.
#include "app/program_names.h"

#include <windows.h>

#include <cstdio>

int main()
{
    HWND window = FindWindowA(windowClassName, windowTitle);
    if (window == nullptr || !IsWindowVisible(window))
        return 1;
    POINT origin = {0, 0};
    RECT client;
    if (!ClientToScreen(window, &origin) || !GetClientRect(window, &client))
        return 1;
    // A client rectangle's top-left is always (0, 0): its corner is its size.
    std::printf("%ld %ld %ld %ld\n", static_cast<long>(origin.x), static_cast<long>(origin.y),
                static_cast<long>(client.right), static_cast<long>(client.bottom));
    return 0;
}
