// Device contexts, brushes and bitmaps, and the pixel operations on them.
#include "platform/backend.h"
#include "platform/platform_internal.h"

#include <cstring>

namespace {

struct Gdi {
    HandleTable<DeviceContext> dcs{Handle_Dc, {}, {}};
    HandleTable<GdiObject> objects{Handle_Gdi, {}, {}};
};

Gdi gdi;
// The stock objects: the white brush, and the one-pixel black bitmap that every
// memory context starts with. Their handles have generation 0.
GdiObject whiteBrush = {
    (HGDIOBJ)Make_Handle(Handle_Gdi, 0, 0), Gdi_Brush, White, 0, 0, {}, nullptr};
GdiObject stockBitmap = {(HGDIOBJ)Make_Handle(Handle_Gdi, 1, 0), Gdi_Bitmap, 0, 1, 1, {0}, nullptr};

bool Is_Stock(const GdiObject *object)
{
    return object == &whiteBrush || object == &stockBitmap;
}

DeviceContext *New_Dc(Window *window)
{
    DeviceContext *dc = new DeviceContext{nullptr, window, &stockBitmap};
    dc->handle = (HDC)gdi.dcs.Add(dc);
    return dc;
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

} // namespace

DeviceContext *Create_Window_Dc(Window *window)
{
    return New_Dc(window);
}

void Release_Window_Dc(DeviceContext *dc)
{
    gdi.dcs.Remove(dc->handle);
    delete dc;
}

bool Get_Surface(HDC handle, Surface *surface)
{
    DeviceContext *dc = gdi.dcs.Find(handle);
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
    if (handle == whiteBrush.handle)
        return &whiteBrush;
    if (handle == stockBitmap.handle)
        return &stockBitmap;
    return gdi.objects.Find(handle);
}

HBITMAP Create_Bitmap(int width, int height, std::vector<COLORREF> &&pixels)
{
    GdiObject *object = new GdiObject{nullptr, Gdi_Bitmap, 0, width, height, {}, nullptr};
    object->pixels.swap(pixels);
    object->handle = (HGDIOBJ)gdi.objects.Add(object);
    return (HBITMAP)object->handle;
}

int Live_Dcs()
{
    return gdi.dcs.Live();
}

int Live_Gdi_Objects()
{
    return gdi.objects.Live();
}

void Reset_Gdi()
{
    for (auto &slot : gdi.dcs.slots)
        delete slot.item;
    for (auto &slot : gdi.objects.slots)
        delete slot.item;
    gdi = Gdi();
}

extern "C" {

HGDIOBJ WINAPI GetStockObject(int object)
{
    return object == WHITE_BRUSH ? whiteBrush.handle : nullptr;
}

HDC WINAPI CreateCompatibleDC(HDC handle)
{
    if (handle != nullptr && gdi.dcs.Find(handle) == nullptr)
        return nullptr;
    return New_Dc(nullptr)->handle;
}

// Selects a bitmap into a memory context, one context at a time.
HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ objectHandle)
{
    DeviceContext *dc = gdi.dcs.Find(handle);
    GdiObject *object = Find_Gdi_Object(objectHandle);
    if (dc == nullptr || object == nullptr || object->kind != Gdi_Bitmap || dc->window != nullptr ||
        (object->selectedInto != nullptr && object->selectedInto != dc))
        return nullptr;
    GdiObject *previous = dc->bitmap;
    previous->selectedInto = nullptr;
    dc->bitmap = object;
    if (!Is_Stock(object))
        object->selectedInto = dc;
    return previous->handle;
}

BOOL WINAPI DeleteDC(HDC handle)
{
    DeviceContext *dc = gdi.dcs.Find(handle);
    if (dc == nullptr || dc->window != nullptr)
        return FALSE;
    dc->bitmap->selectedInto = nullptr;
    Release_Window_Dc(dc);
    return TRUE;
}

BOOL WINAPI DeleteObject(HGDIOBJ handle)
{
    GdiObject *object = Find_Gdi_Object(handle);
    if (object == nullptr || object->selectedInto != nullptr)
        return FALSE;
    if (!Is_Stock(object)) {
        gdi.objects.Remove(handle);
        delete object;
    }
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
    Surface from;
    if (rop != SRCCOPY || !Get_Surface(source, &from))
        return FALSE;
    if (width <= 0 || height <= 0)
        return TRUE;
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

int WINAPI GetDIBits(HDC handle, HBITMAP bitmapHandle, UINT start, UINT lines, LPVOID bits,
                     BITMAPINFO *info, UINT usage)
{
    GdiObject *bitmap = Find_Gdi_Object((HGDIOBJ)bitmapHandle);
    if (gdi.dcs.Find(handle) == nullptr || bitmap == nullptr || bitmap->kind != Gdi_Bitmap ||
        bitmap->selectedInto != nullptr || info == nullptr || usage != DIB_RGB_COLORS ||
        info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    BITMAPINFOHEADER &header = info->bmiHeader;
    if (bits == nullptr) {
        // Only the size is asked for: the bitmap as a bottom-up 32-bit DIB.
        header.biWidth = bitmap->width;
        header.biHeight = bitmap->height;
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        header.biSizeImage = (DWORD)bitmap->width * (DWORD)bitmap->height * 4;
        return 1;
    }
    // This layer converts to one format only, and rows of the bitmap's own size.
    const bool topDown = header.biHeight < 0;
    const int64_t rows = topDown ? -(int64_t)header.biHeight : header.biHeight;
    if (header.biBitCount != 32 || header.biCompression != BI_RGB ||
        header.biWidth != bitmap->width || rows != bitmap->height)
        return 0;
    const int64_t height = bitmap->height;
    const int64_t first = start;
    const int64_t count = first >= height                   ? 0
                          : (int64_t)lines < height - first ? lines
                                                            : height - first;
    // Scan line n is the bitmap's row height - 1 - n from the top. A bottom-up
    // buffer starts with the lowest line asked for, a top-down one with the
    // highest.
    auto *out = static_cast<unsigned char *>(bits);
    for (int64_t k = 0; k < count; k++) {
        const int64_t line = first + k;
        const COLORREF *from = bitmap->pixels.data() + (size_t)(height - 1 - line) * bitmap->width;
        unsigned char *to = out + (size_t)(topDown ? count - 1 - k : k) * bitmap->width * 4;
        for (int x = 0; x < bitmap->width; x++) {
            to[4 * x] = GetBValue(from[x]);
            to[4 * x + 1] = GetGValue(from[x]);
            to[4 * x + 2] = GetRValue(from[x]);
            to[4 * x + 3] = 0;
        }
    }
    return (int)count;
}

BOOL WINAPI TextOutA(HDC handle, int x, int y, LPCSTR text, int length)
{
    Surface surface;
    if (!Get_Surface(handle, &surface) || text == nullptr || length < 0)
        return FALSE;
    return Draw_Text(surface, x, y, text, length) ? TRUE : FALSE;
}

} // extern "C"
