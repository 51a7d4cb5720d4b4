// qv_close_request WINDOW: asks an X window to close the way a window manager
// does when the user clicks its close box: a WM_PROTOCOLS client message with
// WM_DELETE_WINDOW. The program decides itself what to do with it; nothing is
// destroyed or killed from outside. WINDOW is an X window id (decimal or 0x
// hexadecimal). Exits 0 once the message is sent, 1 if the window does not
// take part in that protocol, 2 on a usage or display error.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool Takes_Delete_Window(Display *display, Window window, Atom deleteWindow)
{
    Atom *protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, window, &protocols, &count))
        return false;
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || protocols[i] == deleteWindow;
    XFree(protocols);
    return found;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: qv_close_request WINDOW\n");
        return 2;
    }
    char *end = nullptr;
    Window window = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0') {
        std::fprintf(stderr, "qv_close_request: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "qv_close_request: cannot open the display\n");
        return 2;
    }
    Atom protocolsAtom = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (!Takes_Delete_Window(display, window, deleteWindow)) {
        std::fprintf(stderr, "qv_close_request: window 0x%lx does not take WM_DELETE_WINDOW\n",
                     window);
        XCloseDisplay(display);
        return 1;
    }
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocolsAtom;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
