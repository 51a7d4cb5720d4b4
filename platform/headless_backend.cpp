// The headless back end: no window on screen. The caller supplies the input
// and reads back what the program showed: the main window's client area as
// it was last presented, the text lines in it, and where the system pointer
// was sent. Only tests, benchmarks and the replay runner link it.
#include "platform/backend.h"
#include "platform/headless.h"
#include "platform/platform_internal.h"

#include <SDL.h>

#include <deque>

namespace {

struct InFlight {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool echo; // a pointer move the program made, coming back
};

struct Headless {
    Headless_Idle_Handler handler = nullptr;
    void *context = nullptr;
    bool handlerDone = false;
    bool closeDelivered = false;
    // The screen: what the main window presented last, kept after it is gone.
    std::vector<COLORREF> screen;
    int width = 0;
    int height = 0;
    bool pointerMoved = false;
    POINT pointer = {0, 0}; // where the program last sent the system pointer
    POINT at = {-1, -1};    // where the system pointer is
    // With an echo lag, input waits here and reaches the program a few
    // messages at a time, and the pointer's moves that the program makes come
    // back that many messages later, as from a window system under load.
    int echoLag = 0;
    std::deque<InFlight> inFlight;
    unsigned random = 1;
};

Headless headless;

// Hands one to four messages on to the program's queue, which merges a move
// into an undelivered move before it, as the window system does; moves that
// follow the last of them go with it, as one read of the window system brings
// them.
bool Deliver_In_Flight()
{
    if (headless.inFlight.empty())
        return false;
    headless.random = headless.random * 1103515245u + 12345u;
    unsigned count = 1 + (headless.random >> 16) % 4;
    bool afterMove = false;
    while (!headless.inFlight.empty() &&
           (count > 0 || (afterMove && headless.inFlight.front().message == WM_MOUSEMOVE))) {
        const InFlight input = headless.inFlight.front();
        headless.inFlight.pop_front();
        Platform_Queue_Input(input.message, input.wParam, input.lParam);
        afterMove = input.message == WM_MOUSEMOVE;
        count = count > 0 ? count - 1 : 0;
    }
    return true;
}

} // namespace

bool Backend_Window_Created(const char *, int clientWidth, int clientHeight)
{
    // A new main window gets its own close request once input runs out.
    headless.closeDelivered = false;
    headless.screen.assign((size_t)clientWidth * clientHeight, 0);
    headless.width = clientWidth;
    headless.height = clientHeight;
    return true;
}

void Backend_Window_Destroyed() {}

void Backend_Poll()
{
    Deliver_In_Flight();
}

bool Backend_Wait()
{
    if (Deliver_In_Flight())
        return true;
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

void Backend_Present(const COLORREF *pixels, int width, int height, const RECT *changed, int count)
{
    if (width != headless.width || height != headless.height) {
        headless.screen.assign((size_t)width * height, 0);
        headless.width = width;
        headless.height = height;
    }
    for (int i = 0; i < count; i++)
        for (int y = changed[i].top; y < changed[i].bottom; y++)
            for (int x = changed[i].left; x < changed[i].right; x++)
                headless.screen[(size_t)y * width + x] = pixels[(size_t)y * width + x];
}

void Backend_Cursor_Changed(int) {}

// The screen is the client area.
void Backend_Client_To_Screen(int clientX, int clientY, int *screenX, int *screenY)
{
    *screenX = clientX;
    *screenY = clientY;
}

// The pointer moved onto the window comes back as a move there, as the
// system's own pointer move would; with an echo lag, after the input that
// came meanwhile and behind the moves still coming back.
void Backend_Move_Pointer(int screenX, int screenY)
{
    headless.pointerMoved = true;
    headless.pointer = POINT{screenX, screenY};
    // Sent where it is already, the pointer does not move.
    const bool moves = screenX != headless.at.x || screenY != headless.at.y;
    headless.at = headless.pointer;
    if (!moves || screenX < 0 || screenY < 0 || screenX >= Platform_Client_Width() ||
        screenY >= Platform_Client_Height())
        return;
    const LPARAM at = MAKELPARAM(screenX, screenY);
    if (headless.echoLag == 0) {
        Platform_Queue_Input(WM_MOUSEMOVE, 0, at);
        return;
    }
    std::size_t place = headless.inFlight.size();
    if ((std::size_t)headless.echoLag < place)
        place = (std::size_t)headless.echoLag;
    for (std::size_t i = headless.inFlight.size(); i > place; i--)
        if (headless.inFlight[i - 1].echo) {
            place = i;
            break;
        }
    headless.inFlight.insert(headless.inFlight.begin() + (long)place,
                             InFlight{WM_MOUSEMOVE, 0, at, true});
}

void Headless_Queue_Input(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEMOVE)
        headless.at = POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)};
    if (headless.echoLag == 0)
        Platform_Queue_Input(message, wParam, lParam);
    else
        headless.inFlight.push_back(InFlight{message, wParam, lParam, false});
}

