// Renders the default stereo image: the building of scene_model seen through
// the program's own two-camera model, composed as a red/cyan anaglyph, and a
// list of known surface points with the mark positions that rest on them.
//
//   render_scene [--depth FILE.ppm] OUTPUT_DIRECTORY
//
// writes OUTPUT_DIRECTORY/pr8a_c_ds.bmp and OUTPUT_DIRECTORY/pr8a_c_ds_truth.csv,
// and with --depth a colour picture of the left view's parallax.
#include "app/window_layout.h"
#include "model/stereo_model.h"
#include "scene_model.h"
#include "scene_view.h"

#include <SDL_surface.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double exposure = 1.2;

// One view's grey levels, top row first. Each pixel averages a 2 x 2 grid of
// rays so that edges do not alias.
void Render_View(const Scene &scene, int view, std::vector<unsigned char> &grey)
{
    static const double sub[2] = {-0.25, 0.25};
    TraceWork work;
    Init_Trace_Work(scene, work);
    grey.assign(pictureWidth * pictureHeight, 0);
    SceneHit hit;
    for (int j = 0; j < pictureHeight; ++j) {
        for (int i = 0; i < pictureWidth; ++i) {
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
            grey[j * pictureWidth + i] = static_cast<unsigned char>(level);
        }
    }
}

