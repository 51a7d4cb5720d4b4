// The SDL back end: the main window is a real resizable window. SDL events
// become window messages, and the client framebuffer is copied to the window
// whenever the message queue runs dry, only the part that changed. On a
// desktop scaled to k the window is k times the client size (display_scale.h).
#include "platform/backend.h"
#include "platform/display_scale.h"
#include "platform/program_icon.h"
#include "platform/x_error_guard.h"

#include <SDL.h>

#include <cstdio>
#include <string>

namespace {

struct SdlWindow {
    SDL_Window *window = nullptr;
    int cursorCounter = 0;
    int scale = 1; // window pixels per client pixel, across and down
};

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
        // pointer position travels in screen coordinates.
        int notches = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            notches = -notches;
        int screenX = 0;
        int screenY = 0;
        WPARAM keys = Button_State(SDL_GetGlobalMouseState(&screenX, &screenY));
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
            sdl.scale = Fitting_Display_Scale(sdl.scale, clientWidth, clientHeight, usable.w,
                                              usable.h);
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
    SDL_ShowCursor(sdl.cursorCounter >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

void Backend_Window_Destroyed()
{
    if (sdl.window == nullptr)
        return;
    SDL_DestroyWindow(sdl.window);
    sdl.window = nullptr;
    SDL_Quit();
}

void Backend_Poll()
{
    if (sdl.window == nullptr)
        return;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        Translate_Event(event);
}

bool Backend_Wait()
{
    // Without a window no event will ever come.
    if (sdl.window == nullptr)
        return false;
    SDL_Event event;
    if (!SDL_WaitEvent(&event))
        return false;
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
    // Every part is copied first, then all go to the screen in one update.
    SDL_Rect areas[Max_Changed_Parts];
    int shown = 0;
    for (int i = 0; i < count && i < Max_Changed_Parts; i++) {
        areas[shown] = Present_Scaled(surface, pixels, width, changed[i], sdl.scale);
        shown += areas[shown].w > 0 && areas[shown].h > 0 ? 1 : 0;
    }
    if (shown > 0)
        SDL_UpdateWindowSurfaceRects(sdl.window, areas, shown);
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
