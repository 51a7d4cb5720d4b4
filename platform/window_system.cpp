// Window classes, windows, the message queue, painting and the pointer's
// display counter.
#include "platform/backend.h"
#include "platform/platform_internal.h"
#include "platform/program_icon.h"

#include <chrono>
#include <deque>
#include <strings.h>

namespace {

struct WindowClass {
    std::string name;
    UINT style;
    WNDPROC proc;
    HBRUSH background;
    HICON icon; // in the title bar: the small icon, else the large one
};

struct IconRecord {
    int unused;
};

// More invalid rectangles than this are merged into their bounding box.
constexpr size_t Max_Update_Rects = 16;
constexpr int Max_Client_Extent = 16384;
constexpr int Default_Window_Width = 1024;
constexpr int Default_Window_Height = 700;

struct WindowSystem {
    std::vector<WindowClass> classes;
    HandleTable<Window> windows{Handle_Window, {}, {}};
    Window *mainWindow = nullptr;
    HICON mainIcon = nullptr;
    bool mainCreated = false;
    std::deque<MSG> posted;
    std::deque<MSG> input;
    bool quitPosted = false;
    int quitCode = 0;
    int cursorCounter = 0;
    bool keysDown[256] = {}; // as of the last key message taken from the queue
    int pendingWidth = 0;    // client size asked for before the main window exists
    int pendingHeight = 0;
};

WindowSystem state;
IconRecord applicationIcon;
IconRecord arrowCursor;
IconRecord moduleRecord;

DWORD Message_Time()
{
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    return (DWORD)duration_cast<milliseconds>(steady_clock::now() - start).count();
}

MSG Make_Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = {};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = Message_Time();
    return msg;
}

WindowClass *Find_Class(LPCSTR name)
{
    if (name == nullptr || (uintptr_t)name < 0x10000)
        return nullptr;
    for (WindowClass &c : state.classes)
        if (strcasecmp(c.name.c_str(), name) == 0)
            return &c;
    return nullptr;
}

HWND Handle_Of(Window *window)
{
    return window->handle;
}

void Add_Update_Rect(Window *window, RECT area, bool erase)
{
    RECT client = {0, 0, window->width, window->height};
    area = Rect_Intersect(area, client);
    if (Rect_Empty(area))
        return;
    window->eraseNeeded = window->eraseNeeded || erase;
    for (const RECT &r : window->update)
        if (r.left <= area.left && r.top <= area.top && r.right >= area.right &&
            r.bottom >= area.bottom)
            return;
    window->update.push_back(area);
    if (window->update.size() > Max_Update_Rects) {
        RECT all = {0, 0, 0, 0};
        for (const RECT &r : window->update)
            all = Rect_Union(all, r);
        window->update.assign(1, all);
    }
}

void Resize_Window(Window *window, int width, int height)
{
    if (width == window->width && height == window->height)
        return;
    std::vector<COLORREF> pixels((size_t)width * height, White);
    int keepWidth = width < window->width ? width : window->width;
    int keepHeight = height < window->height ? height : window->height;
    for (int y = 0; y < keepHeight; y++)
        for (int x = 0; x < keepWidth; x++)
            pixels[(size_t)y * width + x] = window->pixels[(size_t)y * window->width + x];
    int oldWidth = window->width;
    int oldHeight = window->height;
    window->pixels.swap(pixels);
    window->width = width;
    window->height = height;
    window->update.clear();
    bool redrawAll = ((window->classStyle & CS_HREDRAW) && width != oldWidth) ||
                     ((window->classStyle & CS_VREDRAW) && height != oldHeight);
    if (redrawAll) {
        Add_Update_Rect(window, RECT{0, 0, width, height}, true);
    } else {
        Add_Update_Rect(window, RECT{oldWidth, 0, width, height}, true);
        Add_Update_Rect(window, RECT{0, oldHeight, width, height}, true);
    }
    Mark_All_Changed(window);
    SendMessageA(Handle_Of(window), WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
}

// The next message in Windows' order: posted messages, the quit request,
// input, then a paint request for a window that needs one.
bool Take_Message(MSG *msg)
{
    while (!state.posted.empty()) {
        *msg = state.posted.front();
        state.posted.pop_front();
        if (msg->hwnd == nullptr || Find_Window(msg->hwnd) != nullptr)
            return true;
    }
    if (state.quitPosted) {
        state.quitPosted = false;
        *msg = Make_Message(nullptr, WM_QUIT, (WPARAM)(intptr_t)state.quitCode, 0);
        return true;
    }
    if (state.mainWindow != nullptr && !state.input.empty()) {
        *msg = state.input.front();
        state.input.pop_front();
        msg->hwnd = Handle_Of(state.mainWindow);
        if ((msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) && msg->wParam < 256)
            state.keysDown[msg->wParam] = msg->message == WM_KEYDOWN;
        return true;
    }
    for (const auto &slot : state.windows.slots)
        if (slot.item != nullptr && !slot.item->update.empty() && !slot.item->destroying) {
            *msg = Make_Message(Handle_Of(slot.item), WM_PAINT, 0, 0);
            return true;
        }
    return false;
}

void Present_Main_Window()
{
    Window *window = state.mainWindow;
    if (window == nullptr)
        return;
    RECT parts[Max_Changed_Parts];
    int count = 0;
    for (int i = 0; i < window->changed.count; i++) {
        parts[count] =
            Rect_Intersect(window->changed.parts[i], RECT{0, 0, window->width, window->height});
        count += Rect_Empty(parts[count]) ? 0 : 1;
    }
    window->changed.count = 0;
    if (count > 0)
        Backend_Present(window->pixels.data(), window->width, window->height, parts, count);
}

} // namespace

