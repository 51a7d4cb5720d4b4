// Draws the program's icon from the default stereo image: a square piece of
// the anaglyph, darkened, on a tile with rounded corners, with the floating
// mark over it (a red cross and a cyan cross side by side, white where they
// overlap, as the fused mark looks through the glasses).
//
//   make_icon IMAGE.bmp OUTPUT_DIRECTORY
//
// writes into OUTPUT_DIRECTORY
//   quor-vane-N.png     for N in 16 24 32 48 64 128 256 (the desktop's icon theme),
//   quor-vane.ico       16, 24, 32, 48 as bitmaps and 256 as PNG (the .exe's icon),
//   program_icon.cpp    the 64-pixel image as the Linux program's own icon.
#include "png_file.h"

#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Straight-alpha RGBA pixels, top-down rows.
struct Rgba {
    uint8_t r, g, b, a;
};
using Picture = std::vector<Rgba>;

// The square of the anaglyph the tile shows, in image pixels: the middle of
// the building front.
constexpr int Crop_Left = 250;
constexpr int Crop_Top = 110;
constexpr int Crop_Size = 400;
constexpr int Embedded_Size = 64;
const int Png_Sizes[] = {16, 24, 32, 48, 64, 128, 256};
const int Ico_Sizes[] = {16, 24, 32, 48, 256};

struct Source {
    int width;
    int height;
    std::vector<Rgba> pixels;
};

bool Load_Image(const char *path, Source *source)
{
    SDL_Surface *loaded = SDL_LoadBMP(path);
    if (loaded == nullptr)
        return false;
    SDL_Surface *rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (rgba == nullptr)
        return false;
    source->width = rgba->w;
    source->height = rgba->h;
    source->pixels.resize((size_t)rgba->w * rgba->h);
    for (int y = 0; y < rgba->h; y++)
        for (int x = 0; x < rgba->w; x++) {
            const uint8_t *p = (const uint8_t *)rgba->pixels + (size_t)y * rgba->pitch + x * 4;
            source->pixels[(size_t)y * rgba->w + x] = Rgba{p[0], p[1], p[2], 255};
        }
    SDL_FreeSurface(rgba);
    return source->width >= Crop_Left + Crop_Size && source->height >= Crop_Top + Crop_Size;
}

// Fraction of output pixel (x, y) covered by a shape, from 4 by 4 samples;
// inside(u, v) takes coordinates in units of the icon's size (0 to 1).
template <typename Inside> double Coverage(int size, int x, int y, Inside inside)
{
    int hits = 0;
    for (int sy = 0; sy < 4; sy++)
        for (int sx = 0; sx < 4; sx++)
            hits += inside((x + (sx + 0.5) / 4) / size, (y + (sy + 0.5) / 4) / size) ? 1 : 0;
    return hits / 16.0;
}

bool In_Tile(double u, double v)
{
    constexpr double radius = 0.18;
    double dx = std::fmax(std::fmax(radius - u, u - (1 - radius)), 0.0);
    double dy = std::fmax(std::fmax(radius - v, v - (1 - radius)), 0.0);
    return dx * dx + dy * dy <= radius * radius;
}

// One half of the mark: a cross centred at (centre, 0.5) whose arms are
// thick enough to stay visible at 16 pixels.
bool In_Cross(double u, double v, double centre, int size)
{
    double half = std::fmax(0.5 * std::fmax(1.6, size / 12.0) / size, 0.04);
    double arm = 0.22;
    double du = std::fabs(u - centre);
    double dv = std::fabs(v - 0.5);
    return (du <= arm && dv <= half) || (dv <= arm && du <= half);
}

Picture Draw_Icon(const Source &source, int size)
{
    Picture icon((size_t)size * size);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            // The anaglyph, averaged over the box of image pixels this pixel covers.
            int x0 = Crop_Left + x * Crop_Size / size, x1 = Crop_Left + (x + 1) * Crop_Size / size;
            int y0 = Crop_Top + y * Crop_Size / size, y1 = Crop_Top + (y + 1) * Crop_Size / size;
            double sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; sy++)
                for (int sx = x0; sx < x1; sx++) {
                    const Rgba &p = source.pixels[(size_t)sy * source.width + sx];
                    sum[0] += p.r;
                    sum[1] += p.g;
                    sum[2] += p.b;
                }
            double count = (double)(x1 - x0) * (y1 - y0);
            double colour[3];
            for (int c = 0; c < 3; c++)
                colour[c] = 0.45 * sum[c] / count;
            // The mark adds its light: red to red, cyan to green and blue.
            double red =
                Coverage(size, x, y, [&](double u, double v) { return In_Cross(u, v, 0.4, size); });
            double cyan =
                Coverage(size, x, y, [&](double u, double v) { return In_Cross(u, v, 0.6, size); });
            colour[0] = colour[0] + red * (255 - colour[0]);
            colour[1] = colour[1] + cyan * (255 - colour[1]);
            colour[2] = colour[2] + cyan * (255 - colour[2]);
            double alpha = Coverage(size, x, y, In_Tile);
            icon[(size_t)y * size + x] =
                Rgba{(uint8_t)std::lround(colour[0]), (uint8_t)std::lround(colour[1]),
                     (uint8_t)std::lround(colour[2]), (uint8_t)std::lround(alpha * 255)};
        }
    return icon;
}

