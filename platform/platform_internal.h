// Records and routines shared inside the platform library; the application
// never includes this.
#pragma once

#include "platform/desktop.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Window frame of an overlapped window with a raised edge and a sunken client
// edge, as the native system draws it: a 1024 by 700 window has a 1012 by 669
// client area.
constexpr int Overlapped_Frame_Width = 12;
constexpr int Overlapped_Frame_Height = 31;
constexpr int Client_Edge_Width = 4;

constexpr COLORREF White = 0x00FFFFFF;

struct DeviceContext;

enum GdiKind { Gdi_Brush = 1, Gdi_Bitmap };

struct GdiObject {
    GdiKind kind;
    bool stock;
    COLORREF colour; // brushes
    bool hollow;     // the null brush paints nothing
    int width;       // bitmaps, top-down rows of COLORREF values
    int height;
    std::vector<COLORREF> pixels;
    DeviceContext *selectedInto;
};

struct Window {
    std::string title;
    UINT classStyle;
    WNDPROC proc;
    HBRUSH background;
    DWORD style;
    int width;
    int height;
    std::vector<COLORREF> pixels; // client framebuffer, top-down rows
    DeviceContext *dc;
    std::vector<RECT> update; // invalid parts of the client area
    bool eraseNeeded;
    bool painting;               // between BeginPaint and EndPaint
    std::vector<RECT> paintClip; // what BeginPaint took from update
    RECT changed;                // drawn since the last presentation
    bool destroying;
};

struct DeviceContext {
    Window *window; // null for a memory context
    GdiObject *bitmap;
    GdiObject *brush;
};

// Pixels a device context draws into, with the clipping that applies now.
struct Surface {
    COLORREF *pixels;
    int width;
    int height;
    const std::vector<RECT> *clip; // null: the whole surface
    Window *window;                // null for a memory context
};

// window_system.cpp
Window *Find_Window(HWND window);
void Reset_Window_System();

// gdi.cpp
DeviceContext *Create_Window_Dc(Window *window);
void Release_Window_Dc(DeviceContext *dc);
bool Get_Surface(HDC dc, Surface *surface);
// The parts of `area` that drawing on the surface may change now.
// Calls draw(part) for each part of `area` that drawing on the surface may
// change, and records it as changed on the window.
template <typename Draw>
void For_Each_Drawable_Part(const Surface &surface, const RECT &area, Draw draw);
void Fill_Surface(const Surface &surface, RECT area, COLORREF colour);
GdiObject *Find_Gdi_Object(HGDIOBJ object);
HBITMAP Create_Bitmap(int width, int height, std::vector<COLORREF> &&pixels);
void Reset_Gdi();

// bitmap_file.cpp
// Decodes a BMP file held in memory into top-down COLORREF rows; false for a
// file that is not a BMP this layer accepts.
bool Decode_Bmp(const unsigned char *data, size_t size, int *width, int *height,
                std::vector<COLORREF> *pixels);
HBITMAP Load_Bitmap_From_Memory(const void *data, size_t size);

// text_output.cpp
// Draws black text on an opaque white cell in the system-like font.
bool Draw_Text(const Surface &surface, int x, int y, const char *text, int length);

// Rectangle helpers. Corners are computed in 64 bits and kept within +-2^30
// so that no caller's coordinates can overflow later arithmetic.
inline LONG Clamp_Coordinate(int64_t v)
{
    const int64_t limit = int64_t(1) << 30;
    return (LONG)(v < -limit ? -limit : v > limit ? limit : v);
}
inline RECT Clamped_Rect(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    return RECT{Clamp_Coordinate(left), Clamp_Coordinate(top), Clamp_Coordinate(right),
                Clamp_Coordinate(bottom)};
}
inline bool Rect_Empty(const RECT &r)
{
    return r.left >= r.right || r.top >= r.bottom;
}
inline RECT Rect_Intersect(const RECT &a, const RECT &b)
{
    RECT r = {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
              a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return r;
}
inline RECT Rect_Union(const RECT &a, const RECT &b)
{
    if (Rect_Empty(a))
        return b;
    if (Rect_Empty(b))
        return a;
    RECT r = {a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
              a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
    return r;
}

// Grows the window's record of what was drawn since the last presentation.
inline void Mark_Changed(Window *window, const RECT &area)
{
    window->changed = Rect_Union(window->changed, area);
}

template <typename Draw>
void For_Each_Drawable_Part(const Surface &surface, const RECT &area, Draw draw)
{
    const RECT bounded = Rect_Intersect(area, RECT{0, 0, surface.width, surface.height});
    if (Rect_Empty(bounded))
        return;
    auto drawPart = [&](const RECT &part) {
        draw(part);
        if (surface.window != nullptr)
            Mark_Changed(surface.window, part);
    };
    if (surface.clip == nullptr) {
        drawPart(bounded);
        return;
    }
    for (const RECT &r : *surface.clip) {
        RECT part = Rect_Intersect(bounded, r);
        if (!Rect_Empty(part))
            drawPart(part);
    }
}
