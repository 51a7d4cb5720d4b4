#include "scene_render.h"

#include "app/surface_match.h"
#include "app/window_layout.h"
#include "model/stereo_model.h"
#include "scene_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr double exposure = 1.2;

void Put_Le(std::vector<unsigned char> &bytes, size_t at, unsigned value, int size)
{
    for (int k = 0; k < size; ++k)
        bytes[at + k] = static_cast<unsigned char>(value >> (8 * k));
}

// ---------------------------------------------------------------------------
// Ground truth

int Same_Face(const SceneHit &a, const SceneHit &b)
{
    return a.box == b.box && a.fromCut == b.fromCut && a.axis == b.axis &&
           a.normalSign == b.normalSign;
}

// The face around a client position is one flat face seen head-on, with no
// edge or occlusion within the block that a matcher would look at: sampled
// every step columns and rows up to reachColumns and reachRows away.
int Flat_Around(const Scene &scene, TraceWork &work, int view, double column, int row,
                const SceneHit &centre, int reachColumns = 9, int reachRows = 6, int step = 3)
{
    SceneHit hit;
    for (int dr = -reachRows; dr <= reachRows; dr += step)
        for (int dc = -reachColumns; dc <= reachColumns; dc += step) {
            if (!Trace_View(scene, work, view, column + dc, row + dr, hit) ||
                !Same_Face(hit, centre))
                return 0;
        }
    return 1;
}

double Distance(const double a[3], const double b[3])
{
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The mark position the user can set nearest to the point's two columns: the
// parallax is always even and the pointer sits midway between the halves.
// Positions whose mark grades within half a notch of the true surface under
// its left half (as the grading tool measures) come first; of equally near
// positions the one whose intersection lands closest wins. Returns whether
// the chosen one grades within half a notch.
int Nearest_Mark(const Scene &scene, TraceWork &work, TruthPoint &p)
{
    const int pointer = static_cast<int>(std::floor(0.5 * (p.leftColumn + p.rightColumn)));
    const int parallax = 2 * static_cast<int>(std::floor(0.5 * (p.leftColumn - p.rightColumn)));
    int bestWithin = -1;
    double bestColumns = 1e300, bestError = 1e300;
    for (int x = pointer - 1; x <= pointer + 2; ++x)
        for (int q = parallax - 2; q <= parallax + 4; q += 2) {
            const int left = x + q / 2, right = x - q / 2;
            double surface[3], surfaceParallax;
            const int within =
                Surface_Parallax(scene, work, left, p.row, surface, surfaceParallax) &&
                Within_Half_Notch(Notches_From_Surface(q, surfaceParallax));
            if (within < bestWithin)
                continue;
            const double dl = left - p.leftColumn, dr = right - p.rightColumn;
            const double columns = dl * dl + dr * dr;
            if (within == bestWithin && columns > bestColumns + 1e-9)
                continue;
            double xyz[3];
            Space_Intersection(p.row, left, right, &xyz[0], &xyz[1], &xyz[2]);
            const double error = Distance(xyz, p.object);
            if (within > bestWithin || columns < bestColumns - 1e-9 || error < bestError) {
                bestWithin = within;
                bestColumns = columns;
                bestError = error;
                p.pointerX = x;
                p.markLeft = left;
                p.markRight = right;
                p.wheelSteps = paintedLeftOffset - q / 2;
                std::memcpy(p.mark, xyz, sizeof xyz);
            }
        }
    return bestWithin;
}

// What exercises ask of a point beyond the default scene's rules: its mark
// grades within half a notch, its parallax lies in the exercises' range, it
// is not on a face whose texture is mostly level lines (mouldings, window
// frames, door panels), and the matcher's whole window around either half of
// the mark lies on its face: one row or column of another face there, such
// as a sill, lets a match at the wrong parallax look nearly as good.
int Exercise_Point(const Scene &scene, TraceWork &work, TruthPoint &p, const SceneHit &face,
                   int markWithin)
{
    const double parallax = p.leftColumn - p.rightColumn;
    const int material = Surface_Material(scene, face);
    if (!markWithin || parallax < exerciseParallax[0] || parallax > exerciseParallax[1] ||
        material == Cornice || material == Glass || material == ShopGlass || material == Door)
        return 0;
    const int reach = defaultMatchSettings.halfWindow + 1;
    return Flat_Around(scene, work, LeftView, p.markLeft, p.row, face, reach, reach, 1) &&
           Flat_Around(scene, work, RightView, p.markRight, p.row, face, reach, reach, 1);
}

unsigned Order_Key(int a, int b)
{
    unsigned h = static_cast<unsigned>(a) * 0x9e3779b9u ^ static_cast<unsigned>(b) * 0x85ebca6bu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    return h;
}

// ---------------------------------------------------------------------------
// Depth picture: the left view's parallax in columns, far blue to near yellow.

void Parallax_Colour(double parallax, unsigned char rgb[3])
{
    static const double stops[5][4] = {{20, 20, 24, 80},
                                       {40, 30, 110, 170},
                                       {55, 60, 170, 110},
                                       {70, 230, 200, 50},
                                       {90, 255, 250, 215}};
    int k = 0;
    while (k < 3 && parallax > stops[k + 1][0])
        ++k;
    double f = (parallax - stops[k][0]) / (stops[k + 1][0] - stops[k][0]);
    f = f < 0 ? 0 : f > 1 ? 1 : f;
    for (int c = 0; c < 3; ++c)
        rgb[c] = static_cast<unsigned char>(
            std::floor(stops[k][c + 1] + f * (stops[k + 1][c + 1] - stops[k][c + 1]) + 0.5));
}

} // namespace

