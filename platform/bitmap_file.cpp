// Loading BMP files as bitmaps. SDL's reader does the decoding; a small reader
// of our own covers uncompressed bit-field files whose channel masks SDL has no
// pixel format for. The header is checked first so that no file, however
// malformed, makes either reader allocate without limit.
#include "platform/image_limits.h"
#include "platform/platform_internal.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <sys/stat.h>

namespace {

constexpr uint32_t Compression_Rgb = 0;
constexpr uint32_t Compression_Rle8 = 1;
constexpr uint32_t Compression_Rle4 = 2;
constexpr uint32_t Compression_Bitfields = 3;
constexpr uint32_t Compression_Alpha_Bitfields = 6;

struct BmpHeader {
    uint32_t pixelOffset;
    uint32_t headerSize;
    int64_t width;
    int64_t height; // negative: rows top-down
    int bitCount;
    uint32_t compression;
};

int64_t Row_Bytes(int64_t width, int bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}

// Whether a compression value means something for this header and bit count.
// The 64-byte header is the OS/2 one, whose value 3 is Huffman coding and 4 is
// 24-bit RLE, neither of which any decoder here reads.
bool Compression_Fits(uint32_t compression, uint32_t headerSize, int bitCount, bool topDown)
{
    switch (compression) {
    case Compression_Rgb:
        return true;
    case Compression_Rle8:
        return bitCount == 8 && !topDown;
    case Compression_Rle4:
        return bitCount == 4 && !topDown;
    case Compression_Bitfields:
    case Compression_Alpha_Bitfields:
        return headerSize != 64 && (bitCount == 16 || bitCount == 32);
    default:
        return false;
    }
}

// Reads the header fields as the decoders read them (the 12-byte header's
// sizes are unsigned 16-bit, the others' signed 32-bit) and accepts only a
// file whose decoding is bounded: at most Max_Pixels pixels, so that no
// decoder's surface, conversion or pixel array exceeds 4 * Max_Pixels bytes
// (128 MiB), and, for uncompressed rows, every row in the file.
bool Read_Header(const unsigned char *data, size_t size, BmpHeader *header)
{
    if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M')
        return false;
    header->pixelOffset = Read_U32(data + 10);
    header->headerSize = Read_U32(data + 14);
    uint32_t planes = 0;
    uint32_t colours = 0;
    switch (header->headerSize) {
    case 12:
        header->width = Read_U16(data + 18);
        header->height = Read_U16(data + 20);
        planes = Read_U16(data + 22);
        header->bitCount = (int)Read_U16(data + 24);
        header->compression = Compression_Rgb;
        break;
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        if (size < 14 + 40)
            return false;
        header->width = (int32_t)Read_U32(data + 18);
        header->height = (int32_t)Read_U32(data + 22);
        planes = Read_U16(data + 26);
        header->bitCount = (int)Read_U16(data + 28);
        header->compression = Read_U32(data + 30);
        colours = Read_U32(data + 46);
        break;
    default: // the 16-byte OS/2 header included: no decoder here reads its sizes
        return false;
    }
    const bool topDown = header->height < 0;
    const int64_t rows = topDown ? -header->height : header->height;
    if (planes != 1 || header->width < 1 || rows < 1 || header->width > Max_Extent ||
        rows > Max_Extent || header->width * rows > Max_Pixels)
        return false;
    switch (header->bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    if (!Compression_Fits(header->compression, header->headerSize, header->bitCount, topDown) ||
        colours > (header->bitCount <= 8 ? 1u << header->bitCount : 256u) ||
        header->pixelOffset < 14 + header->headerSize || header->pixelOffset >= size)
        return false;
    if (header->compression == Compression_Rle8 || header->compression == Compression_Rle4)
        return true;
    // Uncompressed rows must all be in the file, padding included, as the
    // decoder reads them.
    return (int64_t)header->pixelOffset + Row_Bytes(header->width, header->bitCount) * rows <=
           (int64_t)size;
}

// Shift and width of a contiguous channel mask; false for a mask with holes.
bool Mask_Layout(uint32_t mask, int *shift, uint32_t *maximum)
{
    *shift = 0;
    *maximum = 0;
    if (mask == 0)
        return true;
    while (!(mask & 1)) {
        mask >>= 1;
        (*shift)++;
    }
    *maximum = mask;
    return (mask & (mask + 1)) == 0;
}

int Channel_Value(uint32_t pixel, int shift, uint32_t maximum)
{
    if (maximum == 0)
        return 0;
    uint32_t value = (pixel >> shift) & maximum;
    if (maximum > 255) {
        int drop = 0;
        while ((maximum >> drop) > 255)
            drop++;
        return (int)(value >> drop);
    }
    return (int)((value * 255 + maximum / 2) / maximum);
}

bool Decode_Bitfields(const unsigned char *data, size_t size, const BmpHeader &header,
                      std::vector<COLORREF> *pixels)
{
    if (header.headerSize < 40 || header.headerSize == 64 ||
        (header.compression != Compression_Bitfields &&
         header.compression != Compression_Alpha_Bitfields) ||
        (header.bitCount != 16 && header.bitCount != 32) || size < 14 + 40 + 12)
        return false;
    int shifts[3];
    uint32_t maxima[3];
    for (int c = 0; c < 3; c++)
        if (!Mask_Layout(Read_U32(data + 54 + 4 * c), &shifts[c], &maxima[c]))
            return false;
    int64_t rows = header.height < 0 ? -header.height : header.height;
    int64_t stride = Row_Bytes(header.width, header.bitCount);
    if ((int64_t)header.pixelOffset + stride * rows > (int64_t)size)
        return false;
    pixels->assign((size_t)(header.width * rows), 0);
    for (int64_t row = 0; row < rows; row++) {
        int64_t fileRow = header.height < 0 ? row : rows - 1 - row;
        const unsigned char *in = data + header.pixelOffset + fileRow * stride;
        COLORREF *out = pixels->data() + row * header.width;
        for (int64_t x = 0; x < header.width; x++) {
            uint32_t pixel = header.bitCount == 16 ? Read_U16(in + 2 * x) : Read_U32(in + 4 * x);
            out[x] = RGB(Channel_Value(pixel, shifts[0], maxima[0]),
                         Channel_Value(pixel, shifts[1], maxima[1]),
                         Channel_Value(pixel, shifts[2], maxima[2]));
        }
    }
    return true;
}

bool Decode_With_Sdl(const unsigned char *data, size_t size, std::vector<COLORREF> *pixels,
                     int *width, int *height)
{
    SDL_RWops *stream = SDL_RWFromConstMem(data, (int)size);
    if (stream == nullptr)
        return false;
    SDL_Surface *loaded = SDL_LoadBMP_RW(stream, 1);
    if (loaded == nullptr)
        return false;
    // A plain conversion copies colour channels and drops alpha, as a blit does.
    SDL_Surface *converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_XBGR8888, 0);
    SDL_FreeSurface(loaded);
    if (converted == nullptr)
        return false;
    *width = converted->w;
    *height = converted->h;
    pixels->assign((size_t)converted->w * converted->h, 0);
    SDL_LockSurface(converted);
    for (int y = 0; y < converted->h; y++) {
        const uint32_t *in = (const uint32_t *)((const unsigned char *)converted->pixels +
                                                (size_t)y * converted->pitch);
        COLORREF *out = pixels->data() + (size_t)y * converted->w;
        for (int x = 0; x < converted->w; x++)
            out[x] = in[x] & 0x00FFFFFF;
    }
    SDL_UnlockSurface(converted);
    SDL_FreeSurface(converted);
    return true;
}

} // namespace

