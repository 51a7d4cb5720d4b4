// libFuzzer target for the BMP path: decode the input as a bitmap file, select
// it into a memory context, copy it onto itself and read pixels back.
#include "platform/platform_internal.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    HBITMAP bitmap = Load_Bitmap_From_Memory(data, size);
    if (bitmap == nullptr)
        return 0;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 10, 10, 900, 620, memory, 0, 0, SRCCOPY);
    volatile COLORREF sink = GetPixel(memory, 0, 0) ^ GetPixel(memory, 899, 619);
    (void)sink;
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return 0;
}
