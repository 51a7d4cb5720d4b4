// A scene seen through the program's two cameras, as the stereo picture, its
// ground truth and a picture of its depth show it. Everything here is the
// same byte for byte on every system: plain arithmetic and square roots only.
// The stereo model must have been set up.
#pragma once

#include "scene_model.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The grey level of one pixel of a view, at picture position (i, j) from the
// picture's top-left pixel: the mean of a 2 x 2 grid of rays, so that edges
// do not alias.
unsigned char Render_Pixel(const Scene &scene, TraceWork &work, int view, int i, int j);

// A whole view's grey levels, top row first.
void Render_View(const Scene &scene, int view, std::vector<unsigned char> &grey);

// The anaglyph as a 24-bit bitmap file: red from the left view, green and
// blue from the right view, bottom row first, a 40-byte information header.
// The file header's two reserved words hold the low 32 bits of `mark` (an
// exercise's seed, 0 for the default scene), the horizontal resolution the
// high 32 bits; programs that show the picture read neither.
std::vector<unsigned char> Anaglyph_Bmp(const std::vector<unsigned char> &left,
                                        const std::vector<unsigned char> &right,
                                        std::uint64_t mark);

struct TruthPoint {
    double object[3];
    int row;
    double leftColumn, rightColumn;
    int pointerX, wheelSteps, markLeft, markRight;
    double mark[3];
};

enum TruthRules {
    DefaultSceneTruth, // the default scene's points, as they have always been chosen
    // Exercises: besides, the stated mark grades within half a notch, the
    // parallax stays within exerciseParallax, the face's texture is not
    // mostly level lines, and a matcher's window around either half of the
    // mark lies on the point's face.
    ExerciseTruth,
};
constexpr double exerciseParallax[2] = {25, 110};

// Points of the scene that both views see on the same flat face, spread over
// the picture and its depth levels, sorted by row and column; at most wanted.
// Under ExerciseTruth a point must also pass `accept`, when given.
std::vector<TruthPoint>
Find_Truth_Points(const Scene &scene, size_t wanted, int rules,
                  const std::function<int(const TruthPoint &)> &accept = nullptr);

// The truth file's text: a header and one line per point.
std::string Truth_Csv(const std::vector<TruthPoint> &points);

// The left view's parallax in colours, far blue to near yellow, black where
// no surface is: three bytes (red, green, blue) a pixel, top row first.
std::vector<unsigned char> Depth_Pixels(const Scene &scene);
