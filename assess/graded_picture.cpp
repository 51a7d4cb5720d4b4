#include "graded_picture.h"

#include "app/window_layout.h"

#include <cmath>
#include <cstdio>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO // decoded from the bytes already read for the hash
#include <stb_image.h>
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

// The font the build embeds (DejaVu Sans Bold), so that the picture comes out
// the same on every system.
extern const unsigned char embeddedFont[];
extern const size_t embeddedFont_size;

namespace {

const Rgb white = {255, 255, 255};

// The font's size: the largest whole size whose ascent and descent fit in a
// text cell.
constexpr float emPixels = 13;

struct Font {
    stbtt_fontinfo info;
    float scale;
    int baseline; // from the cell's top
};

const Font *Embedded_Font()
{
    static Font font;
    static const bool ready = [] {
        const int offset = stbtt_GetFontOffsetForIndex(embeddedFont, 0);
        if (offset < 0 || !stbtt_InitFont(&font.info, embeddedFont, offset))
            return false;
        font.scale = stbtt_ScaleForMappingEmToPixels(&font.info, emPixels);
        int ascent, descent, lineGap;
        stbtt_GetFontVMetrics(&font.info, &ascent, &descent, &lineGap);
        font.baseline = static_cast<int>(std::lround(ascent * font.scale));
        return true;
    }();
    return ready ? &font : nullptr;
}

void Put(RgbImage &image, int x, int y, Rgb colour)
{
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        return;
    unsigned char *p = &image.pixels[3 * (static_cast<size_t>(y) * image.width + x)];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
}

// One character's cell, white with the glyph in black shades; returns its
// width, the glyph's advance.
int Draw_Glyph(RgbImage &image, const Font &font, int left, int top, int code)
{
    int advance, bearing;
    stbtt_GetCodepointHMetrics(&font.info, code, &advance, &bearing);
    const int width = static_cast<int>(std::lround(advance * font.scale));
    Fill_Box(image, left, top, left + width, top + textHeight, white);
    int x0, y0, x1, y1;
    stbtt_GetCodepointBitmapBox(&font.info, code, font.scale, font.scale, &x0, &y0, &x1, &y1);
    if (x1 <= x0 || y1 <= y0)
        return width;
    std::vector<unsigned char> coverage(static_cast<size_t>(x1 - x0) * (y1 - y0));
    stbtt_MakeCodepointBitmap(&font.info, coverage.data(), x1 - x0, y1 - y0, x1 - x0, font.scale,
                              font.scale, code);
    for (int j = 0; j < y1 - y0; ++j)
        for (int i = 0; i < x1 - x0; ++i) {
            // Only inside the cell, as the glyph's neighbours draw their own.
            const int cx = x0 + i, cy = font.baseline + y0 + j;
            if (cx < 0 || cx >= width || cy < 0 || cy >= textHeight)
                continue;
            const unsigned char level = 255 - coverage[static_cast<size_t>(j) * (x1 - x0) + i];
            Put(image, left + cx, top + cy, Rgb{level, level, level});
        }
    return width;
}

} // namespace

bool Left_View_From_Bmp(const std::string &bmp, RgbImage &image)
{
    int width, height, channels;
    unsigned char *decoded =
        stbi_load_from_memory(reinterpret_cast<const stbi_uc *>(bmp.data()),
                              static_cast<int>(bmp.size()), &width, &height, &channels, 3);
    if (decoded == nullptr)
        return false;
    const bool large = width >= pictureWidth && height >= pictureHeight;
    if (large) {
        image.width = pictureWidth;
        image.height = pictureHeight;
        image.pixels.resize(static_cast<size_t>(3) * pictureWidth * pictureHeight);
        // The left view is the anaglyph's red channel.
        for (int y = 0; y < pictureHeight; ++y)
            for (int x = 0; x < pictureWidth; ++x) {
                const unsigned char grey = decoded[3 * (static_cast<size_t>(y) * width + x)];
                Put(image, x, y, Rgb{grey, grey, grey});
            }
    }
    stbi_image_free(decoded);
    return large;
}

void Fill_Box(RgbImage &image, int left, int top, int right, int bottom, Rgb colour)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            Put(image, x, y, colour);
}

int Draw_Text(RgbImage &image, int x, int y, const char *text)
{
    const Font *font = Embedded_Font();
    if (font == nullptr)
        return 0;
    int left = x;
    for (const char *c = text; *c != '\0'; ++c)
        left += Draw_Glyph(image, *font, left, y, static_cast<unsigned char>(*c));
    return left - x;
}

void Draw_Point(RgbImage &image, int x, int y, int id, Rgb colour)
{
    const int r = markReach + 2;
    Fill_Box(image, x - r, y - r, x + r + 1, y - r + 2, colour);
    Fill_Box(image, x - r, y + r - 1, x + r + 1, y + r + 1, colour);
    Fill_Box(image, x - r, y - r, x - r + 2, y + r + 1, colour);
    Fill_Box(image, x + r - 1, y - r, x + r + 1, y + r + 1, colour);
    char number[16];
    std::snprintf(number, sizeof number, "%d", id);
    Draw_Text(image, x + r + 3, y - 8, number);
}

void Draw_Grade(RgbImage &image, int id, const PointGrade &grade)
{
    if (!Grade_Counts(grade))
        return;
    const Rgb colour = Grade_On_Surface(grade) ? onSurfaceColour
                       : grade.notches > 0     ? inFrontColour
                                               : behindColour;
    Draw_Point(image, grade.leftColumn - pictureLeft, grade.row - pictureTop, id, colour);
}

// A white strip, so that the legend covers no point: the three colours and
// their verdicts side by side.
void Add_Legend(RgbImage &image)
{
    static const char *const texts[3] = {"on the surface (within half a notch)",
                                         "in front of the surface", "behind the surface"};
    const Rgb colours[3] = {onSurfaceColour, inFrontColour, behindColour};
    const int top = image.height;
    image.height += legendHeight;
    image.pixels.resize(static_cast<size_t>(3) * image.width * image.height, 255);
    int x = 6;
    for (int k = 0; k < 3; ++k) {
        Fill_Box(image, x, top + 6, x + 12, top + 18, colours[k]);
        x += 18;
        x += Draw_Text(image, x, top + 4, texts[k]) + 24;
    }
}
