// Records and routines shared inside the platform library; the application
// never includes this.
#pragma once

#include "platform/backend.h"
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

// The handles the application sees: a kind, a slot of the kind's table and
// the slot's generation, which grows each time the slot is freed. A handle of
// a deleted object therefore never becomes valid again, even when its slot is
// reused, and a handle of one kind is never taken for another. Generation 0
// never occurs in a table; it marks stock objects.
enum HandleKind : uintptr_t { Handle_Window = 1, Handle_Dc = 2, Handle_Gdi = 3 };
static_assert(sizeof(uintptr_t) == 8, "handles carry a 32-bit generation above the slot");

inline uintptr_t Make_Handle(HandleKind kind, uint32_t slot, uint32_t generation)
{
    return (uintptr_t)generation << 32 | (uintptr_t)(slot + 1) << 2 | kind;
}

template <typename T> struct HandleTable {
    struct Slot {
        T *item;
        uint32_t generation;
    };
    HandleKind kind;
    std::vector<Slot> slots;
    std::vector<uint32_t> freeSlots;

    uintptr_t Add(T *item)
    {
        uint32_t slot = (uint32_t)slots.size();
        if (freeSlots.empty()) {
            slots.push_back(Slot{item, 1});
        } else {
            slot = freeSlots.back();
            freeSlots.pop_back();
            slots[slot].item = item;
        }
        return Make_Handle(kind, slot, slots[slot].generation);
    }
    T *Find(const void *handle) const
    {
        const uintptr_t value = (uintptr_t)handle;
        const uintptr_t slot = (value & 0xFFFFFFFF) >> 2;
        if ((value & 3) != kind || slot == 0 || slot > slots.size())
            return nullptr;
        const Slot &s = slots[slot - 1];
        return s.item != nullptr && s.generation == value >> 32 ? s.item : nullptr;
    }
    // Frees the slot of a handle that Find accepts.
    void Remove(const void *handle)
    {
        Slot &s = slots[(((uintptr_t)handle & 0xFFFFFFFF) >> 2) - 1];
        s.item = nullptr;
        s.generation = s.generation == UINT32_MAX ? 1 : s.generation + 1;
        freeSlots.push_back((uint32_t)(&s - slots.data()));
    }
    // Every slot holds an item or waits in freeSlots.
    int Live() const { return (int)(slots.size() - freeSlots.size()); }
};

struct DeviceContext;

// What was drawn since the last presentation, as a few rectangles: the mark
// and the readout lie far apart, and one box around both would present every
// pixel between them on every pointer move.
constexpr int64_t Changed_Part_Slack = 32 * 32;
struct ChangedParts {
    RECT parts[Max_Changed_Parts];
    int count;
};

enum GdiKind { Gdi_Brush = 1, Gdi_Bitmap };

struct GdiObject {
    HGDIOBJ handle;
    GdiKind kind;
    COLORREF colour; // brushes
    int width;       // bitmaps, top-down rows of COLORREF values
    int height;
    std::vector<COLORREF> pixels;
    DeviceContext *selectedInto;
};

struct Window {
    HWND handle;
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
    ChangedParts changed;        // drawn since the last presentation
    bool destroying;
};

struct DeviceContext {
    HDC handle;
    Window *window; // null for a memory context
    GdiObject *bitmap;
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
// Null for a null, stale or foreign handle.
Window *Find_Window(HWND window);
// The main window; null before it is created and after it is destroyed.
Window *Main_Window();
int Cursor_Counter();
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
int Live_Dcs();
int Live_Gdi_Objects();
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
// Closes the font and forgets the rasterised characters; the next text opens
// the font again.
void Close_Text();
// One character's cell as Draw_Text copies it: `width` columns (its advance)
// by `height` rows, top row first; null when no font could be opened.
const COLORREF *Text_Cell(unsigned char code, int *width, int *height);

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

inline int64_t Rect_Area(const RECT &r)
{
    return Rect_Empty(r) ? 0 : (int64_t)(r.right - r.left) * (r.bottom - r.top);
}

// Grows the window's record of what was drawn since the last presentation:
// the area joins the part whose box grows least by it, unless that would add
// more than the two hold and a little slack (the scattered pixels of a mark
// half join up; the readout and a far mark do not) and there is room for a
// part of its own.
inline void Mark_Changed(Window *window, const RECT &area)
{
    if (Rect_Empty(area))
        return;
    ChangedParts &changed = window->changed;
    int best = -1;
    int64_t bestGrowth = 0;
    for (int i = 0; i < changed.count; i++) {
        const RECT &part = changed.parts[i];
        const int64_t growth = Rect_Area(Rect_Union(part, area)) - Rect_Area(part);
        if (best < 0 || growth < bestGrowth) {
            best = i;
            bestGrowth = growth;
        }
    }
    if (best >= 0 &&
        (changed.count == Max_Changed_Parts ||
         bestGrowth <= Rect_Area(changed.parts[best]) + Rect_Area(area) + Changed_Part_Slack)) {
        changed.parts[best] = Rect_Union(changed.parts[best], area);
        return;
    }
    changed.parts[changed.count++] = area;
}

// Everything changed: the whole client area is presented next.
inline void Mark_All_Changed(Window *window)
{
    window->changed.count = 0;
    Mark_Changed(window, RECT{0, 0, window->width, window->height});
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
