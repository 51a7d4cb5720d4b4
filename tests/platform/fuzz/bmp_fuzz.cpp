// libFuzzer target for the BMP path: decode the input as a bitmap file, then
// copy it into a window the way painting does and read a few pixels back.
#include "platform/headless.h"
#include "platform/platform_internal.h"

#include <cstddef>
#include <cstdint>

namespace {

LRESULT CALLBACK Plain_Window_Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

HDC Window_Dc()
{
    static HDC dc = [] {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_OWNDC;
        windowClass.lpfnWndProc = Plain_Window_Proc;
        windowClass.lpszClassName = "FuzzWindow";
        RegisterClassExA(&windowClass);
        HWND window = CreateWindowExA(0, "FuzzWindow", "", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 1024, 700, nullptr, nullptr, nullptr, nullptr);
        PAINTSTRUCT paint;
        HDC own = BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return own;
    }();
    return dc;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    HDC dc = Window_Dc();
    HBITMAP bitmap = Load_Bitmap_From_Memory(data, size);
    if (bitmap == nullptr)
        return 0;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(dc, 10, 10, 900, 620, memory, 0, 0, SRCCOPY);
    volatile COLORREF sink = GetPixel(memory, 0, 0) ^ GetPixel(dc, 10, 10);
    (void)sink;
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return 0;
}
