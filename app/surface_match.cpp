// Matching of the two views for automatic height.
//
// All the sums are exact integers: the column sums of the grey levels and of
// their squares are taken once per call and shared by every parallax through
// prefix sums; only the cross products differ from parallax to parallax. Those
// are accumulated for all parallaxes of one parity at once: with the right
// view's rows stored reversed, the products for consecutive parallaxes of the
// same parity lie at consecutive addresses in both views. Doubles appear only
// in the final coefficient.
//
// How the default settings were chosen. Measured on the default picture's 150
// truth points (graded against its scene) and on made-up anaglyphs of a random
// texture: a depth step from parallax 35 to 75 above a slanted surface, bands
// of parallax 20 to 100, a steep slant (20 + x / 6), and grey-level noise of
// +-15 and +-40.
// - Window 15 by 15: with half sizes 4 to 9 at threshold 0.6, the truth points
//   matched were 138, 144, 144, 147, 142, 142 of 150 (every match within 0.6
//   columns of the truth); under +-40 noise 91%, 96%, 98%, 99%, 100%, 100% of
//   positions matched, on the steep slant 99% to 96%, at the step 95% to 92%.
// - Threshold 0.6: at 0.5 up to 0.7% of the matches at the step and in the
//   bands were more than a column off; at 0.6 0.2%; 0.7 leaves only 86% of
//   the steep slant and 67% of the noisy texture matched.
// - A second peak more than 2 columns from the best and within 0.1 of it
//   makes the match ambiguous. A margin of 0.05 matched all 150 truth points,
//   0.1 refuses 3 of them (repeated details of the facade, the best peak
//   right); it changes nothing on random textures and refuses more of a
//   nearly repeated pattern, where a wrong match would be a period off.
// - Where the picture cuts the parallaxes compared short of the range (near
//   its left and right edges), a match needs 32 of them beyond the best on
//   the cut side, so that a pattern repeating every 32 columns or less shows
//   its next peak there as it does inside; with fewer, a repeat every 12
//   columns matched a wrong depth with a coefficient of 1.00 at the edges.
//   The truth points matched were 147 of 150 with 12 to 40 columns, 146 with
//   48, 143 with 64, and 139 when the whole range must fit.
// - Windows with a standard deviation below 2 grey levels are not compared:
//   none of the truth points or textured test positions is that flat.
// - Range -16 to 144, fixed: the default picture's surfaces lie at 30 to 90
//   columns, other pictures at 20 to 100, and the rest leaves room for a
//   user's own picture on both sides, a little behind the screen plane too.
//   From -64 to 192 nothing changed on the made-up pictures but one more truth
//   point became ambiguous, and the time grows with the range. A fixed range
//   makes the result at a position independent of where the pointer was
//   before, and a wrong match cannot drag the range away.
// - No smoothing: a 3 by 3 mean over both views first left 139 truth points
//   matched and 0.8% of the matches at the step wrong. No sub-column
//   refinement: the parallax is set in whole columns and every match is
//   already within 0.6 columns of the truth.
// - The right view from green alone: green and blue are equal at all 558,000
//   pixels of the default picture, and the coefficient ignores a scale, so
//   green plus blue would give the same matches; green keeps 8 bits.
#include "app/surface_match.h"

#include <cmath>
#include <cstdint>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(QV_MATCH_PLAIN)
#include <emmintrin.h>
#define QV_MATCH_SSE2 1
#endif

