// A small program on the SDL back end for the real-window test: it paints a
// test pattern with some text, writes its framebuffer as a PPM to the file
// named on the command line after every paint, and reports the pointer,
// wheel, size and close messages it receives on standard output.
#include "main_window.h"
#include "platform/desktop.h"

#include <cstdio>
#include <string>

namespace {

std::string framebufferPath;

void Save_Framebuffer(HDC dc, int width, int height)
{
    FILE *file = std::fopen(framebufferPath.c_str(), "wb");
    if (file == nullptr)
        return;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            COLORREF pixel = GetPixel(dc, x, y);
            unsigned char rgb[3] = {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)};
            std::fwrite(rgb, 1, 3, file);
        }
    std::fclose(file);
}

LRESULT CALLBACK Check_Window_Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        for (int y = paint.rcPaint.top; y < paint.rcPaint.bottom; y++)
            for (int x = paint.rcPaint.left; x < paint.rcPaint.right; x++)
                SetPixel(dc, x, y, RGB(x & 255, y & 255, ((x >> 2) ^ (y >> 2)) & 255));
        TextOutA(dc, 40, 30, "ID  12 ", 7);
        EndPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        Save_Framebuffer(dc, client.right, client.bottom);
        std::printf("paint %d %d\n", (int)client.right, (int)client.bottom);
        break;
    }
    case WM_MOUSEMOVE:
        std::printf("move %d %d\n", LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_MOUSEWHEEL:
        std::printf("wheel %d\n", GET_WHEEL_DELTA_WPARAM(wParam));
        break;
    case WM_LBUTTONUP:
        std::printf("lbuttonup %d %d\ncursor %d\n", LOWORD(lParam), HIWORD(lParam),
                    ShowCursor(FALSE));
        break;
    case WM_SIZE:
        std::printf("size %d %d\n", LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_CLOSE:
        std::printf("close\n");
        break;
    case WM_DESTROY:
        std::printf("destroy\n");
        PostQuitMessage(18);
        break;
    }
    std::fflush(stdout);
    return message == WM_DESTROY ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    framebufferPath = commandLine;
    Create_Program_Window(Check_Window_Proc, "QuorVaneCheck", "Quor Vane window check");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
    return (int)msg.wParam;
}
