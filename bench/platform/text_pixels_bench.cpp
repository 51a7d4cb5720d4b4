// The work one pointer move asks of the layer: the four readout lines, the
// mark's 90 pixel reads and 180 pixel writes, and the picture copy of a paint.
#include "platform/headless.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

LRESULT CALLBACK Plain_Window_Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

// A fresh main window, painted once; returns its own device context.
HDC Painted_Window()
{
    Inspect_Reset();
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = Plain_Window_Proc;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = "QuorVane";
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, "QuorVane", "Quor Vane",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  1024, 700, nullptr, nullptr, nullptr, nullptr);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    EndPaint(window, &paint);
    return dc;
}

void BM_Readout_Text(benchmark::State &state)
{
    HDC dc = Painted_Window();
    int id = 0;
    double value = 1234.5678;
    char line[64];
    for (auto _ : state) {
        int n = std::snprintf(line, sizeof line, "ID %3d ", id);
        TextOutA(dc, 920, 170, line, n);
        n = std::snprintf(line, sizeof line, "X %9.3lf ", value);
        TextOutA(dc, 920, 200, line, n);
        n = std::snprintf(line, sizeof line, "Y %9.3lf ", -value);
        TextOutA(dc, 920, 230, line, n);
        n = std::snprintf(line, sizeof line, "Z %9.3lf ", value * 0.5);
        TextOutA(dc, 920, 260, line, n);
        id = (id + 1) % 1000;
        value += 0.001;
    }
    Inspect_Reset();
}
BENCHMARK(BM_Readout_Text);

void BM_Mark_Pixels(benchmark::State &state)
{
    HDC dc = Painted_Window();
    COLORREF saved[90];
    int x = 400;
    for (auto _ : state) {
        for (int i = 0; i < 90; i++)
            saved[i] = GetPixel(dc, x + (i % 45) - 22 + (i < 45 ? 29 : -29), 300 + i % 5);
        for (int i = 0; i < 90; i++)
            SetPixel(dc, x + (i % 45) - 22 + (i < 45 ? 29 : -29), 300 + i % 5, saved[i]);
        for (int i = 0; i < 90; i++)
            SetPixel(dc, x + (i % 45) - 22 + (i < 45 ? 29 : -29), 300 + i % 5,
                     i < 45 ? 0x7878C8 : 0xC8C878);
        x = x == 400 ? 401 : 400;
        benchmark::DoNotOptimize(saved);
    }
    Inspect_Reset();
}
BENCHMARK(BM_Mark_Pixels);

void BM_Picture_Copy(benchmark::State &state)
{
    HDC dc = Painted_Window();
    std::string path = "bench_picture.bmp";
    Headless_Resize(900, 620);
    for (int y = 0; y < 620; y += 2)
        for (int x = 0; x < 900; x += 3)
            SetPixel(dc, x, y, RGB(x, y, x + y));
    Inspect_Save_Client_Bmp(path.c_str());
    dc = Painted_Window();
    HBITMAP bitmap =
        (HBITMAP)LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (bitmap == nullptr)
        state.SkipWithError("could not load the picture");
    HDC memory = CreateCompatibleDC(dc);
    SelectObject(memory, bitmap);
    for (auto _ : state)
        BitBlt(dc, 10, 10, 900, 620, memory, 0, 0, SRCCOPY);
    std::remove(path.c_str());
    Inspect_Reset();
}
BENCHMARK(BM_Picture_Copy);

void BM_Load_Picture_File(benchmark::State &state)
{
    HDC dc = Painted_Window();
    std::string path = "bench_picture.bmp";
    Headless_Resize(900, 620);
    for (int y = 0; y < 620; y++)
        SetPixel(dc, y, y, RGB(y, 0, 0));
    Inspect_Save_Client_Bmp(path.c_str());
    for (auto _ : state) {
        HANDLE bitmap = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
        DeleteObject(bitmap);
    }
    std::remove(path.c_str());
    Inspect_Reset();
}
BENCHMARK(BM_Load_Picture_File);

} // namespace
