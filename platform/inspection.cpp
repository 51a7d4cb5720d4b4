#include "platform/inspection.h"
#include "platform/platform_internal.h"

#include <SDL.h>

namespace {

struct Inspection {
    int showCursorCalls = 0;
    bool pointerMoved = false;
    POINT pointer = {0, 0};
    std::vector<DrawnText> textCalls;
};

Inspection inspection;

} // namespace

void Note_Show_Cursor()
{
    inspection.showCursorCalls++;
}

void Note_Pointer_Moved(int x, int y)
{
    inspection.pointerMoved = true;
    inspection.pointer = POINT{x, y};
}

bool Inspect_Pointer_Moved_To(int *x, int *y)
{
    *x = inspection.pointer.x;
    *y = inspection.pointer.y;
    return inspection.pointerMoved;
}

void Note_Text_Drawn(int x, int y, const char *text, int length)
{
    inspection.textCalls.push_back(DrawnText{x, y, std::string(text, (size_t)length)});
}

HWND Inspect_Main_Window()
{
    const Window *window = Main_Window();
    return window != nullptr ? window->handle : nullptr;
}

UINT Inspect_Main_Window_Class_Style()
{
    const Window *window = Main_Window();
    return window != nullptr ? window->classStyle : 0;
}

COLORREF Inspect_Client_Pixel(int x, int y)
{
    int width = 0;
    int height = 0;
    const std::vector<COLORREF> &pixels = Client_Pixels(&width, &height);
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    return pixels[(size_t)y * width + x];
}

int Inspect_Client_Width()
{
    int width = 0;
    int height = 0;
    Client_Pixels(&width, &height);
    return width;
}

int Inspect_Client_Height()
{
    int width = 0;
    int height = 0;
    Client_Pixels(&width, &height);
    return height;
}

bool Inspect_Save_Client_Bmp(const char *path)
{
    if (path == nullptr)
        return false;
    int width = 0;
    int height = 0;
    const std::vector<COLORREF> &pixels = Client_Pixels(&width, &height);
    // Red in the lowest byte, as COLORREF holds it; without an alpha mask SDL
    // writes the surface as 24-bit rows.
    SDL_Surface *surface =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<COLORREF *>(pixels.data()), width, height, 32,
                                           width * 4, SDL_PIXELFORMAT_XBGR8888);
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

int Inspect_Show_Cursor_Calls()
{
    return inspection.showCursorCalls;
}

std::vector<DrawnText> Inspect_Take_Text_Calls()
{
    std::vector<DrawnText> calls;
    calls.swap(inspection.textCalls);
    return calls;
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
    inspection = Inspection();
}
