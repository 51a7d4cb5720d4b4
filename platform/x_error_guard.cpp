// SDL wakes its own wait for events by sending a message to the window over a
// second connection to the X server. When the window closes, that message can
// reach the server after the window is gone, and Xlib's default handling of
// the resulting error ends the process with status 1 instead of the program's
// own. That one error is harmless and is passed over; every other error goes
// to the handler that was there before.
#include "platform/x_error_guard.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace {

XErrorHandler previousHandler = nullptr;

int Pass_Over_Late_Messages(Display *display, XErrorEvent *error)
{
    if (error->request_code == X_SendEvent && error->error_code == BadWindow)
        return 0;
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

} // namespace

void Guard_Against_Late_X_Messages()
{
    // Before SDL starts, so that SDL's own handler passes errors on to this one.
    if (previousHandler == nullptr)
        previousHandler = XSetErrorHandler(Pass_Over_Late_Messages);
}