unsigned char Render_Pixel(const Scene &scene, TraceWork &work, int view, int i, int j)
{
    static const double sub[2] = {-0.25, 0.25};
    SceneHit hit;
    double sum = 0;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b) {
            const double column = i + pictureLeft + sub[b];
            const double row = j + pictureTop + sub[a];
            if (Trace_View(scene, work, view, column, row, hit))
                sum += Surface_Brightness(scene, hit);
            else
                sum += skyBrightness;
        }
    double level = std::floor(255 * exposure * sum * 0.25 + 0.5);
    level = level < 0 ? 0 : level > 255 ? 255 : level;
    return static_cast<unsigned char>(level);
}

void Render_View(const Scene &scene, int view, std::vector<unsigned char> &grey)
{
    TraceWork work;
    Init_Trace_Work(scene, work);
    grey.assign(pictureWidth * pictureHeight, 0);
    for (int j = 0; j < pictureHeight; ++j)
        for (int i = 0; i < pictureWidth; ++i)
            grey[j * pictureWidth + i] = Render_Pixel(scene, work, view, i, j);
}

std::vector<unsigned char> Anaglyph_Bmp(const std::vector<unsigned char> &left,
                                        const std::vector<unsigned char> &right, std::uint64_t mark)
{
    const unsigned rowBytes = (3 * pictureWidth + 3) / 4 * 4;
    const unsigned pixelBytes = rowBytes * pictureHeight;
    std::vector<unsigned char> bmp(54 + pixelBytes, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    Put_Le(bmp, 2, 54 + pixelBytes, 4);
    Put_Le(bmp, 6, static_cast<unsigned>(mark), 4);
    Put_Le(bmp, 10, 54, 4);
    Put_Le(bmp, 14, 40, 4);
    Put_Le(bmp, 18, pictureWidth, 4);
    Put_Le(bmp, 22, pictureHeight, 4);
    Put_Le(bmp, 26, 1, 2);  // planes
    Put_Le(bmp, 28, 24, 2); // bits a pixel
    Put_Le(bmp, 34, pixelBytes, 4);
    Put_Le(bmp, 38, static_cast<unsigned>(mark >> 32), 4);
    for (int j = 0; j < pictureHeight; ++j) {
        unsigned char *row = &bmp[54 + static_cast<size_t>(pictureHeight - 1 - j) * rowBytes];
        for (int i = 0; i < pictureWidth; ++i) {
            const int k = j * pictureWidth + i;
            row[3 * i] = right[k];
            row[3 * i + 1] = right[k];
            row[3 * i + 2] = left[k];
        }
    }
    return bmp;
}

// Candidate points on a grid of the left view, kept where both views see the
// same flat face; then picked round-robin over parts of the picture and
// depth levels so that the list covers both.
std::vector<TruthPoint> Find_Truth_Points(const Scene &scene, size_t wanted, int rules,
                                          const std::function<int(const TruthPoint &)> &accept)
{
    TraceWork work;
    Init_Trace_Work(scene, work);
    struct Candidate {
        TruthPoint point;
        int bucket;
        unsigned order;
    };
    std::vector<Candidate> candidates;
    const int margin = 24;
    for (int row = 22; row <= 618; row += 8) {
        for (int step = 0;; ++step) {
            // A fraction that differs from column to column, so that rounding
            // goes both ways.
            const double leftColumn = 30 + 13 * step + 0.1 * ((step * 7 + row) % 10) + 0.05;
            if (leftColumn > pictureLeft + pictureWidth - margin)
                break;
            SceneHit hit, other;
            if (!Trace_View(scene, work, LeftView, leftColumn, row, hit))
                continue;
            if (hit.box < 0 || hit.axis != AxisN)
                continue;
            TruthPoint p;
            To_Object_Frame(scene, hit.point, p.object);
            p.row = row;
            p.leftColumn = leftColumn;
            double rightRow;
            Project_To_View(RightView, p.object, p.rightColumn, rightRow);
            if (std::fabs(rightRow - row) > 1e-6 || p.rightColumn < pictureLeft + margin)
                continue;
            // Seen from the right camera too, and not hidden behind something.
            if (!Trace_View(scene, work, RightView, p.rightColumn, row, other) ||
                !Same_Face(hit, other))
                continue;
            double seen[3];
            To_Object_Frame(scene, other.point, seen);
            if (Distance(seen, p.object) > 1e-6)
                continue;
            if (!Flat_Around(scene, work, LeftView, leftColumn, row, hit) ||
                !Flat_Around(scene, work, RightView, p.rightColumn, row, hit))
                continue;
            const int markWithin = Nearest_Mark(scene, work, p);
            if (p.pointerX < areaLeft + 20 || p.pointerX > areaRight - 30)
                continue;
            if (rules == ExerciseTruth &&
                (!Exercise_Point(scene, work, p, hit, markWithin) || (accept && !accept(p))))
                continue;
            const int region = static_cast<int>(leftColumn / 180) * 8 + (row - 10) / 155;
            const int level = static_cast<int>((p.leftColumn - p.rightColumn) / 4);
            candidates.push_back({p, region * 64 + level, Order_Key(row, step)});
        }
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) {
        return a.bucket != b.bucket ? a.bucket < b.bucket : a.order < b.order;
    });
    // Round robin: the first of every bucket, then the second, ...
    std::vector<TruthPoint> picked;
    std::vector<int> rank(candidates.size());
    for (size_t k = 0; k < candidates.size(); ++k)
        rank[k] = k > 0 && candidates[k].bucket == candidates[k - 1].bucket ? rank[k - 1] + 1 : 0;
    for (int round = 0; picked.size() < wanted; ++round) {
        size_t before = picked.size();
        for (size_t k = 0; k < candidates.size() && picked.size() < wanted; ++k)
            if (rank[k] == round)
                picked.push_back(candidates[k].point);
        if (picked.size() == before)
            break;
    }
    std::sort(picked.begin(), picked.end(), [](const TruthPoint &a, const TruthPoint &b) {
        return a.row != b.row ? a.row < b.row : a.leftColumn < b.leftColumn;
    });
    return picked;
}

