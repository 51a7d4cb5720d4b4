// The headless back end: no window on screen. Input comes from the caller, and
// the client framebuffer can be read back and saved.
#include "platform/backend.h"
#include "platform/headless.h"

#include <cstdio>
#include <vector>

namespace {

struct Headless {
    Headless_Idle_Handler handler = nullptr;
    void *context = nullptr;
    bool handlerDone = false;
    bool closeDelivered = false;
    std::vector<Headless_Text> textCalls;
};

Headless headless;

void Put_U16(std::vector<unsigned char> &out, uint32_t value)
{
    out.push_back((unsigned char)(value & 0xFF));
    out.push_back((unsigned char)(value >> 8 & 0xFF));
}

void Put_U32(std::vector<unsigned char> &out, uint32_t value)
{
    Put_U16(out, value & 0xFFFF);
    Put_U16(out, value >> 16);
}

} // namespace

bool Backend_Window_Created(const char *, int, int)
{
    return true;
}

void Backend_Window_Destroyed() {}

void Backend_Poll() {}

bool Backend_Wait()
{
    if (!headless.handlerDone) {
        if (headless.handler != nullptr && headless.handler(headless.context))
            return true;
        headless.handlerDone = true;
    }
    if (!headless.closeDelivered && Platform_Main_Window() != nullptr) {
        headless.closeDelivered = true;
        Platform_Request_Close();
        return true;
    }
    return false;
}

void Backend_Present(const COLORREF *, int, int, const RECT *, int) {}

void Backend_Cursor_Changed(int) {}

void Backend_Text_Drawn(int x, int y, const char *text, int length)
{
    headless.textCalls.push_back(Headless_Text{x, y, std::string(text, (size_t)length)});
}

std::vector<Headless_Text> Headless_Take_Text_Calls()
{
    std::vector<Headless_Text> calls;
    calls.swap(headless.textCalls);
    return calls;
}

int Headless_Live_Dcs()
{
    return Platform_Live_Dcs();
}

int Headless_Live_Gdi_Objects()
{
    return Platform_Live_Gdi_Objects();
}

void Headless_Queue_Input(UINT message, WPARAM wParam, LPARAM lParam)
{
    Platform_Queue_Input(message, wParam, lParam);
}

void Headless_Set_Idle_Handler(Headless_Idle_Handler handler, void *context)
{
    headless.handler = handler;
    headless.context = context;
    headless.handlerDone = false;
}

void Headless_Resize(int clientWidth, int clientHeight)
{
    Platform_Resize_Client(clientWidth, clientHeight);
}

void Headless_Invalidate(int left, int top, int right, int bottom)
{
    Platform_Invalidate_Client(left, top, right, bottom);
}

void Headless_Request_Close()
{
    Platform_Request_Close();
}

HWND Headless_Main_Window()
{
    return Platform_Main_Window();
}

UINT Headless_Main_Window_Class_Style()
{
    return Platform_Main_Window_Class_Style();
}

COLORREF Headless_Client_Pixel(int x, int y)
{
    return Platform_Client_Pixel(x, y);
}

int Headless_Client_Width()
{
    return Platform_Client_Width();
}

int Headless_Client_Height()
{
    return Platform_Client_Height();
}

bool Headless_Save_Client_Bmp(const char *path)
{
    if (path == nullptr)
        return false;
    int width = Platform_Client_Width();
    int height = Platform_Client_Height();
    uint32_t stride = ((uint32_t)width * 3 + 3) / 4 * 4;
    uint32_t imageSize = stride * (uint32_t)height;
    std::vector<unsigned char> out;
    out.reserve(54 + imageSize);
    out.push_back('B');
    out.push_back('M');
    Put_U32(out, 54 + imageSize);
    Put_U32(out, 0);
    Put_U32(out, 54);
    Put_U32(out, 40);
    Put_U32(out, (uint32_t)width);
    Put_U32(out, (uint32_t)height); // rows bottom-up
    Put_U16(out, 1);
    Put_U16(out, 24);
    Put_U32(out, 0);
    Put_U32(out, imageSize);
    Put_U32(out, 2835); // 72 dots per inch
    Put_U32(out, 2835);
    Put_U32(out, 0);
    Put_U32(out, 0);
    for (int y = height - 1; y >= 0; y--) {
        for (int x = 0; x < width; x++) {
            COLORREF pixel = Platform_Client_Pixel(x, y);
            out.push_back(GetBValue(pixel));
            out.push_back(GetGValue(pixel));
            out.push_back(GetRValue(pixel));
        }
        for (uint32_t pad = (uint32_t)width * 3; pad < stride; pad++)
            out.push_back(0);
    }
    FILE *file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}

int Headless_Cursor_Counter()
{
    return Platform_Cursor_Counter();
}

int Headless_Show_Cursor_Calls()
{
    return Platform_Show_Cursor_Calls();
}

void Headless_Reset()
{
    Platform_Reset();
    headless = Headless();
}
