// Device contexts, brushes and bitmaps, and the pixel operations on them.
#include "platform/backend.h"
#include "platform/platform_internal.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int Stock_Brush_Count = 6;

struct Gdi {
    std::vector<DeviceContext *> dcs;
    std::vector<GdiObject *> objects;
};

Gdi gdi;
GdiObject stockBrushes[Stock_Brush_Count] = {
    {Gdi_Brush, true, 0xFFFFFF, false, 0, 0, {}, nullptr},
    {Gdi_Brush, true, 0xC0C0C0, false, 0, 0, {}, nullptr},
    {Gdi_Brush, true, 0x808080, false, 0, 0, {}, nullptr},
    {Gdi_Brush, true, 0x404040, false, 0, 0, {}, nullptr},
    {Gdi_Brush, true, 0x000000, false, 0, 0, {}, nullptr},
    {Gdi_Brush, true, 0x000000, true, 0, 0, {}, nullptr},
};
// Every memory context starts with this one-pixel black bitmap selected.
GdiObject stockBitmap = {Gdi_Bitmap, true, 0, false, 1, 1, {0}, nullptr};

DeviceContext *Find_Dc(HDC handle)
{
    for (DeviceContext *dc : gdi.dcs)
        if (reinterpret_cast<HDC>(dc) == handle)
            return dc;
    return nullptr;
}

bool Allows(const Surface &surface, int x, int y)
{
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height)
        return false;
    if (surface.clip == nullptr)
        return true;
    for (const RECT &r : *surface.clip)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return true;
    return false;
}

// Takes an object off its list and frees it.
template <typename T> void Forget(std::vector<T *> &list, T *item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
    delete item;
}

void Delete_Bitmap_Object(GdiObject *object)
{
    Forget(gdi.objects, object);
}

} // namespace

DeviceContext *Create_Window_Dc(Window *window)
{
    DeviceContext *dc = new DeviceContext{window, nullptr, &stockBrushes[WHITE_BRUSH]};
    gdi.dcs.push_back(dc);
    return dc;
}

void Release_Window_Dc(DeviceContext *dc)
{
    Forget(gdi.dcs, dc);
}

bool Get_Surface(HDC handle, Surface *surface)
{
    DeviceContext *dc = Find_Dc(handle);
    if (dc == nullptr)
        return false;
    if (dc->window != nullptr) {
        Window *window = dc->window;
        *surface = Surface{window->pixels.data(), window->width, window->height,
                           window->painting ? &window->paintClip : nullptr, window};
    } else {
        GdiObject *bitmap = dc->bitmap;
        *surface = Surface{bitmap->pixels.data(), bitmap->width, bitmap->height, nullptr, nullptr};
    }
    return true;
}

void Fill_Surface(const Surface &surface, RECT area, COLORREF colour)
{
    For_Each_Drawable_Part(surface, area, [&](const RECT &part) {
        for (int y = part.top; y < part.bottom; y++) {
            COLORREF *row = surface.pixels + (size_t)y * surface.width;
            for (int x = part.left; x < part.right; x++)
                row[x] = colour;
        }
    });
}

GdiObject *Find_Gdi_Object(HGDIOBJ handle)
{
    if (handle == nullptr)
        return nullptr;
    for (GdiObject &brush : stockBrushes)
        if (&brush == handle)
            return &brush;
    if (handle == &stockBitmap)
        return &stockBitmap;
    for (GdiObject *object : gdi.objects)
        if (object == handle)
            return object;
    return nullptr;
}

HBITMAP Create_Bitmap(int width, int height, std::vector<COLORREF> &&pixels)
{
    GdiObject *object = new GdiObject{Gdi_Bitmap, false, 0, false, width, height, {}, nullptr};
    object->pixels.swap(pixels);
    gdi.objects.push_back(object);
    return reinterpret_cast<HBITMAP>(object);
}

int Platform_Live_Dcs()
{
    return (int)gdi.dcs.size();
}

int Platform_Live_Gdi_Objects()
{
    return (int)gdi.objects.size();
}

void Reset_Gdi()
{
    for (DeviceContext *dc : gdi.dcs)
        delete dc;
    for (GdiObject *object : gdi.objects)
        delete object;
    gdi = Gdi();
}