namespace {

constexpr int maxWindow = 2 * maxMatchHalfWindow + 1;
// The cross sums are taken for whole steps of this many parallaxes of one
// parity, so that their loops need no remainder; the bands have that many
// spare columns, whose sums are not used.
constexpr int crossStep = 8;
// Columns of one view that the windows of a whole search range can cover.
constexpr int maxBandColumns = maxMatchParallaxSpan / 2 + maxWindow + 2 + crossStep;
constexpr int maxParallaxes = maxMatchParallaxSpan + 1;

int Left_Centre(int column, int parallax)
{
    return column + Left_Half_Offset(parallax);
}

int Right_Centre(int column, int parallax)
{
    return column + Left_Half_Offset(parallax) - parallax;
}

int Window_Fits(int centre, int halfWindow, int width)
{
    return centre - halfWindow >= 0 && centre + halfWindow < width;
}

// Scratch of one call. For each row under the windows, each column of the
// band that the windows cover side by side with its neighbour: left columns
// x and x + 1, and in the right view, counted from the band's right end
// backwards, columns x and x - 1. Then the column sums of both bands, from the
// left, as prefix sums, and the cross sums per parallax of each parity.
struct MatchWork {
    std::int16_t leftPairs[maxWindow][2 * maxBandColumns];
    std::int16_t rightPairs[maxWindow][2 * maxBandColumns];
    std::int32_t leftSums[maxBandColumns], leftSquares[maxBandColumns];
    std::int32_t rightSums[maxBandColumns], rightSquares[maxBandColumns];
    std::int32_t leftPrefix[maxBandColumns + 1], leftSquarePrefix[maxBandColumns + 1];
    std::int32_t rightPrefix[maxBandColumns + 1], rightSquarePrefix[maxBandColumns + 1];
    std::int32_t cross[2][maxParallaxes / 2 + 2 + crossStep];
    double coefficient[maxParallaxes];
    unsigned char defined[maxParallaxes];
};

// Sums down the window's rows of each column from start on, of the grey
// levels and of their squares, and then their prefix sums.
void Column_Prefixes(const unsigned char *plane, int width, int firstRow, int rows, int start,
                     int columns, std::int32_t *sums, std::int32_t *squares, std::int32_t *prefix,
                     std::int32_t *squarePrefix)
{
    for (int x = 0; x < columns; ++x) {
        sums[x] = 0;
        squares[x] = 0;
    }
    for (int y = 0; y < rows; ++y) {
        const unsigned char *row = plane + static_cast<std::size_t>(firstRow + y) * width + start;
        for (int x = 0; x < columns; ++x) {
            const std::int32_t v = row[x];
            sums[x] += v;
            squares[x] += v * v;
        }
    }
    prefix[0] = 0;
    squarePrefix[0] = 0;
    for (int x = 0; x < columns; ++x) {
        prefix[x + 1] = prefix[x] + sums[x];
        squarePrefix[x + 1] = squarePrefix[x] + squares[x];
    }
}

// Cross sums of crossStep consecutive parallaxes of one parity: the left
// windows start at band column leftBase + j, the right ones at reversed
// column rightBase + j, for j = 0 .. crossStep - 1.
#ifdef QV_MATCH_SSE2
void Cross_Step(const MatchWork &work, int n, int leftBase, int rightBase, std::int32_t *cross)
{
    // _mm_madd_epi16 multiplies eight pairs of 16-bit levels and adds
    // neighbouring products: two columns of the window for four parallaxes.
    const __m128i evenOnly = _mm_set1_epi32(0xFFFF);
    __m128i sums0 = _mm_setzero_si128(), sums1 = _mm_setzero_si128();
    for (int y = 0; y < n; ++y) {
        const std::int16_t *a = work.leftPairs[y] + 2 * leftBase;
        const std::int16_t *b = work.rightPairs[y] + 2 * rightBase;
        for (int d = 0; d < n; d += 2) {
            const __m128i *pa = reinterpret_cast<const __m128i *>(a + 2 * d);
            const __m128i *pb = reinterpret_cast<const __m128i *>(b - 2 * d);
            __m128i b0 = _mm_loadu_si128(pb), b1 = _mm_loadu_si128(pb + 1);
            if (d + 1 == n) {
                b0 = _mm_and_si128(b0, evenOnly);
                b1 = _mm_and_si128(b1, evenOnly);
            }
            sums0 = _mm_add_epi32(sums0, _mm_madd_epi16(_mm_loadu_si128(pa), b0));
            sums1 = _mm_add_epi32(sums1, _mm_madd_epi16(_mm_loadu_si128(pa + 1), b1));
        }
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(cross), sums0);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(cross + 4), sums1);
}
#else
void Cross_Step(const MatchWork &work, int n, int leftBase, int rightBase, std::int32_t *cross)
{
    std::int32_t sums[crossStep] = {};
    for (int y = 0; y < n; ++y) {
        const std::int16_t *a = work.leftPairs[y] + 2 * leftBase;
        const std::int16_t *b = work.rightPairs[y] + 2 * rightBase;
        for (int d = 0; d < n; ++d)
            for (int j = 0; j < crossStep; ++j)
                sums[j] += a[2 * (d + j)] * b[2 * (j - d)];
    }
    for (int j = 0; j < crossStep; ++j)
        cross[j] = sums[j];
}
#endif

} // namespace

