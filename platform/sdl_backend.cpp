// The SDL back end: the main window is a real resizable window. SDL events
// become window messages, and the client framebuffer is copied to the window
// whenever the message queue runs dry, only the part that changed. On a
// desktop scaled to k the window is k times the client size (display_scale.h).
#include "platform/backend.h"
#include "platform/display_scale.h"
#include "platform/program_icon.h"
#include "platform/x_error_guard.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>

#include <cstdio>
#include <string>

namespace {

struct SdlWindow {
    SDL_Window *window = nullptr;
    int cursorCounter = 0;
    int scale = 1;         // window pixels per client pixel, across and down
    bool pumping = false;  // SDL reads the window system's events for Backend_Poll or _Wait
    SDL_threadID thread{}; // the thread that runs the message loop
    Uint32 wakeType = 0;   // an event of this type in SDL's queue stands for input taken
    bool wakeQueued = false;
    // The X window and what drawing into it needs; display null when the
    // window is not an X window, and SDL shows the framebuffer itself.
    Display *display = nullptr;
    Window xWindow = 0;
    Visual *visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    // Parts of the window surface drawn but not yet sent to the screen, and
    // when parts were last sent.
    SDL_Rect pending[Max_Changed_Parts] = {};
    int pendingCount = 0;
    SDL_Surface *pendingSurface = nullptr;
    Uint32 lastSent = 0;
};

// Drawn parts go to the screen at most once in this many milliseconds. Under
// a flood of input the message queue runs dry after nearly every batch of
// events, and sending each batch's few changed parts at once costs more than
// handling the batch: the X server, busy with the flood, takes them slowly.
constexpr Uint32 Present_Interval = 10;

SdlWindow sdl;

WPARAM Button_State(Uint32 buttons)
{
    WPARAM state = 0;
    if (buttons & SDL_BUTTON_LMASK)
        state |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK)
        state |= MK_RBUTTON;
    if (buttons & SDL_BUTTON_MMASK)
        state |= MK_MBUTTON;
    return state;
}

// A window or screen position in client pixels, packed for a message.
LPARAM Client_Position(int x, int y)
{
    return MAKELPARAM(Window_To_Client(x, sdl.scale), Window_To_Client(y, sdl.scale));
}

// The virtual key of an SDL key, 0 for keys the program never sees. The
// keypad's Enter is the extended Return, as on Windows.
UINT Virtual_Key(const SDL_Keysym &key, bool *extended)
{
    *extended = false;
    if (key.sym >= SDLK_a && key.sym <= SDLK_z)
        return (UINT)('A' + (key.sym - SDLK_a));
    if (key.sym >= SDLK_0 && key.sym <= SDLK_9)
        return (UINT)('0' + (key.sym - SDLK_0));
    switch (key.sym) {
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_RETURN:
        return VK_RETURN;
    case SDLK_KP_ENTER:
        *extended = true;
        return VK_RETURN;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    default:
        return 0;
    }
}

void Translate_Key(const SDL_KeyboardEvent &event)
{
    bool extended = false;
    const UINT key = Virtual_Key(event.keysym, &extended);
    if (key == 0)
        return;
    // Repeat count 1; held down before for a repeat or a release.
    LPARAM flags = 1 | (extended ? LPARAM(1) << 24 : 0);
    if (event.type == SDL_KEYUP)
        flags |= LPARAM(3) << 30;
    else if (event.repeat)
        flags |= LPARAM(1) << 30;
    Platform_Queue_Input(event.type == SDL_KEYUP ? WM_KEYUP : WM_KEYDOWN, key, flags);
}

