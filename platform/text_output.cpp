// Text in a system-like font: black on an opaque white cell, top-left at the
// given point. Each character is rasterised once and kept, so drawing a line
// is a copy of cached cells.
#include "platform/platform_internal.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cstring>

namespace {

// The native system font is 16 pixels high.
constexpr int System_Font_Height = 16;

struct Glyph {
    bool ready;
    int width;
    std::vector<COLORREF> cell; // width by the font's height
};

struct TextState {
    bool tried = false;
    TTF_Font *font = nullptr;
    int height = 0;
    Glyph glyphs[256] = {};
};

TextState text;

std::string Find_Font_File()
{
    std::string path;
    FcConfig *config = FcInitLoadConfigAndFonts();
    if (config == nullptr)
        return path;
    FcPattern *pattern = FcNameParse((const FcChar8 *)"sans-serif:bold");
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern *match = FcFontMatch(config, pattern, &result);
    FcChar8 *file = nullptr;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
        path = (const char *)file;
    if (match != nullptr)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return path;
}

bool Open_Font()
{
    if (text.tried)
        return text.font != nullptr;
    text.tried = true;
    if (!TTF_WasInit() && TTF_Init() != 0)
        return false;
    std::string path = Find_Font_File();
    if (path.empty())
        return false;
    text.font = TTF_OpenFont(path.c_str(), System_Font_Height);
    if (text.font == nullptr)
        return false;
    for (int size = System_Font_Height; size > 6 && TTF_FontHeight(text.font) > System_Font_Height;
         size--)
        TTF_SetFontSize(text.font, size);
    text.height = TTF_FontHeight(text.font);
    return true;
}

const Glyph &Get_Glyph(unsigned char code)
{
    Glyph &glyph = text.glyphs[code];
    if (glyph.ready)
        return glyph;
    glyph.ready = true;
    int advance = 0;
    if (TTF_GlyphMetrics32(text.font, code, nullptr, nullptr, nullptr, nullptr, &advance) != 0 ||
        advance <= 0)
        return glyph;
    glyph.width = advance;
    glyph.cell.assign((size_t)advance * text.height, White);
    SDL_Color black = {0, 0, 0, 255};
    SDL_Color white = {255, 255, 255, 255};
    SDL_Surface *rendered = TTF_RenderGlyph32_Shaded(text.font, code, black, white);
    if (rendered == nullptr)
        return glyph;
    SDL_Surface *converted = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_XBGR8888, 0);
    SDL_FreeSurface(rendered);
    if (converted == nullptr)
        return glyph;
    int rows = converted->h < text.height ? converted->h : text.height;
    int columns = converted->w < advance ? converted->w : advance;
    for (int y = 0; y < rows; y++) {
        const uint32_t *in = (const uint32_t *)((const unsigned char *)converted->pixels +
                                                (size_t)y * converted->pitch);
        for (int x = 0; x < columns; x++)
            glyph.cell[(size_t)y * advance + x] = in[x] & 0x00FFFFFF;
    }
    SDL_FreeSurface(converted);
    return glyph;
}

} // namespace

bool Draw_Text(const Surface &surface, int x, int y, const char *characters, int length)
{
    if (!Open_Font())
        return false;
    int64_t lineWidth = 0;
    for (int i = 0; i < length; i++)
        lineWidth += Get_Glyph((unsigned char)characters[i]).width;
    std::vector<RECT> parts = Drawable_Parts(
        surface, Clamped_Rect(x, y, (int64_t)x + lineWidth, (int64_t)y + text.height));
    for (const RECT &part : parts) {
        // Only cells that reach into the part are visited, so positions stay small.
        int64_t left = x;
        for (int i = 0; i < length && left < part.right; i++) {
            const Glyph &glyph = Get_Glyph((unsigned char)characters[i]);
            RECT cell = Rect_Intersect(
                part, Clamped_Rect(left, y, left + glyph.width, (int64_t)y + text.height));
            if (!Rect_Empty(cell))
                for (int row = cell.top; row < cell.bottom; row++)
                    std::memcpy(surface.pixels + (size_t)row * surface.width + cell.left,
                                glyph.cell.data() + (size_t)(row - y) * glyph.width +
                                    (size_t)(cell.left - left),
                                (size_t)(cell.right - cell.left) * sizeof(COLORREF));
            left += glyph.width;
        }
        if (surface.window != nullptr)
            Mark_Changed(surface.window, part);
    }
    return true;
}
