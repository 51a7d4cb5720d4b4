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
    bool startedTtf = false; // this layer started SDL_ttf and stops it
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
    if (!TTF_WasInit()) {
        if (TTF_Init() != 0)
            return false;
        text.startedTtf = true;
    }
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

// Rasterises one character into its cell, the first time it is drawn.
const Glyph &Render_Glyph(unsigned char code)
{
    Glyph &glyph = text.glyphs[code];
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

inline const Glyph &Get_Glyph(unsigned char code)
{
    const Glyph &glyph = text.glyphs[code];
    return glyph.ready ? glyph : Render_Glyph(code);
}

} // namespace

void Close_Text()
{
    if (text.font != nullptr)
        TTF_CloseFont(text.font);
    if (text.startedTtf)
        TTF_Quit();
    text = TextState();
}

const COLORREF *Text_Cell(unsigned char code, int *width, int *height)
{
    if (!Open_Font())
        return nullptr;
    const Glyph &glyph = Get_Glyph(code);
    *width = glyph.width;
    *height = text.height;
    return glyph.cell.data();
}

bool Draw_Text(const Surface &surface, int x, int y, const char *characters, int length)
{
    if (!Open_Font())
        return false;
    // The line is drawn in runs of characters whose cells are looked up once;
    // each cell of a run is copied where it meets the drawable part.
    constexpr int runLength = 64;
    const Glyph *cells[runLength];
    int64_t left = x;
    for (int first = 0; first < length; first += runLength) {
        const int count = length - first < runLength ? length - first : runLength;
        int64_t runWidth = 0;
        for (int i = 0; i < count; i++) {
            cells[i] = &Get_Glyph((unsigned char)characters[first + i]);
            runWidth += cells[i]->width;
        }
        const int64_t runLeft = left;
        For_Each_Drawable_Part(
            surface, Clamped_Rect(runLeft, y, runLeft + runWidth, (int64_t)y + text.height),
            [&](const RECT &part) {
                int64_t cellLeft = runLeft;
                for (int i = 0; i < count && cellLeft < part.right; i++) {
                    const Glyph &glyph = *cells[i];
                    const int64_t cellRight = cellLeft + glyph.width;
                    const int64_t from = cellLeft > part.left ? cellLeft : part.left;
                    const int64_t to = cellRight < part.right ? cellRight : part.right;
                    if (from < to) {
                        const size_t width = (size_t)(to - from);
                        const COLORREF *in = glyph.cell.data() +
                                             (size_t)(part.top - y) * glyph.width +
                                             (size_t)(from - cellLeft);
                        COLORREF *out = surface.pixels + (size_t)part.top * surface.width + from;
                        for (int row = part.top; row < part.bottom; row++) {
                            for (size_t column = 0; column < width; column++)
                                out[column] = in[column];
                            in += glyph.width;
                            out += surface.width;
                        }
                    }
                    cellLeft = cellRight;
                }
            });
        left += runWidth;
    }
    return true;
}