void Translate_Event(const SDL_Event &event)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        Translate_Key(event.key);
        break;
    case SDL_MOUSEMOTION:
        Platform_Queue_Input(WM_MOUSEMOVE, Button_State(event.motion.state),
                             Client_Position(event.motion.x, event.motion.y));
        break;
    case SDL_MOUSEWHEEL: {
        // One message of 120 units per notch, away from the user positive; the
        // pointer position travels in screen coordinates. Both come from what
        // SDL already holds: asking the X server (SDL_GetGlobalMouseState)
        // would cost a round trip for every notch, which under a flood of
        // input takes longer than the notches take to come.
        int notches = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            notches = -notches;
        int screenX = 0;
        int screenY = 0;
        SDL_GetWindowPosition(sdl.window, &screenX, &screenY);
#if SDL_VERSION_ATLEAST(2, 26, 0)
        WPARAM keys = Button_State(SDL_GetMouseState(nullptr, nullptr));
        screenX += event.wheel.mouseX;
        screenY += event.wheel.mouseY;
#else
        int windowX = 0;
        int windowY = 0;
        WPARAM keys = Button_State(SDL_GetMouseState(&windowX, &windowY));
        screenX += windowX;
        screenY += windowY;
#endif
        short delta = notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
        for (int i = 0; i < (notches > 0 ? notches : -notches); i++)
            Platform_Queue_Input(WM_MOUSEWHEEL, MAKEWPARAM(keys, delta),
                                 Client_Position(screenX, screenY));
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT)
            Platform_Queue_Input(event.type == SDL_MOUSEBUTTONUP ? WM_LBUTTONUP : WM_LBUTTONDOWN,
                                 Button_State(SDL_GetMouseState(nullptr, nullptr)),
                                 Client_Position(event.button.x, event.button.y));
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            Platform_Invalidate_Client(0, 0, Platform_Client_Width(), Platform_Client_Height());
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            Platform_Resize_Client(Window_To_Client(event.window.data1, sdl.scale),
                                   Window_To_Client(event.window.data2, sdl.scale));
            break;
        case SDL_WINDOWEVENT_CLOSE:
            Platform_Request_Close();
            break;
        default:
            break;
        }
        break;
    case SDL_QUIT:
        Platform_Request_Close();
        break;
    default:
        break;
    }
}

// SDL calls this for every event before it queues it. While SDL reads the
// window system's events for Backend_Poll or Backend_Wait, each event is
// turned into a message at once, in the order it came, and never queued:
// SDL's queue holds at most 65535 events and drops whatever comes while it
// is full, which a flood of pointer moves within one read would fill. The
// core queue keeps every click, notch and window event and coalesces the
// moves. A single wake event stays in SDL's queue, for SDL_WaitEvent to
// return; events that come at other times, or from other threads, are queued
// as usual and translated when the queue is emptied.
int SDLCALL Take_Event(void *, SDL_Event *event)
{
    if (!sdl.pumping || event->type == sdl.wakeType || event->type == SDL_POLLSENTINEL ||
        SDL_ThreadID() != sdl.thread)
        return 1;
    Translate_Event(*event);
    if (!sdl.wakeQueued) {
        SDL_Event wake = {};
        wake.type = sdl.wakeType;
        sdl.wakeQueued = SDL_PeepEvents(&wake, 1, SDL_ADDEVENT, 0, 0) == 1;
    }
    return 0;
}

// Translates the events in SDL's queue, in order, without reading more from
// the window system. Returns how many there were, the wake event aside.
int Empty_Queue()
{
    int translated = 0;
    SDL_Event events[64];
    int count = 0;
    while ((count = SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0)
        for (int i = 0; i < count; i++) {
            if (events[i].type == sdl.wakeType) {
                sdl.wakeQueued = false;
                continue;
            }
            Translate_Event(events[i]);
            translated++;
        }
    return translated;
}

// SDL_UpdateWindowSurfaceRects waits for the X server to answer after every
// update (XSync). While it waits, Xlib reads every event the server holds for
// the window into memory, which it never gives back: under a flood of input,
// with the server some way ahead, that is tens of megabytes at a time. The
// changed parts go to the X server by XPutImage instead, which needs no answer.
void Open_X_Drawing()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    XWindowAttributes attributes;
    if (!SDL_GetWindowWMInfo(sdl.window, &info) || info.subsystem != SDL_SYSWM_X11 ||
        !XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes))
        return;
    sdl.display = info.info.x11.display;
    sdl.xWindow = info.info.x11.window;
    sdl.visual = attributes.visual;
    sdl.depth = attributes.depth;
    sdl.gc = XCreateGC(sdl.display, sdl.xWindow, 0, nullptr);
}

void Close_X_Drawing()
{
    if (sdl.display != nullptr && sdl.gc != nullptr)
        XFreeGC(sdl.display, sdl.gc);
    sdl.display = nullptr;
    sdl.gc = nullptr;
}

// Sends the areas of the window surface to the X window; false when the
// surface's layout is not one XPutImage takes.
bool Put_Areas(SDL_Surface *surface, const SDL_Rect *areas, int count)
{
    if (sdl.display == nullptr || sdl.gc == nullptr || surface->format->BytesPerPixel != 4)
        return false;
    XImage *image = XCreateImage(sdl.display, sdl.visual, (unsigned)sdl.depth, ZPixmap, 0,
                                 static_cast<char *>(surface->pixels), (unsigned)surface->w,
                                 (unsigned)surface->h, 32, surface->pitch);
    if (image == nullptr)
        return false;
    for (int i = 0; i < count; i++)
        XPutImage(sdl.display, sdl.xWindow, sdl.gc, image, areas[i].x, areas[i].y, areas[i].x,
                  areas[i].y, (unsigned)areas[i].w, (unsigned)areas[i].h);
    XFlush(sdl.display);
    image->data = nullptr; // the pixels are the surface's
    XDestroyImage(image);
    return true;
}