Window *Find_Window(HWND handle)
{
    return state.windows.Find(handle);
}

void Reset_Window_System()
{
    for (const auto &slot : state.windows.slots)
        if (slot.item != nullptr) {
            Release_Window_Dc(slot.item->dc);
            delete slot.item;
        }
    state = WindowSystem();
}

extern "C" {

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    return moduleName == nullptr ? reinterpret_cast<HMODULE>(&moduleRecord) : nullptr;
}

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA *windowClass)
{
    if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXA) ||
        windowClass->lpfnWndProc == nullptr || Find_Class(windowClass->lpszClassName) != nullptr ||
        windowClass->lpszClassName == nullptr || (uintptr_t)windowClass->lpszClassName < 0x10000)
        return 0;
    HICON icon = windowClass->hIconSm != nullptr ? windowClass->hIconSm : windowClass->hIcon;
    state.classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->style,
                                        windowClass->lpfnWndProc, windowClass->hbrBackground,
                                        icon});
    return (ATOM)(0xC000 + state.classes.size());
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int,
                            int, int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID)
{
    WindowClass *windowClass = Find_Class(className);
    if (windowClass == nullptr)
        return nullptr;
    if (width == CW_USEDEFAULT) {
        width = Default_Window_Width;
        height = Default_Window_Height;
    }
    int clientWidth = width;
    int clientHeight = height;
    if ((style & WS_CAPTION) == WS_CAPTION) {
        clientWidth -= Overlapped_Frame_Width;
        clientHeight -= Overlapped_Frame_Height;
        if (!(exStyle & WS_EX_CLIENTEDGE)) {
            clientWidth += Client_Edge_Width;
            clientHeight += Client_Edge_Width;
        }
    } else if (exStyle & WS_EX_CLIENTEDGE) {
        clientWidth -= Client_Edge_Width;
        clientHeight -= Client_Edge_Width;
    }
    bool topLevel = !(style & WS_CHILD);
    bool becomesMain = topLevel && !state.mainCreated;
    if (becomesMain && state.pendingWidth > 0) {
        clientWidth = state.pendingWidth;
        clientHeight = state.pendingHeight;
    }
    clientWidth = clientWidth < 0                   ? 0
                  : clientWidth > Max_Client_Extent ? Max_Client_Extent
                                                    : clientWidth;
    clientHeight = clientHeight < 0                   ? 0
                   : clientHeight > Max_Client_Extent ? Max_Client_Extent
                                                      : clientHeight;

    Window *window = new Window();
    window->title = windowName != nullptr ? windowName : "";
    window->classStyle = windowClass->style;
    window->proc = windowClass->proc;
    window->background = windowClass->background;
    window->style = style;
    window->width = clientWidth;
    window->height = clientHeight;
    // Black until the first paint erases it, so a missing erase shows.
    window->pixels.assign((size_t)clientWidth * clientHeight, 0);
    Mark_All_Changed(window);
    if (becomesMain)
        state.mainIcon = windowClass->icon; // the back end shows it with the window
    if (becomesMain && !Backend_Window_Created(window->title.c_str(), clientWidth, clientHeight)) {
        delete window;
        return nullptr;
    }
    window->dc = Create_Window_Dc(window);
    window->handle = (HWND)state.windows.Add(window);
    HWND handle = Handle_Of(window);
    (void)parent;
    if (becomesMain) {
        state.mainWindow = window;
        state.mainCreated = true;
    }
    if (SendMessageA(handle, WM_CREATE, 0, 0) == -1)
        DestroyWindow(handle);
    // The creation handler may have destroyed the window; its handle is then
    // dead for good.
    if (Find_Window(handle) == nullptr)
        return nullptr;
    if (style & WS_VISIBLE)
        Add_Update_Rect(window, RECT{0, 0, clientWidth, clientHeight}, true);
    return handle;
}

