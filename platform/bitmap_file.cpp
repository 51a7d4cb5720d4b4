// Loading BMP files as bitmaps. SDL's reader does the decoding; a small reader
// of our own covers uncompressed bit-field files whose channel masks SDL has no
// pixel format for. The header is checked first so that no file, however
// malformed, makes either reader allocate without limit.
#include "platform/bmp_header.h"
#include "platform/platform_internal.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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
    int64_t rows = Bmp_Rows(header);
    int64_t stride = Bmp_Row_Bytes(header.width, header.bitCount);
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
    if (data == nullptr || Read_Bmp_Header(data, size, (int64_t)size, &header) != Bmp_Good)
        return false;
    // SDL reads the alpha-bit-field form as plain rows and ignores its masks.
    if (header.compression != Compression_Alpha_Bitfields &&
        Decode_With_Sdl(data, size, pixels, width, height))
        return true;
    if (!Decode_Bitfields(data, size, header, pixels))
        return false;
    *width = (int)header.width;
    *height = (int)Bmp_Rows(header);
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
    // Only a regular file, opened without waiting on it (a FIFO would).
    const int file = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return nullptr;
    struct stat info;
    std::vector<unsigned char> bytes;
    if (fstat(file, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= Max_File_Size)
        bytes.resize((size_t)info.st_size);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(file, bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    close(file);
    if (bytes.empty() || got != bytes.size())
        return nullptr;
    return Load_Bitmap_From_Memory(bytes.data(), bytes.size());
}
