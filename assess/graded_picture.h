// The grading tool's picture: the left view of the stereo image in grey, each
// graded point marked by a coloured ring with its number, and a legend in a
// strip below it. It is drawn into a pixel buffer of its own, point by point
// as they are graded, and written as PNG.
#pragma once

#include "assess.h"

#include <string>
#include <vector>

struct Rgb {
    unsigned char r, g, b;
};

// Pixels top row first, three bytes (red, green, blue) each.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
};

constexpr Rgb onSurfaceColour = {40, 200, 60};
constexpr Rgb inFrontColour = {255, 120, 0};
constexpr Rgb behindColour = {40, 130, 255};

// Text cells are this many pixels high.
constexpr int textHeight = 16;

// The legend's strip below the picture, in rows.
constexpr int legendHeight = 24;

// The picture's left view from the bytes of a BMP file: the red channel of
// its top-left picture area, as grey. False if the file cannot be decoded or
// is smaller than the picture.
bool Left_View_From_Bmp(const std::string &bmp, RgbImage &image);

// Fills the pixels left <= x < right, top <= y < bottom that lie in the image.
void Fill_Box(RgbImage &image, int left, int top, int right, int bottom, Rgb colour);

// Black text on white cells, top-left at (x, y), in the embedded font; returns
// the width of the cells drawn.
int Draw_Text(RgbImage &image, int x, int y, const char *text);

// A square ring, two pixels wide, around the mark's centre (x, y) in picture
// pixels, just outside the mark's reach, with the number to its right.
void Draw_Point(RgbImage &image, int x, int y, int id, Rgb colour);

// The ring of a point in its verdict's colour, if its grade counts.
void Draw_Grade(RgbImage &image, int id, const PointGrade &grade);

// The legend's strip, added below the picture.
void Add_Legend(RgbImage &image);
