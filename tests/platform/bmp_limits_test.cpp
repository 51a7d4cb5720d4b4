// No file makes the loader allocate more than 512 MiB in one piece, and files
// whose decoding could not be bounded, or whose compression does not fit, are
// refused. Every allocation of the SDL decoder is watched; larger requests
// than the limit are refused, so a broken header check fails here instead of
// taking the machine's memory.
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
