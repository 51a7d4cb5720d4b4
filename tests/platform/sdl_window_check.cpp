// A small program on the SDL back end for the real-window test: it paints a
// test pattern, writes what its framebuffer holds to the file named on the
// command line, and reports every pointer, wheel, size and close message on
// standard output.
#include "platform/desktop.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string framebufferPath;

COLORREF Pattern_Colour(int x, int y)
{
    return RGB(x & 255, y & 255, ((x >> 2) ^ (y >> 2)) & 255);
}

void Save_Framebuffer(HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    std::vector<unsigned char> rgb;
    for (int y = 0; y < client.bottom; y++)
        for (int x = 0; x < client.right; x++) {
            COLORREF pixel = GetPixel(dc, x, y);
            rgb.push_back(GetRValue(pixel));
            rgb.push_back(GetGValue(pixel));
            rgb.push_back(GetBValue(pixel));
        }
    FILE *file = std::fopen(framebufferPath.c_str(), "wb");
    if (file == nullptr)
        return;
    std::fprintf(file, "P6\n%d %d\n255\n", (int)client.right, (int)client.bottom);
    std::fwrite(rgb.data(), 1, rgb.size(), file);
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
                SetPixel(dc, x, y, Pattern_Colour(x, y));
        TextOutA(dc, 40, 30, "ID  12 ", 7);
        TextOutA(dc, 40, 60, "X   -3.250 ", 11);
        EndPaint(window, &paint);
        Save_Framebuffer(window, dc);
        RECT client;
        GetClientRect(window, &client);
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
        std::printf("lbuttonup %d %d\n", LOWORD(lParam), HIWORD(lParam));
        std::printf("cursor %d\n", ShowCursor(FALSE));
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
        std::fflush(stdout);
        return 0;
    default:
        break;
    }
    std::fflush(stdout);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    framebufferPath = commandLine;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = Check_Window_Proc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "QuorVaneCheck";
    RegisterClassExA(&windowClass);
    CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, "QuorVaneCheck", "Quor Vane window check",
                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 1024, 700,
                    nullptr, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
