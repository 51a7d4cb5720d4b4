// The picture automatic height matches on, and the match at a position. It
// reads the picture as the last paint loaded it, never the window's pixels,
// which also hold the mark and the readout.
#include "app/measure_window.h"
#include "app/surface_match.h"

#include <cstdint>
#include <vector>

namespace {

// The two views of the shown part of the picture; empty when it could not be
// loaded.
StereoPlanes matchPlanes;

// Room for the three colour masks that Windows may write after the header
// when it is asked only for a bitmap's size.
struct DibDescription {
    BITMAPINFO info;
    RGBQUAD moreColours[3];
};

// The top-left part of the bitmap that a paint shows, as the matcher's planes.
bool Split_Bitmap(HBITMAP bitmap)
{
    DibDescription description = {};
    BITMAPINFOHEADER &header = description.info.bmiHeader;
    header.biSize = sizeof header;
    if (GetDIBits(windowDC, bitmap, 0, 0, nullptr, &description.info, DIB_RGB_COLORS) == 0)
        return false;
    const int width = header.biWidth;
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (width <= 0 || height <= 0)
        return false;
    const int columns = width < pictureWidth ? width : pictureWidth;
    const int rows = height < pictureHeight ? height : pictureHeight;

    // Bottom-up, only the scan lines of the top rows: the last line read is
    // the picture's top row.
    header = BITMAPINFOHEADER{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::vector<std::uint32_t> bits(static_cast<std::size_t>(width) * rows);
    if (GetDIBits(windowDC, bitmap, static_cast<UINT>(height - rows), static_cast<UINT>(rows),
                  bits.data(), &description.info, DIB_RGB_COLORS) != rows)
        return false;

    // A DIB pixel holds blue in its lowest byte; the matcher takes red there.
    std::vector<std::uint32_t> colours(static_cast<std::size_t>(columns) * rows);
    for (int y = 0; y < rows; y++) {
        const std::uint32_t *from = bits.data() + static_cast<std::size_t>(rows - 1 - y) * width;
        std::uint32_t *to = colours.data() + static_cast<std::size_t>(y) * columns;
        for (int x = 0; x < columns; x++)
            to[x] = (from[x] >> 16 & 0xFF) | (from[x] & 0xFF00) | (from[x] & 0xFF) << 16;
    }
    Split_Anaglyph(colours.data(), columns, columns, rows, matchPlanes);
    return true;
}

} // namespace

void Keep_Match_Picture(HBITMAP bitmap)
{
    if (bitmap == nullptr || !Split_Bitmap(bitmap))
        matchPlanes = StereoPlanes();
}

bool Match_Offsets_At(int x, int y, int *leftOffset, int *rightOffset, double *coefficient)
{
    const ParallaxMatch match = Match_Parallax(matchPlanes, x - pictureLeft, y - pictureTop);
    if (match.outcome != MatchFound)
        return false;
    *leftOffset = Left_Half_Offset(match.parallax);
    *rightOffset = *leftOffset - match.parallax;
    *coefficient = match.coefficient;
    return true;
}