void Headless_Set_Echo_Lag(int messages)
{
    headless.echoLag = messages < 0 ? 0 : messages;
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

// What tests read back.

HWND Inspect_Main_Window()
{
    return Platform_Main_Window();
}

UINT Inspect_Main_Window_Class_Style()
{
    const Window *window = Main_Window();
    return window != nullptr ? window->classStyle : 0;
}

COLORREF Inspect_Client_Pixel(int x, int y)
{
    if (x < 0 || y < 0 || x >= headless.width || y >= headless.height)
        return CLR_INVALID;
    return headless.screen[(size_t)y * headless.width + x];
}

int Inspect_Client_Width()
{
    return headless.width;
}

int Inspect_Client_Height()
{
    return headless.height;
}

bool Inspect_Save_Client_Bmp(const char *path)
{
    if (path == nullptr)
        return false;
    // Red in the lowest byte, as COLORREF holds it; without an alpha mask SDL
    // writes the surface as 24-bit rows.
    SDL_Surface *surface =
        SDL_CreateRGBSurfaceWithFormatFrom(headless.screen.data(), headless.width, headless.height,
                                           32, headless.width * 4, SDL_PIXELFORMAT_XBGR8888);
    if (surface == nullptr)
        return false;
    const bool saved = SDL_SaveBMP(surface, path) == 0;
    SDL_FreeSurface(surface);
    return saved;
}

int Inspect_Cursor_Counter()
{
    return Cursor_Counter();
}

bool Inspect_Pointer_Moved_To(int *x, int *y)
{
    *x = headless.pointer.x;
    *y = headless.pointer.y;
    return headless.pointerMoved;
}

namespace {

// Whether the screen shows the cell at (x, y); the part of it beyond the
// screen's edges is not compared.
bool Shows_Cell(const COLORREF *cell, int cellWidth, int cellHeight, int x, int y)
{
    for (int row = 0; row < cellHeight && y + row < headless.height; row++)
        for (int column = 0; column < cellWidth && x + column < headless.width; column++)
            if (headless.screen[(size_t)(y + row) * headless.width + x + column] !=
                cell[(size_t)row * cellWidth + column])
                return false;
    return true;
}

bool Blank_From(int x, int y, int height)
{
    for (int row = y; row < y + height && row < headless.height; row++)
        for (int column = x; column < headless.width; column++)
            if (headless.screen[(size_t)row * headless.width + column] != White)
                return false;
    return true;
}

} // namespace

std::string Inspect_Text_At(int x, int y)
{
    std::string text;
    int spaceWidth = 0;
    int height = 0;
    const COLORREF *space = Text_Cell(' ', &spaceWidth, &height);
    if (space == nullptr || x < 0 || y < 0)
        return text;
    while (x < headless.width && !Blank_From(x, y, height)) {
        // The widest character whose whole cell is there; a blank only where
        // no character fits, since most cells begin with blank columns.
        int found = 0;
        int foundWidth = 0;
        for (int code = '!'; code <= '~'; code++) {
            int width = 0;
            const COLORREF *cell = Text_Cell((unsigned char)code, &width, &height);
            if (width > foundWidth && Shows_Cell(cell, width, height, x, y)) {
                found = code;
                foundWidth = width;
            }
        }
        if (found == 0 && spaceWidth > 0 && Shows_Cell(space, spaceWidth, height, x, y)) {
            found = ' ';
            foundWidth = spaceWidth;
        }
        if (found == 0) {
            text += '?'; // pixels that no character of the font draws
            break;
        }
        text += (char)found;
        x += foundWidth;
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

int Inspect_Text_Height()
{
    int width = 0;
    int height = 0;
    return Text_Cell(' ', &width, &height) != nullptr ? height : 0;
}

int Inspect_Live_Dcs()
{
    return Live_Dcs();
}

int Inspect_Live_Gdi_Objects()
{
    return Live_Gdi_Objects();
}

void Inspect_Reset()
{
    Reset_Window_System();
    Reset_Gdi();
    Close_Text();
    headless = Headless();
}