// Adds an area to the parts still to send; when there are too many, all
// become their bounding box.
void Add_Pending(SDL_Surface *surface, const SDL_Rect &area)
{
    if (surface != sdl.pendingSurface) {
        sdl.pendingCount = 0; // a new surface: the core draws all of it again
        sdl.pendingSurface = surface;
    }
    if (sdl.pendingCount == Max_Changed_Parts) {
        for (int i = 1; i < sdl.pendingCount; i++)
            SDL_UnionRect(&sdl.pending[0], &sdl.pending[i], &sdl.pending[0]);
        sdl.pendingCount = 1;
    }
    sdl.pending[sdl.pendingCount++] = area;
}

void Send_Pending()
{
    SDL_Surface *surface = SDL_GetWindowSurface(sdl.window);
    if (sdl.pendingCount > 0 && surface != nullptr && surface == sdl.pendingSurface &&
        !Put_Areas(surface, sdl.pending, sdl.pendingCount))
        SDL_UpdateWindowSurfaceRects(sdl.window, sdl.pending, sdl.pendingCount);
    sdl.pendingCount = 0;
    sdl.lastSent = SDL_GetTicks();
}

// SDL asks the X server for the raw motion of every pointer device, for a
// relative mouse mode this program never uses: each move then comes twice,
// once as a raw event that Xlib and SDL decode and then drop. Under a flood
// of moves that doubles the work of keeping up. The window's own events stay.
void Stop_Raw_Pointer_Events()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdl.window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    Display *display = info.info.x11.display;
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error))
        return;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask = {XIAllMasterDevices, (int)sizeof bits, bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
}

// SDL's video drivers that draw into memory only: a window there is never seen.
bool Shows_Nothing(const char *driver)
{
    return driver == nullptr || SDL_strcasecmp(driver, "offscreen") == 0 ||
           SDL_strcasecmp(driver, "dummy") == 0 || SDL_strcasecmp(driver, "evdev") == 0;
}

// Starts SDL's video on a driver that shows windows: the one the user named in
// SDL_VIDEODRIVER, else the first of SDL's own list that starts. On failure
// `reason` says why, driver by driver.
bool Open_Video(std::string *reason)
{
    if (SDL_getenv("SDL_VIDEODRIVER") != nullptr) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            *reason = SDL_GetError();
    } else {
        for (int i = 0; i < SDL_GetNumVideoDrivers() && !SDL_WasInit(SDL_INIT_VIDEO); i++) {
            const char *driver = SDL_GetVideoDriver(i);
            if (Shows_Nothing(driver))
                continue;
            // Without a runtime folder no Wayland display can be reached, and
            // its library would say so on standard error before our message.
            const char *runtime = SDL_getenv("XDG_RUNTIME_DIR");
            if (SDL_strcasecmp(driver, "wayland") == 0 && (runtime == nullptr || *runtime == 0)) {
                *reason += (reason->empty() ? "" : "; ") +
                           std::string("wayland not available (XDG_RUNTIME_DIR not set)");
                continue;
            }
            SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
                *reason += (reason->empty() ? "" : "; ") + std::string(SDL_GetError());
        }
        if (reason->empty())
            *reason = "no video driver that shows windows";
    }
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return false;
    if (Shows_Nothing(SDL_GetCurrentVideoDriver())) {
        *reason = std::string("video driver ") + SDL_GetCurrentVideoDriver() + " shows no window";
        SDL_Quit();
        return false;
    }
    return true;
}

} // namespace

