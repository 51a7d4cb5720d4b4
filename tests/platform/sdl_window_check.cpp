// A small program on the SDL back end for the real-window test: it paints a
// test pattern with some text, writes its framebuffer as a PPM to the file
// named on the command line after every paint, and reports the pointer,
// wheel, size and close messages it receives on standard output.
#include "platform/desktop.h"

#include <cstdio>

namespace {

const char *framebufferPath = "";

LRESULT CALLBACK Check_Window_Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        for (int y = paint.rcPaint.top; y < paint.rcPaint.bottom; y++)
            for (int x = paint.rcPaint.left; x < paint.rcPaint.right; x++)
                SetPixel(dc, x, y, RGB(x & 255, y & 255, ((x >> 2) ^ (y >> 2)) & 255));
        TextOutA(dc, 40, 30, "ID  12 ", 7);
        EndPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        if (FILE *file = std::fopen(framebufferPath, "wb")) {
            std::fprintf(file, "P6\n%d %d\n255\n", (int)client.right, (int)client.bottom);
            for (int y = 0; y < client.bottom; y++)
                for (int x = 0; x < client.right; x++) {
                    COLORREF pixel = GetPixel(dc, x, y);
                    unsigned char rgb[3] = {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)};
                    std::fwrite(rgb, 1, 3, file);
                }
            std::fclose(file);
        }
        std::printf("paint %d %d\n", (int)client.right, (int)client.bottom);
    } else if (message == WM_MOUSEMOVE || message == WM_LBUTTONUP || message == WM_SIZE) {
        const char *name = message == WM_MOUSEMOVE ? "move" : message == WM_SIZE ? "size" : "up";
        std::printf("%s %d %d\n", name, LOWORD(lParam), HIWORD(lParam));
    } else if (message == WM_MOUSEWHEEL) {
        std::printf("wheel %d cursor %d\n", GET_WHEEL_DELTA_WPARAM(wParam), ShowCursor(FALSE));
    } else if (message == WM_CLOSE || message == WM_DESTROY) {
        std::printf(message == WM_CLOSE ? "close\n" : "destroy\n");
    }
    std::fflush(stdout);
    if (message == WM_DESTROY)
        PostQuitMessage(18);
    return message == WM_PAINT || message == WM_DESTROY
               ? 0
               : DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    framebufferPath = commandLine;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = Check_Window_Proc;
    windowClass.lpszClassName = "QuorVaneCheck";
    RegisterClassExA(&windowClass);
    CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, "QuorVaneCheck", "Quor Vane window check",
                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 1024, 700,
                    nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0))
        DispatchMessageA(&msg);
    return (int)msg.wParam;
}
