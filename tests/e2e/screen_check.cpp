// qv_screen_check SCENARIO SCREEN.bmp REFERENCE.bmp IMAGE.bmp [SCALE]
//
// Checks a screenshot of a real measurement window's client area (SCREEN)
// against the client area the headless runner saved at the scenario's first
// "save" line (REFERENCE), and that reference's floating mark against the
// mark's colour rules over the stereo image (IMAGE). The mark's position,
// parallax and whether it still has its first, fixed colours follow from the
// scenario lines before that "save" (the scenario has no repaint).
//
// The picture area (client columns 10..909, rows 10..629) must be the same on
// the screen as in the reference; the readout right of it is not compared,
// since the fonts differ. With a SCALE, the screen shows every client pixel
// as a SCALE by SCALE block. Each of the 90 mark pixels of the reference must
// have the colour the rules give. Exits 0 when all hold, 1 when not, 2 when an
// input cannot be read.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>

namespace {

// Pixels as 0xRRGGBB, or null when the file cannot be read.
SDL_Surface *Load(const char *path)
{
    SDL_Surface *loaded = SDL_LoadBMP(path);
    SDL_Surface *pixels =
        loaded ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0) : nullptr;
    SDL_FreeSurface(loaded);
    if (pixels == nullptr)
        std::fprintf(stderr, "qv_screen_check: cannot read %s\n", path);
    return pixels;
}

Uint32 At(const SDL_Surface *s, int x, int y)
{
    if (x < 0 || y < 0 || x >= s->w || y >= s->h)
        return 0xFFFFFFFF; // no such pixel
    return ((const Uint32 *)((const Uint8 *)s->pixels + y * s->pitch))[x] & 0xFFFFFF;
}

Uint32 Rgb(int red, int green, int blue)
{
    return (Uint32)(red << 16 | green << 8 | blue);
}

struct Mark {
    int x = 0, y = 0, leftOffset = 29, rightOffset = -29, moves = 0;
    bool fixedColours = true; // drawn by the first move only
};

// Follows the scenario up to its first "save" line: moves inside the
// measurement area place the mark, each wheel notch forward narrows it by a
// column a side.
bool Mark_Before_Save(const char *path, Mark &mark)
{
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream args(line);
        std::string verb;
        int a = 0, b = 0;
        args >> verb >> a >> b;
        if (verb == "save")
            return mark.moves > 0;
        if (verb == "move" && a >= 10 && a <= 920 && b >= 10 && b <= 630) {
            mark.fixedColours = mark.moves++ == 0;
            mark.x = a;
            mark.y = b;
        } else if (verb == "wheel") {
            mark.leftOffset -= a > 0 ? 1 : -1;
            mark.rightOffset += a > 0 ? 1 : -1;
            mark.fixedColours = false;
        }
    }
    return false;
}

// The 90 mark pixels (client positions) and the colours the rules give them
// over the image: each half a 9 by 9 diagonal cross of 45 pixels; the left
// half's colour follows the mean red under it, the right half's the mean blue.
std::map<std::pair<int, int>, Uint32> Expected_Mark(const Mark &mark, const SDL_Surface *image)
{
    int sums[2] = {0, 0};
    for (int half = 0; half < 2; ++half)
        for (int dx = -4; dx <= 4; ++dx)
            for (int dy = -4; dy <= 4; ++dy)
                if (std::abs(dx - dy) <= 1 || std::abs(dx + dy) <= 1) {
                    int x = mark.x + (half == 0 ? mark.leftOffset : mark.rightOffset) + dx;
                    Uint32 under = At(image, x - 10, mark.y + dy - 10);
                    sums[half] += half == 0 ? under >> 16 & 255 : under & 255;
                }
    int red = sums[0] / 45, blue = sums[1] / 45;
    Uint32 left = Rgb(red < 175 ? 200 : 50, red, red);
    Uint32 right = Rgb(blue, blue < 175 ? 200 : 50, blue < 175 ? 200 : 50);
    if (mark.fixedColours)
        left = Rgb(200, 120, 120), right = Rgb(120, 200, 200);
    std::map<std::pair<int, int>, Uint32> expected;
    for (int dx = -4; dx <= 4; ++dx)
        for (int dy = -4; dy <= 4; ++dy)
            if (std::abs(dx - dy) <= 1 || std::abs(dx + dy) <= 1) {
                // The right half is drawn after the left one, so wins where they meet.
                expected[{mark.x + mark.leftOffset + dx, mark.y + dy}] = left;
                expected[{mark.x + mark.rightOffset + dx, mark.y + dy}] = right;
            }
    return expected;
}

} // namespace

int main(int argc, char **argv)
{
    int k = argc == 6 ? std::atoi(argv[5]) : 1;
    if ((argc != 5 && argc != 6) || k < 1) {
        std::fprintf(stderr, "usage: qv_screen_check SCENARIO SCREEN.bmp REFERENCE.bmp IMAGE.bmp "
                             "[SCALE]\n");
        return 2;
    }
    Mark mark;
    if (!Mark_Before_Save(argv[1], mark)) {
        std::fprintf(stderr, "qv_screen_check: no mark drawn before a save line in %s\n", argv[1]);
        return 2;
    }
    SDL_Surface *screen = Load(argv[2]), *reference = Load(argv[3]), *image = Load(argv[4]);
    if (screen == nullptr || reference == nullptr || image == nullptr)
        return 2;

    int differing = 0, wrongMark = 0;
    for (int y = 10 * k; y < 630 * k; ++y)
        for (int x = 10 * k; x < 910 * k; ++x)
            if (At(screen, x, y) != At(reference, x / k, y / k) && ++differing <= 5)
                std::printf("  (%d, %d): %06x on the screen, %06x in the reference\n", x, y,
                            At(screen, x, y), At(reference, x / k, y / k));
    for (const auto &[position, colour] : Expected_Mark(mark, image)) {
        Uint32 seen = At(reference, position.first, position.second);
        if (seen != colour && ++wrongMark <= 5)
            std::printf("  mark (%d, %d): %06x, expected %06x\n", position.first, position.second,
                        seen, colour);
    }
    std::printf("picture pixels differing from the reference: %d of %d; mark at (%d, %d) "
                "offsets %d %d: %d pixels of the wrong colour\n",
                differing, 558000 * k * k, mark.x, mark.y, mark.leftOffset, mark.rightOffset,
                wrongMark);
    return differing == 0 && wrongMark == 0 ? 0 : 1;
}