bool Backend_Window_Created(const char *title, int clientWidth, int clientHeight)
{
    if (sdl.window != nullptr)
        return false;
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // SDL grabs the pointer at every button press and lets it go at the
    // release, each a round trip to the X server; under a flood of input the
    // events that arrive while it waits pile up in Xlib's queue. The X server
    // already sends the window the pointer's events while a button it was
    // pressed in is held.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    // Present through the plain window-system framebuffer: the OpenGL path
    // costs a core and about 90 MB where there is no GPU. A value the user set
    // in the environment wins over this one.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    std::string reason;
    Guard_Against_Late_X_Messages();
    if (Open_Video(&reason)) {
        // A scale at which the window would not fit the screen is lowered.
        SDL_Rect usable = {0, 0, 0, 0};
        sdl.scale = Desktop_Display_Scale();
        if (SDL_GetDisplayUsableBounds(0, &usable) == 0)
            sdl.scale =
                Fitting_Display_Scale(sdl.scale, clientWidth, clientHeight, usable.w, usable.h);
        sdl.window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                      clientWidth * sdl.scale, clientHeight * sdl.scale,
                                      SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
        if (sdl.window == nullptr) {
            reason = SDL_GetError();
            SDL_Quit();
        }
    }
    if (sdl.window == nullptr) {
        const char *display = SDL_getenv("DISPLAY");
        std::fprintf(stderr, "could not open a window (DISPLAY %s%s%s): %s\n",
                     display ? "\"" : "not set", display ? display : "", display ? "\"" : "",
                     reason.c_str());
        return false;
    }
    Sdl_Set_Window_Icon(sdl.window, Platform_Main_Window_Icon());
    sdl.thread = SDL_ThreadID();
    sdl.wakeType = SDL_RegisterEvents(1);
    if (sdl.wakeType == (Uint32)-1)
        sdl.wakeType = SDL_USEREVENT;
    sdl.wakeQueued = false;
    SDL_SetEventFilter(Take_Event, nullptr);
    Stop_Raw_Pointer_Events();
    Open_X_Drawing();
    // The first time SDL hides the pointer, Xlib sets up its cursor support
    // with several round trips to the X server; while waiting for their
    // replies it reads every event the server holds for the window into
    // memory. Done now, before any input, instead of at the first move over
    // the picture, which may come amid a flood of input.
    SDL_ShowCursor(SDL_DISABLE);
    SDL_ShowCursor(sdl.cursorCounter >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

void Backend_Window_Destroyed()
{
    if (sdl.window == nullptr)
        return;
    SDL_SetEventFilter(nullptr, nullptr);
    Close_X_Drawing();
    sdl.pendingCount = 0;
    sdl.pendingSurface = nullptr;
    SDL_DestroyWindow(sdl.window);
    sdl.window = nullptr;
    SDL_Quit();
}

void Backend_Poll()
{
    if (sdl.window == nullptr)
        return;
    // What was queued before comes first; then one read of what the window
    // system has sent, which Take_Event translates as it comes.
    Empty_Queue();
    sdl.pumping = true;
    SDL_PumpEvents();
    sdl.pumping = false;
    Empty_Queue();
}

bool Backend_Wait()
{
    // Without a window no event will ever come.
    if (sdl.window == nullptr)
        return false;
    // Events queued meanwhile (while the window was presented) need no wait.
    if (Empty_Queue() > 0)
        return true;
    SDL_Event event;
    sdl.pumping = true;
    int woken = 0;
    if (sdl.pendingCount > 0) {
        // Drawn parts still to send: wait only until they are due.
        const Uint32 since = SDL_GetTicks() - sdl.lastSent;
        woken = SDL_WaitEventTimeout(
            &event, since < Present_Interval ? (int)(Present_Interval - since) : 0);
        if (!woken) {
            sdl.pumping = false;
            Send_Pending();
            return true;
        }
    } else {
        woken = SDL_WaitEvent(&event);
    }
    sdl.pumping = false;
    if (!woken)
        return false;
    if (event.type == sdl.wakeType)
        sdl.wakeQueued = false;
    else
        Translate_Event(event);
    return true;
}

void Backend_Present(const COLORREF *pixels, int width, int, const RECT *changed, int count)
{
    if (sdl.window == nullptr)
        return;
    SDL_Surface *surface = SDL_GetWindowSurface(sdl.window);
    if (surface == nullptr)
        return;
    // Every part is copied first, then all go to the screen in one update,
    // now or, within Present_Interval of the last one, when it is due.
    for (int i = 0; i < count && i < Max_Changed_Parts; i++) {
        const SDL_Rect area = Present_Scaled(surface, pixels, width, changed[i], sdl.scale);
        if (area.w > 0 && area.h > 0)
            Add_Pending(surface, area);
    }
    if (sdl.pendingCount > 0 && SDL_GetTicks() - sdl.lastSent >= Present_Interval)
        Send_Pending();
}

void Backend_Client_To_Screen(int clientX, int clientY, int *screenX, int *screenY)
{
    int left = 0;
    int top = 0;
    if (sdl.window != nullptr)
        SDL_GetWindowPosition(sdl.window, &left, &top);
    *screenX = left + clientX * sdl.scale;
    *screenY = top + clientY * sdl.scale;
}

void Backend_Move_Pointer(int screenX, int screenY)
{
    if (sdl.window == nullptr)
        return;
    int left = 0;
    int top = 0;
    SDL_GetWindowPosition(sdl.window, &left, &top);
    SDL_WarpMouseInWindow(sdl.window, screenX - left, screenY - top);
}

void Backend_Cursor_Changed(int counter)
{
    sdl.cursorCounter = counter;
    if (sdl.window != nullptr)
        SDL_ShowCursor(counter >= 0 ? SDL_ENABLE : SDL_DISABLE);
}
