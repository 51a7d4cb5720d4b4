#include "app/measure_window.h"
#include "model/stereo_model.h"

HDC windowDC = nullptr;

namespace {

const COLORREF defaultLeftColour = RGB(200, 120, 120);
const COLORREF defaultRightColour = RGB(120, 200, 200);

// Loads the stereo image, or gives the reason why it cannot be shown.
HBITMAP Load_Stereo_Image(char *problem, std::size_t size)
{
    // A file over the size limits is refused here as well, so that every build
    // refuses the same files, whatever its own loader would take.
    if (Find_Image_Problem(problem, size))
        return nullptr;
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, stereoImageFile, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

} // namespace

LRESULT Handle_Paint(HWND window)
{
    PAINTSTRUCT paint;
    windowDC = BeginPaint(window, &paint);
    MarkState.cursorShown = 1;
    MarkState.freshPaint = 1;

    char problem[imageProblemSize];
    HBITMAP bitmap = Load_Stereo_Image(problem, sizeof problem);
    if (bitmap != nullptr) {
        HDC memoryDC = CreateCompatibleDC(windowDC);
        SelectObject(memoryDC, bitmap);
        BitBlt(windowDC, pictureLeft, pictureTop, pictureWidth, pictureHeight, memoryDC, 0, 0,
               SRCCOPY);
        DeleteDC(memoryDC);
        Forget_Image_Problem();
    } else {
        Show_Image_Problem(problem);
    }
    // Automatic height matches on the picture as loaded, once it is no longer
    // selected into a context.
    Keep_Match_Picture(bitmap);
    if (bitmap != nullptr)
        DeleteObject(bitmap);

    // Every paint brings the mark back to its default colours and parallax.
    MarkState.leftColour = defaultLeftColour;
    MarkState.rightColour = defaultRightColour;
    MarkState.rightOffset = paintedRightOffset;
    MarkState.leftOffset = paintedLeftOffset;

    EndPaint(window, &paint);
    return 0;
}

LRESULT Handle_Destroy()
{
    Release_Stereo_Model();
    Close_Point_Log();
    PostQuitMessage(normalExitCode);
    return 0;
}

LRESULT CALLBACK Measure_Window_Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        return Handle_Destroy();
    case WM_PAINT:
        return Handle_Paint(window);
    case WM_MOUSEMOVE:
        if (!Pointer_Move_Echo(LOWORD(lParam), HIWORD(lParam)))
            Handle_Pointer_Move(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_LBUTTONUP:
        Record_Point();
        return 0;
    case WM_MOUSEWHEEL:
        Handle_Wheel(HIWORD(wParam));
        return 0;
    case WM_KEYDOWN:
        if (Handle_Key(window, wParam, lParam))
            return 0;
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = Measure_Window_Procedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = windowClassName;
    windowClass.hIconSm = LoadIconA(instance, IDI_APPLICATION);
    RegisterClassExA(&windowClass);

    HWND window = CreateWindowExA(WS_EX_OVERLAPPEDWINDOW, windowClassName, windowTitle,
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  1024, 700, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        // Without a window there is nothing to measure in; nothing has been
        // built or opened yet.
        std::fputs("Quor Vane could not open its window.\n", stderr);
        return 1;
    }

    Init_Mark_Shape();
    Setup_Stereo_Model();
    Open_Point_Log();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