BOOL WINAPI DestroyWindow(HWND handle)
{
    Window *window = Find_Window(handle);
    if (window == nullptr || window->destroying)
        return FALSE;
    window->destroying = true;
    SendMessageA(handle, WM_DESTROY, 0, 0);
    SendMessageA(handle, WM_NCDESTROY, 0, 0);
    for (size_t i = 0; i < state.posted.size();)
        if (state.posted[i].hwnd == handle)
            state.posted.erase(state.posted.begin() + (long)i);
        else
            i++;
    if (window == state.mainWindow) {
        // What was drawn last reaches the screen before the window goes.
        Present_Main_Window();
        state.mainWindow = nullptr;
        state.input.clear();
        Close_Text();
        Backend_Window_Destroyed();
    }
    state.windows.Remove(handle);
    Release_Window_Dc(window->dc);
    delete window;
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND handle, RECT *rect)
{
    Window *window = Find_Window(handle);
    if (window == nullptr || rect == nullptr)
        return FALSE;
    *rect = RECT{0, 0, window->width, window->height};
    return TRUE;
}

BOOL WINAPI GetMessageA(MSG *msg, HWND, UINT, UINT)
{
    if (msg == nullptr)
        return -1;
    for (;;) {
        Backend_Poll();
        if (Take_Message(msg))
            return msg->message != WM_QUIT;
        Present_Main_Window();
        if (!Backend_Wait()) {
            *msg = Make_Message(nullptr, WM_QUIT, 0, 0);
            return FALSE;
        }
    }
}

BOOL WINAPI TranslateMessage(const MSG *)
{
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    if (msg == nullptr || msg->hwnd == nullptr)
        return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT WINAPI SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window *window = Find_Window(handle);
    if (window == nullptr)
        return 0;
    return window->proc(handle, message, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (handle != nullptr && Find_Window(handle) == nullptr)
        return FALSE;
    state.posted.push_back(Make_Message(handle, message, wParam, lParam));
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM)
{
    Window *window = Find_Window(handle);
    if (window == nullptr)
        return 0;
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(handle);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(handle, &paint);
        EndPaint(handle, &paint);
        return 0;
    }
    case WM_ERASEBKGND: {
        GdiObject *brush = Find_Gdi_Object(window->background);
        Surface surface;
        if (brush == nullptr || brush->kind != Gdi_Brush ||
            !Get_Surface(reinterpret_cast<HDC>(wParam), &surface))
            return 0;
        Fill_Surface(surface, RECT{0, 0, surface.width, surface.height}, brush->colour);
        return 1;
    }
    default:
        return 0;
    }
}

void WINAPI PostQuitMessage(int exitCode)
{
    state.quitPosted = true;
    state.quitCode = exitCode;
}

HDC WINAPI BeginPaint(HWND handle, PAINTSTRUCT *paint)
{
    Window *window = Find_Window(handle);
    if (window == nullptr || paint == nullptr)
        return nullptr;
    *paint = PAINTSTRUCT();
    HDC dc = window->dc->handle;
    window->painting = true;
    window->paintClip.swap(window->update);
    window->update.clear();
    for (const RECT &r : window->paintClip)
        paint->rcPaint = Rect_Union(paint->rcPaint, r);
    paint->hdc = dc;
    if (window->eraseNeeded) {
        window->eraseNeeded = false;
        paint->fErase = SendMessageA(handle, WM_ERASEBKGND, (WPARAM)dc, 0) == 0;
    }
    return dc;
}

