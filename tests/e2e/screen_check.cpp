// qv_screen_check SCENARIO SCREEN.ppm LEFT TOP REFERENCE.bmp IMAGE.bmp
// qv_screen_check --painted SCREEN.ppm LEFT TOP IMAGE.bmp
//
// Checks a screenshot of a real measurement window against the headless
// runner's saved client area and against the floating mark's colour rules.
//
// SCREEN.ppm is the whole screen (binary PPM), LEFT TOP the screen position of
// the window's client origin. REFERENCE.bmp is the client area as the headless
// runner saved it at the scenario's first "save" line, IMAGE.bmp the stereo
// image the window shows. The mark's position, parallax and whether it was
// drawn in its fixed colours are worked out from the scenario lines before
// that "save" line (moves, wheel steps; the scenario has no repaint).
//
// Picture pixels (client columns 10..909, rows 10..629) outside the mark must
// equal the reference; the readout right of the picture is not compared,
// since the fonts differ. Each of the 90 mark pixels must show the colour the
// rules give from the stereo image under it, on the screen and in the
// reference alike. Prints a summary and exits 0 when all hold, 1 when not,
// 2 when an input cannot be read.
//
// With --painted it only tells whether the window has been painted: exit 0
// when the whole picture area shows the stereo image, 1 when not (yet).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int pictureLeft = 10, pictureTop = 10, pictureWidth = 900, pictureHeight = 620;
const int markPixels = 45;
const int markShapeDx[markPixels] = {-4, -4, -4, -4, -3, -3, -3, -3, -3, -3, -2, -2, -2, -2, -2,
                                     -2, -1, -1, -1, -1, -1, 0,  0,  0,  1,  1,  1,  1,  1,  2,
                                     2,  2,  2,  2,  2,  3,  3,  3,  3,  3,  3,  4,  4,  4,  4};
const int markShapeDy[markPixels] = {-4, -3, 3,  4, -4, -3, -2, 2,  3, 4,  -3, -2, -1, 1, 2,
                                     3,  -2, -1, 0, 1,  2,  -1, 0,  1, -2, -1, 0,  1,  2, -3,
                                     -2, -1, 1,  2, 3,  -4, -3, -2, 2, 3,  4,  -4, -3, 3, 4};
const int contrastThreshold = 175;

struct Rgb {
    int red, green, blue;
};