// 24-bit bitmap, red from the left view, green and blue from the right view,
// written by SDL (bottom row first, 40-byte information header).
int Write_Anaglyph(const std::string &path, const std::vector<unsigned char> &left,
                   const std::vector<unsigned char> &right)
{
    // Bytes blue, green, red in memory: the bitmap's own order, saved as is.
    SDL_Surface *surface =
        SDL_CreateRGBSurfaceWithFormat(0, pictureWidth, pictureHeight, 24, SDL_PIXELFORMAT_BGR24);
    if (surface == nullptr)
        return 0;
    for (int j = 0; j < pictureHeight; ++j) {
        unsigned char *row = static_cast<unsigned char *>(surface->pixels) + j * surface->pitch;
        for (int i = 0; i < pictureWidth; ++i) {
            const int k = j * pictureWidth + i;
            row[3 * i] = right[k];
            row[3 * i + 1] = right[k];
            row[3 * i + 2] = left[k];
        }
    }
    const int saved = SDL_SaveBMP(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return saved;
}

// ---------------------------------------------------------------------------
// Ground truth

struct TruthPoint {
    double object[3];
    int row;
    double leftColumn, rightColumn;
    int pointerX, wheelSteps, markLeft, markRight;
    double mark[3];
};

int Same_Face(const SceneHit &a, const SceneHit &b)
{
    return a.box == b.box && a.fromCut == b.fromCut && a.axis == b.axis &&
           a.normalSign == b.normalSign;
}

// The face around a client position is one flat face seen head-on, with no
// edge or occlusion within the block that a matcher would look at.
int Flat_Around(const Scene &scene, TraceWork &work, int view, double column, int row,
                const SceneHit &centre)
{
    SceneHit hit;
    for (int dr = -6; dr <= 6; dr += 3)
        for (int dc = -9; dc <= 9; dc += 3) {
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
// Of equally near positions the one whose intersection lands closest wins.
void Nearest_Mark(TruthPoint &p)
{
    const int pointer = static_cast<int>(std::floor(0.5 * (p.leftColumn + p.rightColumn)));
    const int parallax = 2 * static_cast<int>(std::floor(0.5 * (p.leftColumn - p.rightColumn)));
    double bestColumns = 1e300, bestError = 1e300;
    for (int x = pointer - 1; x <= pointer + 2; ++x)
        for (int q = parallax - 2; q <= parallax + 4; q += 2) {
            const int left = x + q / 2, right = x - q / 2;
            const double dl = left - p.leftColumn, dr = right - p.rightColumn;
            const double columns = dl * dl + dr * dr;
            if (columns > bestColumns + 1e-9)
                continue;
            double xyz[3];
            Space_Intersection(p.row, left, right, &xyz[0], &xyz[1], &xyz[2]);
            const double error = Distance(xyz, p.object);
            if (columns < bestColumns - 1e-9 || error < bestError) {
                bestColumns = columns;
                bestError = error;
                p.pointerX = x;
                p.markLeft = left;
                p.markRight = right;
                p.wheelSteps = paintedLeftOffset - q / 2;
                std::memcpy(p.mark, xyz, sizeof xyz);
            }
        }
}

unsigned Order_Key(int a, int b)
{
    unsigned h = static_cast<unsigned>(a) * 0x9e3779b9u ^ static_cast<unsigned>(b) * 0x85ebca6bu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    return h;
}

// Candidate points on a grid of the left view, kept where both views see the
// same flat face; then picked round-robin over parts of the picture and
// depth levels so that the list covers both.
std::vector<TruthPoint> Find_Truth_Points(const Scene &scene, size_t wanted)
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
            Nearest_Mark(p);
            if (p.pointerX < areaLeft + 20 || p.pointerX > areaRight - 30)
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

int Write_Truth(const std::string &path, const std::vector<TruthPoint> &points)
{
    // The same bytes on every system. What the program will log at the mark
    // is written with all the digits of the double, so that its rounding to
    // three decimals can be reproduced exactly.
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fprintf(f, "id,X,Y,Z,row,leftColumn,rightColumn,leftColumnRounded,rightColumnRounded,"
                    "pointerX,pointerY,wheelSteps,markLeftColumn,markRightColumn,"
                    "markX,markY,markZ\n");
    int id = 0;
    for (const TruthPoint &p : points) {
        std::fprintf(f, "%d,%.6f,%.6f,%.6f,%d,%.6f,%.6f,%d,%d,%d,%d,%d,%d,%d,%.17g,%.17g,%.17g\n",
                     ++id, p.object[0], p.object[1], p.object[2], p.row, p.leftColumn,
                     p.rightColumn, static_cast<int>(std::floor(p.leftColumn + 0.5)),
                     static_cast<int>(std::floor(p.rightColumn + 0.5)), p.pointerX, p.row,
                     p.wheelSteps, p.markLeft, p.markRight, p.mark[0], p.mark[1], p.mark[2]);
    }
    return std::fclose(f) == 0;
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

int Write_Depth_Picture(const Scene &scene, const std::string &path)
{
    TraceWork work;
    Init_Trace_Work(scene, work);
    std::vector<unsigned char> out;
    char header[64];
    std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", pictureWidth, pictureHeight);
    out.insert(out.end(), header, header + std::strlen(header));
    SceneHit hit;
    for (int j = 0; j < pictureHeight; ++j)
        for (int i = 0; i < pictureWidth; ++i) {
            unsigned char rgb[3] = {0, 0, 0};
            const double column = i + pictureLeft;
            if (Trace_View(scene, work, LeftView, column, j + pictureTop, hit)) {
                double object[3], rightColumn, rightRow;
                To_Object_Frame(scene, hit.point, object);
                Project_To_View(RightView, object, rightColumn, rightRow);
                Parallax_Colour(column - rightColumn, rgb);
            }
            out.insert(out.end(), rgb, rgb + 3);
        }
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    const size_t written = std::fwrite(out.data(), 1, out.size(), f);
    return std::fclose(f) == 0 && written == out.size();
}

} // namespace

int main(int argc, char **argv)
{
    std::string depthPath, directory;
    int usable = 1;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--depth") == 0 && k + 1 < argc)
            depthPath = argv[++k];
        else if (directory.empty() && argv[k][0] != '-')
            directory = argv[k];
        else
            usable = 0;
    }
    if (!usable || directory.empty()) {
        std::fprintf(stderr, "usage: render_scene [--depth FILE.ppm] OUTPUT_DIRECTORY\n");
        return 2;
    }

    Setup_Stereo_Model();
    Scene scene;
    Build_Scene(scene);

    std::vector<unsigned char> left, right;
    Render_View(scene, LeftView, left);
    Render_View(scene, RightView, right);
    const std::string imagePath = directory + "/pr8a_c_ds.bmp";
    const std::string truthPath = directory + "/pr8a_c_ds_truth.csv";
    int ok = Write_Anaglyph(imagePath, left, right);
    ok = ok && Write_Truth(truthPath, Find_Truth_Points(scene, 150));
    if (ok && !depthPath.empty())
        ok = Write_Depth_Picture(scene, depthPath);
    Release_Stereo_Model();
    if (!ok) {
        std::fprintf(stderr, "render_scene: could not write into %s\n", directory.c_str());
        return 1;
    }
    return 0;
}