BOOL WINAPI EndPaint(HWND handle, const PAINTSTRUCT *)
{
    Window *window = Find_Window(handle);
    if (window == nullptr)
        return FALSE;
    window->painting = false;
    window->paintClip.clear();
    return TRUE;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    // The system's own icons, and the program's icon in its own module.
    if (instance == GetModuleHandleA(nullptr) && name == IDI_APPLICATION)
        return Program_Icon();
    if (instance == nullptr && (uintptr_t)name >= 32512 && (uintptr_t)name <= 32517)
        return reinterpret_cast<HICON>(&applicationIcon);
    return nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    if (instance == nullptr && (uintptr_t)name >= 32512 && (uintptr_t)name <= 32651)
        return reinterpret_cast<HCURSOR>(&arrowCursor);
    return nullptr;
}

SHORT WINAPI GetKeyState(int virtualKey)
{
    const bool down = virtualKey >= 0 && virtualKey < 256 && state.keysDown[virtualKey];
    return down ? (SHORT)-32768 : 0;
}

BOOL WINAPI ClientToScreen(HWND handle, POINT *point)
{
    Window *window = Find_Window(handle);
    if (window == nullptr || point == nullptr)
        return FALSE;
    int x = point->x;
    int y = point->y;
    if (window == state.mainWindow)
        Backend_Client_To_Screen(point->x, point->y, &x, &y);
    point->x = x;
    point->y = y;
    return TRUE;
}

BOOL WINAPI SetCursorPos(int x, int y)
{
    Backend_Move_Pointer(x, y);
    return TRUE;
}

int WINAPI ShowCursor(BOOL show)
{
    state.cursorCounter += show ? 1 : -1;
    Backend_Cursor_Changed(state.cursorCounter);
    return state.cursorCounter;
}

} // extern "C"

void Platform_Queue_Input(UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = Make_Message(nullptr, message, wParam, lParam);
    msg.pt.x = (short)LOWORD(lParam);
    msg.pt.y = (short)HIWORD(lParam);
    // As on Windows, the pointer's moves are not kept one by one: a move that
    // follows a move still waiting, with no other input between them and the
    // same buttons held, takes its place. The window gets the newest position
    // when it asks, while buttons, wheel notches and keys wait in order, so a
    // flood of moves can neither starve them nor grow the queue.
    if (message == WM_MOUSEMOVE && !state.input.empty() &&
        state.input.back().message == WM_MOUSEMOVE && state.input.back().wParam == wParam) {
        state.input.back() = msg;
        return;
    }
    state.input.push_back(msg);
}

void Platform_Resize_Client(int width, int height)
{
    width = width < 0 ? 0 : width > Max_Client_Extent ? Max_Client_Extent : width;
    height = height < 0 ? 0 : height > Max_Client_Extent ? Max_Client_Extent : height;
    if (state.mainWindow == nullptr) {
        if (!state.mainCreated) {
            state.pendingWidth = width;
            state.pendingHeight = height;
        }
        return;
    }
    Resize_Window(state.mainWindow, width, height);
}

void Platform_Invalidate_Client(int left, int top, int right, int bottom)
{
    if (state.mainWindow != nullptr)
        Add_Update_Rect(state.mainWindow, RECT{left, top, right, bottom}, true);
}

void Platform_Request_Close()
{
    if (state.mainWindow != nullptr)
        PostMessageA(Handle_Of(state.mainWindow), WM_CLOSE, 0, 0);
}

HWND Platform_Main_Window()
{
    return state.mainWindow != nullptr ? Handle_Of(state.mainWindow) : nullptr;
}

HICON Platform_Main_Window_Icon()
{
    return state.mainIcon;
}

int Platform_Client_Width()
{
    return state.mainWindow ? state.mainWindow->width : 0;
}

int Platform_Client_Height()
{
    return state.mainWindow ? state.mainWindow->height : 0;
}

Window *Main_Window()
{
    return state.mainWindow;
}

int Cursor_Counter()
{
    return state.cursorCounter;
}
