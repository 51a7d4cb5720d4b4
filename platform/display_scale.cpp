// The desktop's scale factor, read the way X11 desktops publish it, and the
// scaled copy of the client framebuffer into the window.
#include "platform/display_scale.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The number a setting holds, or 0 when it is unset or not a positive number.
double Setting_Value(const char *text)
{
    if (text == nullptr)
        return 0;
    char *end = nullptr;
    double value = std::strtod(text, &end);
    while (end != text && (*end == ' ' || *end == '\t' || *end == '\n'))
        ++end;
    if (end == text || *end != '\0' || !std::isfinite(value) || value <= 0)
        return 0;
    return value;
}

// Xft.dpi from the resources the desktop loaded into the X server, or "".
std::string Xft_Dpi_Resource()
{
    std::string dpi;
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return dpi;
    if (const char *resources = XResourceManagerString(display)) {
        XrmInitialize();
        XrmDatabase database = XrmGetStringDatabase(resources);
        char *type = nullptr;
        XrmValue value = {0, nullptr};
        if (database != nullptr && XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) &&
            value.addr != nullptr)
            dpi = value.addr;
        if (database != nullptr)
            XrmDestroyDatabase(database);
    }
    XCloseDisplay(display);
    return dpi;
}

} // namespace

int Choose_Display_Scale(const char *gdkScale, const char *xftDpi)
{
    double factor = Setting_Value(gdkScale);
    if (factor == 0)
        factor = Setting_Value(xftDpi) / 96;
    if (factor < 1.5)
        return 1;
    return factor >= Max_Display_Scale ? Max_Display_Scale : (int)std::lround(factor);
}

int Fitting_Display_Scale(int scale, int clientWidth, int clientHeight, int usableWidth,
                          int usableHeight)
{
    // What a window manager adds around a window, at most, in screen pixels.
    const int frameWidth = 16;
    const int frameHeight = 64;
    while (scale > 1 && (clientWidth * scale + frameWidth > usableWidth ||
                         clientHeight * scale + frameHeight > usableHeight))
        scale--;
    return scale;
}

int Desktop_Display_Scale()
{
    const char *driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0)
        return 1;
    return Choose_Display_Scale(std::getenv("GDK_SCALE"), Xft_Dpi_Resource().c_str());
}

int Window_To_Client(int position, int scale)
{
    return position >= 0 ? position / scale : -((-position + scale - 1) / scale);
}

SDL_Rect Present_Scaled(SDL_Surface *surface, const COLORREF *pixels, int width, RECT changed,
                        int scale)
{
    // The window may already have a new size that the framebuffer follows later.
    int right = changed.right < surface->w / scale ? changed.right : surface->w / scale;
    int bottom = changed.bottom < surface->h / scale ? changed.bottom : surface->h / scale;
    if (right <= changed.left || bottom <= changed.top)
        return SDL_Rect{0, 0, 0, 0};
    int columns = right - changed.left;
    int bytes = surface->format->BytesPerPixel;
    const SDL_Rect area = {changed.left * scale, changed.top * scale, columns * scale,
                           (bottom - changed.top) * scale};
    if (scale == 1) {
        SDL_ConvertPixels(columns, bottom - changed.top, SDL_PIXELFORMAT_XBGR8888,
                          pixels + (size_t)changed.top * width + changed.left,
                          width * (int)sizeof(COLORREF), surface->format->format,
                          (Uint8 *)surface->pixels + (size_t)changed.top * surface->pitch +
                              (size_t)changed.left * bytes,
                          surface->pitch);
        return area;
    }
    size_t scaledRow = (size_t)columns * scale * bytes;
    static std::vector<Uint8> converted;
    converted.resize((size_t)columns * bytes);
    Uint8 *row = converted.data();
    for (int y = changed.top; y < bottom; ++y) {
        Uint8 *target = (Uint8 *)surface->pixels + (size_t)y * scale * surface->pitch +
                        (size_t)changed.left * scale * bytes;
        SDL_ConvertPixels(
            columns, 1, SDL_PIXELFORMAT_XBGR8888, pixels + (size_t)y * width + changed.left,
            columns * (int)sizeof(COLORREF), surface->format->format, row, columns * bytes);
        // Each pixel scale times across, then that row scale - 1 more times down:
        // nearest neighbour, so every colour stays exact.
        if (bytes == 4) {
            Uint32 *out = (Uint32 *)target;
            for (int x = 0; x < columns; ++x)
                for (int i = 0; i < scale; ++i)
                    *out++ = ((const Uint32 *)row)[x];
        } else {
            for (int x = 0; x < columns * scale; ++x)
                std::memcpy(target + (size_t)x * bytes, row + (size_t)(x / scale) * bytes, bytes);
        }
        for (int i = 1; i < scale; ++i)
            std::memcpy(target + (size_t)i * surface->pitch, target, scaledRow);
    }
    return area;
}
