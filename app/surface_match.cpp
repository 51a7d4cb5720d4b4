// Matching of the two views for automatic height.
//
// All the sums are exact integers: the column sums of the grey levels and of
// their squares are taken once per call and shared by every parallax through
// prefix sums; only the cross products differ from parallax to parallax. Those
// are accumulated for all parallaxes of one parity at once: with the right
// view's rows stored reversed, the products for consecutive parallaxes of the
// same parity lie at consecutive addresses in both views, so the inner loop is
// a plain element-wise multiply-add over the parallaxes. Doubles appear only
// in the final coefficient.
#include "app/surface_match.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int maxWindow = 2 * maxMatchHalfWindow + 1;
// Columns of one view that the windows of a whole search range can cover.
constexpr int maxBandColumns = maxMatchParallaxSpan / 2 + maxWindow + 2;
constexpr int maxParallaxes = maxMatchParallaxSpan + 1;

// floor(p / 2), also for negative p.
int Floor_Half(int p)
{
    return p >= 0 ? p / 2 : -((1 - p) / 2);
}

int Left_Centre(int column, int parallax)
{
    return column + Floor_Half(parallax);
}

int Right_Centre(int column, int parallax)
{
    return column + Floor_Half(parallax) - parallax;
}

int Window_Fits(int centre, int halfWindow, int width)
{
    return centre - halfWindow >= 0 && centre + halfWindow < width;
}

// Scratch of one call: the rows of both views under the windows (the right
// view's reversed), their column sums, and the cross sums per parallax.
struct MatchWork {
    std::int16_t left[maxWindow][maxBandColumns];
    std::int16_t rightReversed[maxWindow][maxBandColumns];
    std::int16_t leftPairs[maxWindow][2 * maxBandColumns];
    std::int16_t rightPairs[maxWindow][2 * maxBandColumns];
    std::int32_t leftPrefix[maxBandColumns + 1], leftSquarePrefix[maxBandColumns + 1];
    std::int32_t rightPrefix[maxBandColumns + 1], rightSquarePrefix[maxBandColumns + 1];
    std::int32_t cross[2][maxParallaxes / 2 + 2];
    double coefficient[maxParallaxes];
    unsigned char defined[maxParallaxes];
};

// Prefix sums over the band's columns of the column sums and of the column
// sums of squares.
void Column_Prefixes(const std::int16_t band[][maxBandColumns], int rows, int columns,
                     std::int32_t *prefix, std::int32_t *squarePrefix)
{
    prefix[0] = 0;
    squarePrefix[0] = 0;
    for (int x = 0; x < columns; ++x) {
        std::int32_t sum = 0, squares = 0;
        for (int y = 0; y < rows; ++y) {
            const std::int32_t v = band[y][x];
            sum += v;
            squares += v * v;
        }
        prefix[x + 1] = prefix[x] + sum;
        squarePrefix[x + 1] = squarePrefix[x] + squares;
    }
}

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
    ParallaxMatch result = {0, MatchNoFit, 0, 0.0};
    const int h = settings.halfWindow;
    if (h < 1 || h > maxMatchHalfWindow || settings.maxParallax < settings.minParallax ||
        settings.maxParallax - settings.minParallax > maxMatchParallaxSpan)
        return result;
    const int width = planes.width, height = planes.height;
    if (row - h < 0 || row + h >= height || width <= 0 ||
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
    for (int y = 0; y < n; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(row - h + y) * width;
        const unsigned char *leftRow = planes.left.data() + rowStart + leftStart;
        const unsigned char *rightRow = planes.right.data() + rowStart + rightEnd;
        for (int x = 0; x < leftColumns; ++x)
            work.left[y][x] = leftRow[x];
        for (int x = 0; x < rightColumns; ++x)
            work.rightReversed[y][x] = rightRow[-x];
        for (int x = 0; x < leftColumns; ++x) {
            work.leftPairs[y][2 * x] = work.left[y][x];
            work.leftPairs[y][2 * x + 1] = x + 1 < leftColumns ? work.left[y][x + 1] : 0;
        }
        for (int x = 0; x < rightColumns; ++x) {
            work.rightPairs[y][2 * x] = work.rightReversed[y][x];
            work.rightPairs[y][2 * x + 1] = x > 0 ? work.rightReversed[y][x - 1] : 0;
        }
    }
    Column_Prefixes(work.left, n, leftColumns, work.leftPrefix, work.leftSquarePrefix);
    Column_Prefixes(work.rightReversed, n, rightColumns, work.rightPrefix, work.rightSquarePrefix);

    // Parallax p = 2k + s: the left window starts at column + k - h, the right
    // one at column - k - s - h. For one s both move by one column per k, the
    // left one forwards and the right one backwards, that is forwards in the
    // reversed rows.
    const int firstK[2] = {Floor_Half(first + 1), Floor_Half(first)};
    for (int s = 0; s < 2; ++s) {
        const int k0 = firstK[s];
        const int count = Floor_Half(last - s) - k0 + 1;
        const int leftBase = column + k0 - h - leftStart;
        const int rightBase = rightEnd - (column - k0 - s - h);
        std::int32_t *cross = work.cross[s];
        for (int j = 0; j < count; ++j)
            cross[j] = 0;
        for (int y = 0; y < n; ++y) {
            // Two columns of the window at a time: pairs[2i], pairs[2i + 1]
            // hold left columns i and i + 1, rightPairs the matching right
            // columns i and i - 1 (reversed rows).
            const std::int16_t *a = work.leftPairs[y] + 2 * leftBase;
            const std::int16_t *b = work.rightPairs[y] + 2 * rightBase;
            int d = 0;
            for (; d + 1 < n; d += 2) {
                const std::int16_t *pa = a + 2 * d;
                const std::int16_t *pb = b - 2 * d;
                for (int j = 0; j < count; ++j)
                    cross[j] += pa[2 * j] * pb[2 * j] + pa[2 * j + 1] * pb[2 * j + 1];
            }
            const std::int16_t *pa = a + 2 * d;
            const std::int16_t *pb = b - 2 * d;
            for (int j = 0; j < count; ++j)
                cross[j] += pa[2 * j] * pb[2 * j];
        }
    }

    const std::int64_t cells = static_cast<std::int64_t>(n) * n;
    const double flat =
        static_cast<double>(cells) * cells * settings.minDeviation * settings.minDeviation;
    int best = -1;
    for (int p = first; p <= last; ++p) {
        const int i = p - first;
        const int leftAt = Left_Centre(column, p) - h - leftStart;
        const int rightAt = rightEnd - (Right_Centre(column, p) + h);
        const std::int64_t sumL = work.leftPrefix[leftAt + n] - work.leftPrefix[leftAt];
        const std::int64_t squaresL =
            work.leftSquarePrefix[leftAt + n] - work.leftSquarePrefix[leftAt];
        const std::int64_t sumR = work.rightPrefix[rightAt + n] - work.rightPrefix[rightAt];
        const std::int64_t squaresR =
            work.rightSquarePrefix[rightAt + n] - work.rightSquarePrefix[rightAt];
        const int s = p - 2 * Floor_Half(p);
        const std::int64_t cross = work.cross[s][Floor_Half(p) - firstK[s]];
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
    const int compared = last - first + 1;
    if (best == 0 || best == compared - 1) {
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
    result.matched = 1;
    result.outcome = MatchFound;
    return result;
}
