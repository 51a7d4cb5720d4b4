// Automatic height: the parallax at which the floating mark rests on the
// surface under the pointer, found by matching the two views of the picture.
//
// A window of the left view around the left half of the mark is compared with
// a window of the right view around the right half, on the same row, by
// normalised cross-correlation, at every whole-column parallax of the search
// range for which both windows lie inside the picture. For parallax p the
// halves stand at
//     left centre  = column + floor(p / 2)
//     right centre = column + floor(p / 2) - p
// so their midpoint stays within half a column of the pointer.
//
// Nothing here touches the window system: the caller hands over the picture
// that the last paint loaded, as two planes.
#pragma once

#include <cstdint>
#include <vector>

// The two views of an anaglyph, row by row from the top: the left view from
// the red channel, the right view from the green channel.
struct StereoPlanes {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> left;
    std::vector<unsigned char> right;
};

// Splits a top-down buffer of 32-bit colours (red in the lowest byte, then
// green, then blue) into the two planes. rowPixels is the distance from one
// row to the next, in pixels; only the top-left width by height pixels are
// taken.
void Split_Anaglyph(const std::uint32_t *pixels, int rowPixels, int width, int height,
                    StereoPlanes &planes);

// Limits of what Match_Parallax accepts in its settings.
constexpr int maxMatchHalfWindow = 15;
constexpr int maxMatchParallaxSpan = 512;

struct MatchSettings {
    int halfWindow;  // windows are 2 * halfWindow + 1 columns and rows
    int minParallax; // the search range, both ends included
    int maxParallax;
    double minCoefficient; // a best coefficient below this is no match
    double minDeviation;   // grey levels: a window flatter than this is not compared
    int peakSeparation;    // a second peak farther than this many columns from the best ...
    double peakMargin;     // ... and within this of its coefficient makes the match ambiguous
    int peakReach; // where the picture cuts the range short, parallaxes to compare past the best
};

// 15 by 15 windows, parallaxes -16 to 144; surface_match.cpp tells how these
// were measured.
constexpr MatchSettings defaultMatchSettings = {7, -16, 144, 0.6, 2.0, 2, 0.1, 32};

enum MatchOutcome {
    MatchFound,
    MatchNoFit,     // at no parallax of the range (or at too few) do both windows fit
    MatchFlat,      // every window pair in reach is too flat to compare
    MatchUnbounded, // the best coefficient lies at an end of the parallaxes compared, or
                    // nearer than peakReach to where the picture cuts them short
    MatchWeak,      // the best coefficient is below the threshold
    MatchAmbiguous, // a separate peak is nearly as good (repeated pattern)
};

struct ParallaxMatch {
    int outcome;        // a MatchOutcome: MatchFound when parallax is the surface's
    int parallax;       // the best parallax compared (also when not matched, if any)
    double coefficient; // its correlation coefficient, -1 to 1
};

// Where the halves stand for parallax p: the left half floor(p / 2) columns
// right of the pointer (also for negative p), the right half p columns left
// of it, so that their midpoint stays within half a column of the pointer.
inline int Left_Half_Offset(int parallax)
{
    return parallax >= 0 ? parallax / 2 : -((1 - parallax) / 2);
}

// Matches at the pointer's picture position (column, row), both from 0 at
// the picture's top-left pixel.
ParallaxMatch Match_Parallax(const StereoPlanes &planes, int column, int row,
                             const MatchSettings &settings = defaultMatchSettings);