std::string Truth_Csv(const std::vector<TruthPoint> &points)
{
    // What the program will log at the mark is written with all the digits
    // of the double, so that its rounding to three decimals can be reproduced
    // exactly.
    std::string text = "id,X,Y,Z,row,leftColumn,rightColumn,leftColumnRounded,rightColumnRounded,"
                       "pointerX,pointerY,wheelSteps,markLeftColumn,markRightColumn,"
                       "markX,markY,markZ\n";
    int id = 0;
    for (const TruthPoint &p : points) {
        char line[512];
        std::snprintf(line, sizeof line,
                      "%d,%.6f,%.6f,%.6f,%d,%.6f,%.6f,%d,%d,%d,%d,%d,%d,%d,%.17g,%.17g,%.17g\n",
                      ++id, p.object[0], p.object[1], p.object[2], p.row, p.leftColumn,
                      p.rightColumn, static_cast<int>(std::floor(p.leftColumn + 0.5)),
                      static_cast<int>(std::floor(p.rightColumn + 0.5)), p.pointerX, p.row,
                      p.wheelSteps, p.markLeft, p.markRight, p.mark[0], p.mark[1], p.mark[2]);
        text += line;
    }
    return text;
}

std::vector<unsigned char> Depth_Pixels(const Scene &scene)
{
    TraceWork work;
    Init_Trace_Work(scene, work);
    std::vector<unsigned char> rgb(static_cast<size_t>(3) * pictureWidth * pictureHeight, 0);
    for (int j = 0; j < pictureHeight; ++j)
        for (int i = 0; i < pictureWidth; ++i) {
            double surface[3], parallax;
            if (Surface_Parallax(scene, work, i + pictureLeft, j + pictureTop, surface, parallax))
                Parallax_Colour(parallax, &rgb[3 * (static_cast<size_t>(j) * pictureWidth + i)]);
        }
    return rgb;
}