void Split_Anaglyph(const std::uint32_t *pixels, int rowPixels, int width, int height,
                    StereoPlanes &planes)
{
    planes.width = width > 0 && height > 0 ? width : 0;
    planes.height = width > 0 && height > 0 ? height : 0;
    const std::size_t count = static_cast<std::size_t>(planes.width) * planes.height;
    planes.left.resize(count);
    planes.right.resize(count);
    for (int y = 0; y < planes.height; ++y) {
        const std::uint32_t *source = pixels + static_cast<std::ptrdiff_t>(y) * rowPixels;
        unsigned char *left = planes.left.data() + static_cast<std::size_t>(y) * width;
        unsigned char *right = planes.right.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            left[x] = static_cast<unsigned char>(source[x] & 0xFF);
            right[x] = static_cast<unsigned char>((source[x] >> 8) & 0xFF);
        }
    }
}

ParallaxMatch Match_Parallax(const StereoPlanes &planes, int column, int row,
                             const MatchSettings &settings)
{
    ParallaxMatch result = {MatchNoFit, 0, 0.0};
    // Positions and parallaxes this far out lie off any picture; bounding them
    // keeps the column arithmetic below from overflowing.
    const int farOut = 1 << 24;
    const int h = settings.halfWindow;
    if (h < 1 || h > maxMatchHalfWindow || settings.peakReach < 1 ||
        settings.minParallax < -farOut || settings.maxParallax > farOut ||
        settings.maxParallax < settings.minParallax ||
        settings.maxParallax - settings.minParallax > maxMatchParallaxSpan || column < -farOut ||
        column > farOut)
        return result;
    const int width = planes.width, height = planes.height;
    if (row < h || row >= height - h || width <= 0 ||
        planes.left.size() < static_cast<std::size_t>(width) * height ||
        planes.right.size() < static_cast<std::size_t>(width) * height)
        return result;

    // The left centre never moves left and the right centre never moves right
    // as the parallax grows, so the parallaxes at which both windows fit are
    // one run.
    int first = 0, last = -1;
    for (int p = settings.minParallax; p <= settings.maxParallax; ++p) {
        if (Window_Fits(Left_Centre(column, p), h, width) &&
            Window_Fits(Right_Centre(column, p), h, width)) {
            if (last < first)
                first = p;
            last = p;
        }
    }
    // A peak needs a compared parallax on each side.
    if (last - first < 2)
        return result;

    static thread_local MatchWork work;
    const int n = 2 * h + 1;
    const int leftStart = Left_Centre(column, first) - h;
    const int leftColumns = Left_Centre(column, last) + h - leftStart + 1;
    const int rightEnd = Right_Centre(column, first) + h;
    const int rightColumns = rightEnd - (Right_Centre(column, last) - h) + 1;
    const int rightStart = Right_Centre(column, last) - h;
    for (int y = 0; y < n; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(row - h + y) * width;
        const unsigned char *leftRow = planes.left.data() + rowStart;
        const unsigned char *rightRow = planes.right.data() + rowStart;
        std::int16_t *leftPairs = work.leftPairs[y];
        std::int16_t *rightPairs = work.rightPairs[y];
        for (int x = 0; x < leftColumns; ++x) {
            const int at = leftStart + x;
            leftPairs[2 * x] = leftRow[at];
            leftPairs[2 * x + 1] = at + 1 < width ? leftRow[at + 1] : 0;
        }
        for (int x = 0; x < rightColumns; ++x) {
            const int at = rightEnd - x;
            rightPairs[2 * x] = rightRow[at];
            rightPairs[2 * x + 1] = at + 1 < width ? rightRow[at + 1] : 0;
        }
    }
    Column_Prefixes(planes.left.data(), width, row - h, n, leftStart, leftColumns, work.leftSums,
                    work.leftSquares, work.leftPrefix, work.leftSquarePrefix);
    Column_Prefixes(planes.right.data(), width, row - h, n, rightStart, rightColumns,
                    work.rightSums, work.rightSquares, work.rightPrefix, work.rightSquarePrefix);

    // Parallax p = 2k + s: the left window starts at column + k - h, the right
    // one at column - k - s - h. For one s both move by one column per k, the
    // left one forwards and the right one backwards, that is forwards in the
    // right band's reversed order. Each pass adds two columns of one row of
    // the windows for all parallaxes of the parity; the last column of an odd
    // window is paired with the one beyond, whose products are not added.
    const int firstK[2] = {Left_Half_Offset(first + 1), Left_Half_Offset(first)};
    for (int s = 0; s < 2; ++s) {
        const int k0 = firstK[s];
        const int count = Left_Half_Offset(last - s) - k0 + 1;
        const int leftBase = column + k0 - h - leftStart;
        const int rightBase = rightEnd - (column - k0 - s - h);
        for (int j = 0; j < count; j += crossStep)
            Cross_Step(work, n, leftBase + j, rightBase + j, work.cross[s] + j);
    }

    const std::int64_t cells = static_cast<std::int64_t>(n) * n;
    const double flat =
        static_cast<double>(cells) * cells * settings.minDeviation * settings.minDeviation;
    int best = -1;
    for (int p = first; p <= last; ++p) {
        const int i = p - first;
        const int leftAt = Left_Centre(column, p) - h - leftStart;
        const int rightAt = Right_Centre(column, p) - h - rightStart;
        const std::int64_t sumL = work.leftPrefix[leftAt + n] - work.leftPrefix[leftAt];
        const std::int64_t squaresL =
            work.leftSquarePrefix[leftAt + n] - work.leftSquarePrefix[leftAt];
        const std::int64_t sumR = work.rightPrefix[rightAt + n] - work.rightPrefix[rightAt];
        const std::int64_t squaresR =
            work.rightSquarePrefix[rightAt + n] - work.rightSquarePrefix[rightAt];
        const int s = p - 2 * Left_Half_Offset(p);
        const std::int64_t cross = work.cross[s][Left_Half_Offset(p) - firstK[s]];
        const std::int64_t varianceL = cells * squaresL - sumL * sumL;
        const std::int64_t varianceR = cells * squaresR - sumR * sumR;
        work.defined[i] = static_cast<double>(varianceL) >= flat &&
                          static_cast<double>(varianceR) >= flat && varianceL > 0 && varianceR > 0;
        if (!work.defined[i])
            continue;
        work.coefficient[i] =
            static_cast<double>(cells * cross - sumL * sumR) /
            std::sqrt(static_cast<double>(varianceL) * static_cast<double>(varianceR));
        if (best < 0 || work.coefficient[i] > work.coefficient[best])
            best = i;
    }
    if (best < 0) {
        result.outcome = MatchFlat;
        return result;
    }
    result.parallax = first + best;
    result.coefficient = work.coefficient[best];
    // Where the picture cuts the parallaxes compared short of the range, a
    // repeat whose next peak lies past the cut would go unseen, and a wrong
    // depth would pass for a sure one: there a match needs peakReach
    // parallaxes compared beyond the best.
    const int compared = last - first + 1;
    const int below = first > settings.minParallax ? settings.peakReach : 1;
    const int above = last < settings.maxParallax ? settings.peakReach : 1;
    if (best < below || best > compared - 1 - above) {
        result.outcome = MatchUnbounded;
        return result;
    }
    if (result.coefficient < settings.minCoefficient) {
        result.outcome = MatchWeak;
        return result;
    }
    // Any other local maximum, the ends of the compared run included, that
    // stands apart from the best and comes close to it.
    for (int i = 0; i < compared; ++i) {
        if (!work.defined[i] ||
            (i - best <= settings.peakSeparation && best - i <= settings.peakSeparation))
            continue;
        const double c = work.coefficient[i];
        if ((i > 0 && work.defined[i - 1] && work.coefficient[i - 1] > c) ||
            (i + 1 < compared && work.defined[i + 1] && work.coefficient[i + 1] > c))
            continue;
        if (c >= result.coefficient - settings.peakMargin) {
            result.outcome = MatchAmbiguous;
            return result;
        }
    }
    result.outcome = MatchFound;
    return result;
}
