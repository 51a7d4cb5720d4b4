// The headless back end: no window on screen. Input comes from the caller.
#include "platform/backend.h"
#include "platform/headless.h"

namespace {

struct Headless {
    Headless_Idle_Handler handler = nullptr;
    void *context = nullptr;
    bool handlerDone = false;
    bool closeDelivered = false;
};

Headless headless;

} // namespace

bool Backend_Window_Created(const char *, int, int)
{
    // A new main window gets its own close request once input runs out.
    headless.closeDelivered = false;
    return true;
}

void Backend_Window_Destroyed() {}

void Backend_Poll() {}

bool Backend_Wait()
{
    if (!headless.handlerDone) {
        if (headless.handler != nullptr && headless.handler(headless.context))
            return true;
        headless.handlerDone = true;
    }
    if (!headless.closeDelivered && Platform_Main_Window() != nullptr) {
        headless.closeDelivered = true;
        Platform_Request_Close();
        return true;
    }
    return false;
}

void Backend_Present(const COLORREF *, int, int, const RECT *, int) {}

void Backend_Cursor_Changed(int) {}

// The screen is the client area: the pointer moved onto it comes back as a
// move there, as the system's own pointer move would.
void Backend_Client_To_Screen(int clientX, int clientY, int *screenX, int *screenY)
{
    *screenX = clientX;
    *screenY = clientY;
}

void Backend_Move_Pointer(int screenX, int screenY)
{
    if (screenX >= 0 && screenY >= 0 && screenX < Platform_Client_Width() &&
        screenY < Platform_Client_Height())
        Platform_Queue_Input(WM_MOUSEMOVE, 0, MAKELPARAM(screenX, screenY));
}

void Headless_Queue_Input(UINT message, WPARAM wParam, LPARAM lParam)
{
    Platform_Queue_Input(message, wParam, lParam);
}

void Headless_Set_Idle_Handler(Headless_Idle_Handler handler, void *context)
{
    headless.handler = handler;
    headless.context = context;
    headless.handlerDone = false;
}

void Headless_Resize(int clientWidth, int clientHeight)
{
    Platform_Resize_Client(clientWidth, clientHeight);
}

void Headless_Invalidate(int left, int top, int right, int bottom)
{
    Platform_Invalidate_Client(left, top, right, bottom);
}

void Headless_Request_Close()
{
    Platform_Request_Close();
}