extern "C" {

HGDIOBJ WINAPI GetStockObject(int object)
{
    if (object >= 0 && object < Stock_Brush_Count)
        return &stockBrushes[object];
    return nullptr;
}

HDC WINAPI CreateCompatibleDC(HDC handle)
{
    if (handle != nullptr && Find_Dc(handle) == nullptr)
        return nullptr;
    DeviceContext *dc = new DeviceContext{nullptr, &stockBitmap, &stockBrushes[WHITE_BRUSH]};
    gdi.dcs.push_back(dc);
    return reinterpret_cast<HDC>(dc);
}

HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ objectHandle)
{
    DeviceContext *dc = Find_Dc(handle);
    GdiObject *object = Find_Gdi_Object(objectHandle);
    if (dc == nullptr || object == nullptr)
        return nullptr;
    if (object->kind == Gdi_Brush) {
        GdiObject *previous = dc->brush;
        dc->brush = object;
        return previous;
    }
    // A bitmap goes into a memory context only, and into one at a time.
    if (dc->window != nullptr || (object->selectedInto != nullptr && object->selectedInto != dc))
        return nullptr;
    GdiObject *previous = dc->bitmap;
    if (!previous->stock)
        previous->selectedInto = nullptr;
    dc->bitmap = object;
    if (!object->stock)
        object->selectedInto = dc;
    return previous;
}

BOOL WINAPI DeleteDC(HDC handle)
{
    DeviceContext *dc = Find_Dc(handle);
    if (dc == nullptr || dc->window != nullptr)
        return FALSE;
    if (!dc->bitmap->stock)
        dc->bitmap->selectedInto = nullptr;
    Release_Window_Dc(dc);
    return TRUE;
}

BOOL WINAPI DeleteObject(HGDIOBJ handle)
{
    GdiObject *object = Find_Gdi_Object(handle);
    if (object == nullptr || object->selectedInto != nullptr)
        return FALSE;
    if (!object->stock)
        Delete_Bitmap_Object(object);
    return TRUE;
}

COLORREF WINAPI GetPixel(HDC handle, int x, int y)
{
    Surface surface;
    if (!Get_Surface(handle, &surface) || !Allows(surface, x, y))
        return CLR_INVALID;
    return surface.pixels[(size_t)y * surface.width + x];
}

COLORREF WINAPI SetPixel(HDC handle, int x, int y, COLORREF colour)
{
    Surface surface;
    if (!Get_Surface(handle, &surface) || !Allows(surface, x, y))
        return CLR_INVALID;
    colour &= 0x00FFFFFF;
    surface.pixels[(size_t)y * surface.width + x] = colour;
    if (surface.window != nullptr)
        Mark_Changed(surface.window, RECT{x, y, x + 1, y + 1});
    return colour;
}

BOOL WINAPI BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                   int sourceY, DWORD rop)
{
    Surface to;
    if (!Get_Surface(destination, &to))
        return FALSE;
    if (width <= 0 || height <= 0)
        return TRUE;
    if (rop == BLACKNESS || rop == WHITENESS) {
        Fill_Surface(to, Clamped_Rect(x, y, (int64_t)x + width, (int64_t)y + height),
                     rop == BLACKNESS ? 0 : White);
        return TRUE;
    }
    Surface from;
    if (rop != SRCCOPY || !Get_Surface(source, &from))
        return FALSE;
    // Only the part of the source rectangle that lies on the source is copied;
    // the destination keeps its pixels elsewhere.
    RECT sourceArea = Rect_Intersect(
        Clamped_Rect(sourceX, sourceY, (int64_t)sourceX + width, (int64_t)sourceY + height),
        RECT{0, 0, from.width, from.height});
    if (Rect_Empty(sourceArea))
        return TRUE;
    int64_t shiftX = (int64_t)x - sourceX;
    int64_t shiftY = (int64_t)y - sourceY;
    RECT area = Clamped_Rect(sourceArea.left + shiftX, sourceArea.top + shiftY,
                             sourceArea.right + shiftX, sourceArea.bottom + shiftY);
    std::vector<COLORREF> copy;
    const COLORREF *sourcePixels = from.pixels;
    if (from.pixels == to.pixels) {
        copy.assign(from.pixels, from.pixels + (size_t)from.width * from.height);
        sourcePixels = copy.data();
    }
    For_Each_Drawable_Part(to, area, [&](const RECT &part) {
        size_t count = (size_t)(part.right - part.left);
        for (int row = part.top; row < part.bottom; row++)
            std::memcpy(to.pixels + (size_t)row * to.width + part.left,
                        sourcePixels + (size_t)(row - shiftY) * from.width + (part.left - shiftX),
                        count * sizeof(COLORREF));
    });
    return TRUE;
}

BOOL WINAPI TextOutA(HDC handle, int x, int y, LPCSTR text, int length)
{
    Surface surface;
    if (!Get_Surface(handle, &surface) || text == nullptr || length < 0)
        return FALSE;
    if (surface.window != nullptr)
        Backend_Text_Drawn(x, y, text, length);
    return Draw_Text(surface, x, y, text, length) ? TRUE : FALSE;
}

} // extern "C"