bool Decode_Bmp(const unsigned char *data, size_t size, int *width, int *height,
                std::vector<COLORREF> *pixels)
{
    BmpHeader header;
    if (data == nullptr || size > (size_t)Max_File_Size || !Read_Header(data, size, &header))
        return false;
    // SDL reads the alpha-bit-field form as plain rows and ignores its masks.
    if (header.compression != Compression_Alpha_Bitfields &&
        Decode_With_Sdl(data, size, pixels, width, height))
        return true;
    if (!Decode_Bitfields(data, size, header, pixels))
        return false;
    *width = (int)header.width;
    *height = (int)(header.height < 0 ? -header.height : header.height);
    return true;
}

HBITMAP Load_Bitmap_From_Memory(const void *data, size_t size)
{
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    if (!Decode_Bmp((const unsigned char *)data, size, &width, &height, &pixels))
        return nullptr;
    return Create_Bitmap(width, height, std::move(pixels));
}

extern "C" HANDLE WINAPI LoadImageA(HINSTANCE, LPCSTR name, UINT type, int width, int height,
                                    UINT flags)
{
    // Only the file's own size (0, 0) is supported: nothing here scales.
    if (type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE) || name == nullptr ||
        (uintptr_t)name < 0x10000 || width != 0 || height != 0)
        return nullptr;
    struct stat info;
    if (stat(name, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > Max_File_Size)
        return nullptr;
    FILE *file = std::fopen(name, "rb");
    if (file == nullptr)
        return nullptr;
    std::vector<unsigned char> bytes((size_t)info.st_size);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    if (got != bytes.size())
        return nullptr;
    return Load_Bitmap_From_Memory(bytes.data(), bytes.size());
}