bool operator==(Rgb a, Rgb b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels; // top row first
    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    bool Holds(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

struct MarkPosition {
    int pointerX = 0, pointerY = 0;
    int leftOffset = 29, rightOffset = -29;
    bool fixedColours = true; // drawn by the first move, colours not yet adapted
    bool drawn = false;
};

std::string Read_File(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

unsigned Little_Endian(const std::string &data, std::size_t at, int bytes)
{
    unsigned value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(data[at + i]);
    return value;
}

// Uncompressed 24- or 32-bit BMP, bottom-up or top-down.
bool Load_Bmp(const char *path, Picture &picture)
{
    std::string data = Read_File(path);
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M')
        return false;
    std::size_t offset = Little_Endian(data, 10, 4);
    int width = static_cast<int>(Little_Endian(data, 18, 4));
    int height = static_cast<int>(Little_Endian(data, 22, 4));
    int bits = static_cast<int>(Little_Endian(data, 28, 2));
    unsigned compression = Little_Endian(data, 30, 4);
    bool topDown = height < 0;
    if (topDown)
        height = -height;
    if ((bits != 24 && bits != 32) || (compression != 0 && compression != 3) || width <= 0)
        return false;
    std::size_t rowBytes = (static_cast<std::size_t>(width) * (bits / 8) + 3) / 4 * 4;
    if (data.size() < offset + rowBytes * height)
        return false;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        std::size_t row = offset + rowBytes * (topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            std::size_t at = row + static_cast<std::size_t>(x) * (bits / 8);
            picture.pixels[static_cast<std::size_t>(y) * width + x] = {
                static_cast<unsigned char>(data[at + 2]), static_cast<unsigned char>(data[at + 1]),
                static_cast<unsigned char>(data[at])};
        }
    }
    return true;
}

// Binary PPM (P6) with a maximum value of 255.
bool Load_Ppm(const char *path, Picture &picture)
{
    std::string data = Read_File(path);
    std::istringstream header(data);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    header >> magic >> width >> height >> maximum;
    if (!header || magic != "P6" || maximum != 255 || width <= 0 || height <= 0)
        return false;
    std::size_t at = static_cast<std::size_t>(header.tellg()) + 1;
    if (data.size() < at + static_cast<std::size_t>(width) * height * 3)
        return false;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    for (Rgb &pixel : picture.pixels) {
        pixel = {static_cast<unsigned char>(data[at]), static_cast<unsigned char>(data[at + 1]),
                 static_cast<unsigned char>(data[at + 2])};
        at += 3;
    }
    return true;
}

bool Inside_Measurement_Area(long x, long y)
{
    return x >= 10 && x <= 920 && y >= 10 && y <= 630;
}

// Follows the scenario up to its first "save" line.
bool Mark_Before_Save(const char *path, MarkPosition &mark)
{
    std::ifstream in(path);
    if (!in)
        return false;
    for (std::string line; std::getline(in, line);) {
        std::istringstream args(line);
        std::string verb;
        long a = 0, b = 0;
        args >> verb;
        if (verb == "save")
            return true;
        if (verb == "move" && (args >> a >> b) && Inside_Measurement_Area(a, b)) {
            mark.fixedColours = !mark.drawn;
            mark.drawn = true;
            mark.pointerX = static_cast<int>(a);
            mark.pointerY = static_cast<int>(b);
        } else if (verb == "wheel" && (args >> a)) {
            long wheelWord = a & 0xFFFF;
            int step = wheelWord < 2000 ? -1 : wheelWord > 32000 ? 1 : 0;
            mark.leftOffset += step;
            mark.rightOffset -= step;
            mark.fixedColours = false;
            mark.drawn = true;
        } else if (verb == "expose" || verb == "resize") {
            std::fprintf(stderr, "qv_screen_check: the scenario repaints before it saves\n");
            return false;
        }
    }
    return false;
}

// Client pixel (x, y) of the stereo image shown in the picture area.
bool Image_Under(const Picture &image, int x, int y, Rgb &pixel)
{
    int column = x - pictureLeft, row = y - pictureTop;
    if (column < 0 || row < 0 || column >= pictureWidth || row >= pictureHeight ||
        !image.Holds(column, row))
        return false;
    pixel = image.At(column, row);
    return true;
}

struct ExpectedMark {
    int x[2 * markPixels], y[2 * markPixels];
    Rgb colour[2 * markPixels];
};

// The 90 mark pixels, left-eye entry i at 2i and right-eye entry i at 2i+1,
// in drawing order, with the colours the mark's rules give over the image.
bool Expected_Mark(const MarkPosition &mark, const Picture &image, ExpectedMark &expected)
{
    int leftRedSum = 0, rightBlueSum = 0;
    for (int i = 0; i < markPixels; ++i) {
        for (int half = 0; half < 2; ++half) {
            int k = 2 * i + half;
            int offset = half == 0 ? mark.leftOffset : mark.rightOffset;
            expected.x[k] = mark.pointerX + offset + markShapeDx[i];
            expected.y[k] = mark.pointerY + markShapeDy[i];
            Rgb under;
            if (!Image_Under(image, expected.x[k], expected.y[k], under)) {
                std::fprintf(stderr, "qv_screen_check: mark pixel (%d, %d) is off the picture\n",
                             expected.x[k], expected.y[k]);
                return false;
            }
            (half == 0 ? leftRedSum : rightBlueSum) += half == 0 ? under.red : under.blue;
        }
    }
    Rgb left = {200, 120, 120}, right = {120, 200, 200};
    if (!mark.fixedColours) {
        int leftRed = leftRedSum / markPixels, rightBlue = rightBlueSum / markPixels;
        left = {leftRed < contrastThreshold ? 200 : 50, leftRed, leftRed};
        int contrast = rightBlue < contrastThreshold ? 200 : 50;
        right = {rightBlue, contrast, contrast};
    }
    for (int k = 0; k < 2 * markPixels; ++k)
        expected.colour[k] = k % 2 == 0 ? left : right;
    return true;
}

// Where halves overlap the later write wins: the last entry at a position.
bool Last_Write_At(const ExpectedMark &expected, int k)
{
    for (int later = k + 1; later < 2 * markPixels; ++later)
        if (expected.x[later] == expected.x[k] && expected.y[later] == expected.y[k])
            return false;
    return true;
}

bool Is_Mark_Pixel(const ExpectedMark &expected, int x, int y)
{
    for (int k = 0; k < 2 * markPixels; ++k)
        if (expected.x[k] == x && expected.y[k] == y)
            return true;
    return false;
}

void Print_Pixel(const char *what, int x, int y, Rgb seen, Rgb wanted)
{
    std::printf("  %s (%d, %d): %d %d %d, expected %d %d %d\n", what, x, y, seen.red, seen.green,
                seen.blue, wanted.red, wanted.green, wanted.blue);
}

// Counts mark pixels of a client-area picture (origin at left, top) that do
// not show the expected colour.
int Wrong_Mark_Pixels(const char *what, const Picture &shown, int left, int top,
                      const ExpectedMark &expected)
{
    int wrong = 0;
    for (int k = 0; k < 2 * markPixels; ++k) {
        if (!Last_Write_At(expected, k))
            continue;
        int x = left + expected.x[k], y = top + expected.y[k];
        Rgb seen = shown.Holds(x, y) ? shown.At(x, y) : Rgb{-1, -1, -1};
        if (!(seen == expected.colour[k]) && ++wrong <= 5)
            Print_Pixel(what, expected.x[k], expected.y[k], seen, expected.colour[k]);
    }
    return wrong;
}

} // namespace

// qv_screen_check --painted SCREEN.ppm LEFT TOP IMAGE.bmp: exits 0 when the
// whole picture area on the screen shows the stereo image, 1 when not yet.
int Check_Painted(char **argv)
{
    Picture screen, image;
    if (!Load_Ppm(argv[2], screen) || !Load_Bmp(argv[5], image)) {
        std::fprintf(stderr, "qv_screen_check: cannot read %s or %s\n", argv[2], argv[5]);
        return 2;
    }
    int left = std::atoi(argv[3]), top = std::atoi(argv[4]);
    for (int y = pictureTop; y < pictureTop + pictureHeight; ++y)
        for (int x = pictureLeft; x < pictureLeft + pictureWidth; ++x) {
            Rgb wanted;
            if (!screen.Holds(left + x, top + y) || !Image_Under(image, x, y, wanted) ||
                !(screen.At(left + x, top + y) == wanted))
                return 1;
        }
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 6 && std::string(argv[1]) == "--painted")
        return Check_Painted(argv);
    if (argc != 7) {
        std::fprintf(
            stderr,
            "usage: qv_screen_check SCENARIO SCREEN.ppm LEFT TOP REFERENCE.bmp IMAGE.bmp\n");
        return 2;
    }
    MarkPosition mark;
    Picture screen, reference, image;
    if (!Mark_Before_Save(argv[1], mark) || !mark.drawn) {
        std::fprintf(stderr, "qv_screen_check: no mark drawn before a save line in %s\n", argv[1]);
        return 2;
    }
    if (!Load_Ppm(argv[2], screen) || !Load_Bmp(argv[5], reference) || !Load_Bmp(argv[6], image)) {
        std::fprintf(stderr, "qv_screen_check: cannot read %s, %s or %s\n", argv[2], argv[5],
                     argv[6]);
        return 2;
    }
    int left = std::atoi(argv[3]), top = std::atoi(argv[4]);
    if (!screen.Holds(left + pictureLeft + pictureWidth - 1,
                      top + pictureTop + pictureHeight - 1) ||
        !reference.Holds(pictureLeft + pictureWidth - 1, pictureTop + pictureHeight - 1)) {
        std::fprintf(stderr, "qv_screen_check: the picture area is not on the screen\n");
        return 2;
    }
    ExpectedMark expected;
    if (!Expected_Mark(mark, image, expected))
        return 2;

    int differing = 0;
    for (int y = pictureTop; y < pictureTop + pictureHeight; ++y) {
        for (int x = pictureLeft; x < pictureLeft + pictureWidth; ++x) {
            if (Is_Mark_Pixel(expected, x, y))
                continue;
            Rgb seen = screen.At(left + x, top + y), wanted = reference.At(x, y);
            if (!(seen == wanted) && ++differing <= 5)
                Print_Pixel("picture", x, y, seen, wanted);
        }
    }
    int wrongOnScreen = Wrong_Mark_Pixels("screen mark", screen, left, top, expected);
    int wrongInReference = Wrong_Mark_Pixels("reference mark", reference, 0, 0, expected);
    std::printf("picture pixels differing from the reference: %d of %d; mark at (%d, %d) "
                "offsets %d %d: %d wrong on the screen, %d in the reference\n",
                differing, pictureWidth * pictureHeight, mark.pointerX, mark.pointerY,
                mark.leftOffset, mark.rightOffset, wrongOnScreen, wrongInReference);
    return differing == 0 && wrongOnScreen == 0 && wrongInReference == 0 ? 0 : 1;
}
