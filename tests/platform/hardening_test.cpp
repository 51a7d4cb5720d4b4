// No file makes the loader allocate more than 512 MiB in one piece, and files
// whose decoding could not be bounded, or whose compression does not fit, are
// refused. Every allocation of the SDL decoder is watched; larger requests
// than the limit are refused, so a broken header check fails here instead of
// taking the machine's memory.
// Handles of deleted windows, device contexts and bitmaps stay invalid, even
// when a new object takes their place, and every call fails on them as the
// native system's does.
#include "window_fixture.h"

#include <SDL.h>

#include <cstdio>
#include <filesystem>

namespace {

constexpr size_t Allocation_Limit = size_t(512) << 20;
size_t largestRequest = 0;
SDL_malloc_func sdlMalloc;
SDL_calloc_func sdlCalloc;
SDL_realloc_func sdlRealloc;
SDL_free_func sdlFree;

bool Note(size_t bytes)
{
    largestRequest = bytes > largestRequest ? bytes : largestRequest;
    return bytes <= Allocation_Limit;
}

void Watch_Sdl_Allocations()
{
    SDL_GetMemoryFunctions(&sdlMalloc, &sdlCalloc, &sdlRealloc, &sdlFree);
    SDL_SetMemoryFunctions(
        [](size_t n) { return Note(n) ? sdlMalloc(n) : nullptr; },
        [](size_t n, size_t size) {
            return size != 0 && Note(n > Allocation_Limit / size ? ~size_t(0) : n * size)
                       ? sdlCalloc(n, size)
                       : nullptr;
        },
        [](void *p, size_t n) { return Note(n) ? sdlRealloc(p, n) : nullptr; }, sdlFree);
}

HGDIOBJ New_Bitmap()
{
    return LoadImageA(nullptr, QV_BMPSUITE_DIR "/good/rgb24.bmp", IMAGE_BITMAP, 0, 0,
                      LR_LOADFROMFILE);
}

// Every drawing call on a context that is not (or no longer) valid fails.
void Expect_Dead_Dc(HDC dc, HDC live)
{
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(dc, 0, 0, 0), CLR_INVALID);
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", 1));
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, live, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(live, 0, 0, 1, 1, dc, 0, 0, SRCCOPY));
    EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
    EXPECT_FALSE(DeleteDC(dc));
}

} // namespace

using BmpLimitsTest = HeadlessTest;

TEST_F(BmpLimitsTest, HostileFilesStayWithinTheAllocationLimitAndMisfitsAreRefused)
{
    Watch_Sdl_Allocations();
    size_t worst = 0, files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(QV_HOSTILE_BMP_DIR)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        files++;
        largestRequest = 0;
        HANDLE bitmap =
            LoadImageA(nullptr, entry.path().c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
        EXPECT_LE(largestRequest, Allocation_Limit);
        worst = largestRequest > worst ? largestRequest : worst;
        EXPECT_TRUE(name.rfind("either-", 0) == 0 ||
                    (bitmap != nullptr) == (name.rfind("decoded-", 0) == 0));
        EXPECT_TRUE(bitmap == nullptr || DeleteObject(bitmap));
    }
    EXPECT_GE(files, 150u) << "hostile files not found in " QV_HOSTILE_BMP_DIR;
    std::printf("largest single decoder allocation: %zu bytes\n", worst);
}

using HandleTest = HeadlessTest;

TEST_F(HandleTest, DeletedContextsAndBitmapsNeverComeBackAndHandlesOfOneKindAreNotAnother)
{
    HDC live = CreateCompatibleDC(nullptr), gone = CreateCompatibleDC(nullptr);
    HGDIOBJ bitmap = New_Bitmap(), goneBitmap = New_Bitmap();
    ASSERT_TRUE(DeleteDC(gone) && DeleteObject(goneBitmap));
    HDC reused = CreateCompatibleDC(nullptr);
    HGDIOBJ reusedBitmap = New_Bitmap();
    EXPECT_TRUE(reused != gone && reusedBitmap != goneBitmap);
    EXPECT_EQ(GetPixel(reused, 0, 0), 0u) << "a new context holds the one black pixel";
    Expect_Dead_Dc(gone, live);
    Expect_Dead_Dc((HDC)bitmap, live);
    for (auto [dc, object] : {std::pair{gone, bitmap},
                              {live, goneBitmap},
                              {live, (HGDIOBJ)reused},
                              {live, GetStockObject(WHITE_BRUSH)}})
        EXPECT_EQ(SelectObject(dc, object), nullptr);
    EXPECT_FALSE(DeleteObject(goneBitmap));
    EXPECT_FALSE(DeleteObject((HGDIOBJ)live));
    EXPECT_NE(SelectObject(live, reusedBitmap), nullptr);
    EXPECT_FALSE(DeleteObject(reusedBitmap)) << "a bitmap selected into a context";
    EXPECT_EQ(Inspect_Live_Dcs(), 2);
    EXPECT_EQ(Inspect_Live_Gdi_Objects(), 2);
}

TEST_F(HandleTest, DestroyedWindowsAndTheirOwnContextsAreDeadForEveryCall)
{
    HDC own = Create_Main_Window();
    HWND window = created;
    HDC memory = CreateCompatibleDC(own);
    ASSERT_TRUE(DestroyWindow(window));
    Create_Main_Window();
    EXPECT_TRUE(created != nullptr && created != window);
    PAINTSTRUCT paint;
    RECT client;
    EXPECT_TRUE(!BeginPaint(window, &paint) && !EndPaint(window, &paint) &&
                !GetClientRect(window, &client) && !PostMessageA(window, WM_USER, 0, 0) &&
                !SendMessageA(window, WM_USER, 0, 0) && !DestroyWindow(window));
    Expect_Dead_Dc(own, memory);
    EXPECT_EQ(Inspect_Main_Window(), nullptr) << "only the first window is the main one";
    // A window that its creation handler destroys is never used again.
    ASSERT_TRUE(DestroyWindow(created));
    handler = [](HWND window, UINT message) {
        return message == WM_CREATE && DestroyWindow(window);
    };
    Create_Main_Window();
    EXPECT_EQ(created, nullptr);
    received.clear();
    Pump();
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(Inspect_Live_Dcs(), 1) << "the memory context";
}