bool Write_Png(const std::string &path, const Picture &icon, int size)
{
    return ::Write_Png(path, size, size, 4, reinterpret_cast<const unsigned char *>(icon.data()));
}

std::vector<uint8_t> Png_Bytes(const Picture &icon, int size)
{
    return ::Png_Bytes(size, size, 4, reinterpret_cast<const unsigned char *>(icon.data()));
}

void Put16(std::vector<uint8_t> &out, unsigned value)
{
    out.push_back((uint8_t)value);
    out.push_back((uint8_t)(value >> 8));
}

void Put32(std::vector<uint8_t> &out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// An icon image in bitmap form: a 32-bit BGRA bitmap, bottom-up, whose header
// counts the AND mask's rows too, then the 1-bit AND mask (all 0: the alpha
// channel decides).
std::vector<uint8_t> Dib_Bytes(const Picture &icon, int size)
{
    std::vector<uint8_t> out;
    int maskStride = (size + 31) / 32 * 4;
    Put32(out, 40);
    Put32(out, (uint32_t)size);
    Put32(out, (uint32_t)(2 * size));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, (uint32_t)(size * size * 4 + maskStride * size));
    for (int i = 0; i < 4; i++)
        Put32(out, 0);
    for (int y = size - 1; y >= 0; y--)
        for (int x = 0; x < size; x++) {
            const Rgba &p = icon[(size_t)y * size + x];
            out.insert(out.end(), {p.b, p.g, p.r, p.a});
        }
    out.insert(out.end(), (size_t)maskStride * size, 0);
    return out;
}

bool Write_Ico(const std::string &path, const Source &source)
{
    std::vector<std::vector<uint8_t>> images;
    for (int size : Ico_Sizes) {
        Picture icon = Draw_Icon(source, size);
        // Bitmaps for the small sizes every system reads; the largest as PNG.
        images.push_back(size >= 256 ? Png_Bytes(icon, size) : Dib_Bytes(icon, size));
        if (images.back().empty())
            return false;
    }
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1); // icon
    Put16(out, (unsigned)images.size());
    uint32_t offset = 6 + 16 * (uint32_t)images.size();
    for (size_t i = 0; i < images.size(); i++) {
        out.push_back((uint8_t)(Ico_Sizes[i] & 0xFF)); // 0 stands for 256
        out.push_back((uint8_t)(Ico_Sizes[i] & 0xFF));
        out.push_back(0); // no palette
        out.push_back(0);
        Put16(out, 1);  // planes
        Put16(out, 32); // bits per pixel
        Put32(out, (uint32_t)images[i].size());
        Put32(out, offset);
        offset += (uint32_t)images[i].size();
    }
    for (const std::vector<uint8_t> &image : images)
        out.insert(out.end(), image.begin(), image.end());
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}

bool Write_Embedded(const std::string &path, const Source &source)
{
    Picture icon = Draw_Icon(source, Embedded_Size);
    FILE *file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return false;
    std::fprintf(file, "// Made by tools/icon/make_icon from the default stereo image.\n"
                       "#include \"platform/program_icon.h\"\n\n"
                       "namespace {\nconst uint32_t pixels[] = {\n");
    for (size_t i = 0; i < icon.size(); i++) {
        const Rgba &p = icon[i];
        std::fprintf(file, "0x%02X%02X%02X%02Xu,%s", p.a, p.r, p.g, p.b, i % 8 == 7 ? "\n" : " ");
    }
    std::fprintf(file, "};\n}\n\nextern const IconImage programIcon = {%d, %d, pixels};\n",
                 Embedded_Size, Embedded_Size);
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon IMAGE.bmp OUTPUT_DIRECTORY\n");
        return 2;
    }
    Source source;
    if (!Load_Image(argv[1], &source)) {
        std::fprintf(stderr, "make_icon: cannot read %s as a stereo image of at least %dx%d\n",
                     argv[1], Crop_Left + Crop_Size, Crop_Top + Crop_Size);
        return 1;
    }
    std::string out = argv[2];
    for (int size : Png_Sizes)
        if (!Write_Png(out + "/quor-vane-" + std::to_string(size) + ".png", Draw_Icon(source, size),
                       size)) {
            std::fprintf(stderr, "make_icon: cannot write the %d-pixel PNG\n", size);
            return 1;
        }
    if (!Write_Ico(out + "/quor-vane.ico", source) ||
        !Write_Embedded(out + "/program_icon.cpp", source)) {
        std::fprintf(stderr, "make_icon: cannot write into %s\n", argv[2]);
        return 1;
    }
    return 0;
}
