#include "scene_model.h"

#include <cmath>

namespace {

// ---------------------------------------------------------------------------
// Building the scene

// The wing stands in front of the main facade left of this s; the main
// facade's own recesses stop there below the wing's top.
constexpr double wingEdge = -3.75;
constexpr double wingFront = 3.6;
constexpr double wingTop = 28.3;

// One window of the main facade: the recess with its glass, a sill below and
// a hood above.
void Add_Window(Scene &scene, double centre, double bottom, double top, int withSill)
{
    Add_Box(scene.cuts, centre - 0.65, centre + 0.65, -0.3, 0.02, bottom, top, Reveal, Glass);
    if (withSill)
        Add_Box(scene.solids, centre - 0.8, centre + 0.8, -8, 0.15, bottom - 0.14, bottom - 0.02,
                Trim);
    Add_Box(scene.solids, centre - 0.8, centre + 0.8, -8, 0.14, top + 0.02, top + 0.2, Trim);
}

// A balcony on its slab with a closed balustrade on three sides.
void Add_Balcony(Scene &scene, double centre, double floor)
{
    Add_Box(scene.solids, centre - 1.25, centre + 1.25, 0, 1.3, floor - 0.02, floor + 0.18,
            Concrete);
    Add_Box(scene.solids, centre - 1.25, centre + 1.25, 1.18, 1.3, floor + 0.18, floor + 1.15,
            Balustrade);
    Add_Box(scene.solids, centre - 1.25, centre - 1.15, 0, 1.18, floor + 0.18, floor + 1.15,
            Balustrade);
    Add_Box(scene.solids, centre + 1.15, centre + 1.25, 0, 1.18, floor + 0.18, floor + 1.15,
            Balustrade);
}

void Add_Main_Facade(Scene &scene)
{
    // Wall, rusticated ground floor, belt course, frieze, cornice and attic.
    Add_Box(scene.solids, -40, 40, -8, 0, 14, 34.3, Plaster);
    Add_Box(scene.solids, -40, 40, -8, 0.1, 14, 20.2, Rustication);
    Add_Box(scene.solids, -40, 40, -8, 0.22, 20.2, 20.6, Trim);
    Add_Box(scene.solids, -40, 40, -8, 0.12, 32.8, 33.4, Cornice);
    Add_Box(scene.solids, -40, 40, -8, 0.9, 33.4, 34.1, Cornice);
    Add_Box(scene.solids, -40, 40, -8, 0.75, 34.1, 34.3, Cornice);
    Add_Box(scene.solids, -40, 40, -8, -0.3, 34.3, 41, Plaster);

    const double bay = 3.4;
    const double floorBase[] = {20.6, 23.65, 26.7, 29.75};
    for (int k = -11; k <= 11; ++k) {
        const double pillar = bay * k;
        const double centre = pillar + 0.5 * bay;
        Add_Box(scene.solids, pillar - 0.35, pillar + 0.35, -8, 0.3, 20.6, 32.8, Pilaster);

        // Recesses that would reach into the wing are left out.
        const int besideWing = centre + 1.0 < wingEdge;
        for (int f = 0; f < 4; ++f) {
            const double base = floorBase[f];
            if (besideWing && base + 0.85 < wingTop + 0.3)
                continue;
            const int balcony =
                (f == 1 && (k == 0 || k == 2)) || (f == 3 && (k == -3 || k == 1 || k == 3));
            if (balcony) {
                Add_Window(scene, centre, base + 0.2, base + 2.65, 0);
                Add_Balcony(scene, centre, base);
            } else {
                Add_Window(scene, centre, base + 0.85, base + 2.65, 1);
            }
        }
        Add_Box(scene.cuts, centre - 0.45, centre + 0.45, -0.55, -0.28, 35.0, 35.8, Reveal, Glass);

        if (besideWing)
            continue;
        if (k == 1)
            Add_Box(scene.cuts, centre - 1.1, centre + 1.1, -1.2, 0.15, 16.6, 19.7, Threshold,
                    Door);
        else
            Add_Box(scene.cuts, centre - 1.0, centre + 1.0, -0.4, 0.15, 17.0, 19.6, Reveal,
                    ShopGlass);
    }
}

void Add_Wing(Scene &scene)
{
    Add_Box(scene.solids, -40, wingEdge, -8, wingFront, 14, 27.4, WingPlaster);
    Add_Box(scene.solids, -40, wingEdge, -8, wingFront - 0.05, 27.4, wingTop, WingPlaster);
    Add_Box(scene.solids, -40, wingEdge + 0.1, -8, wingFront + 0.1, 14, 17.3, Rustication);
    Add_Box(scene.solids, -40, wingEdge + 0.07, -8, wingFront + 0.1, 20.2, 20.45, Trim);
    Add_Box(scene.solids, -40, wingEdge + 0.4, -8, wingFront + 0.4, 26.6, 27.2, Cornice);
    Add_Box(scene.solids, -40, wingEdge + 0.3, -8, wingFront + 0.3, 27.2, 27.4, Cornice);

    const double front = wingFront;
    for (int m = 0; m <= 11; ++m) {
        const double centre = wingEdge - 1.65 - 3.0 * m;
        Add_Box(scene.cuts, centre - 0.6, centre + 0.6, front - 0.25, front + 0.02, 17.6, 19.6,
                Reveal, Glass);
        const double floorBase[] = {20.45, 23.6};
        for (double base : floorBase) {
            Add_Box(scene.cuts, centre - 0.6, centre + 0.6, front - 0.25, front + 0.02, base + 0.8,
                    base + 2.6, Reveal, Glass);
            Add_Box(scene.solids, centre - 0.75, centre + 0.75, -8, front + 0.12, base + 0.66,
                    base + 0.78, Trim);
        }
    }
    // Two windows in the side wall that faces the main facade's doorway.
    const double sideBase[] = {20.45, 23.6};
    for (double base : sideBase)
        Add_Box(scene.cuts, wingEdge - 0.25, wingEdge + 0.02, 1.6, 2.8, base + 0.8, base + 2.6,
                Reveal, Glass);
}

} // namespace

void Index_Scene(Scene &scene, double originS, double originZ, int cellsS, int cellsZ)
{
    SceneGrid &g = scene.grid;
    g.originS = originS;
    g.originZ = originZ;
    g.cellSize = 1.0;
    g.cellsS = cellsS;
    g.cellsZ = cellsZ;
    g.solids.assign(g.cellsS * g.cellsZ, std::vector<int>());
    g.cuts.assign(g.cellsS * g.cellsZ, std::vector<int>());
    g.front.assign(g.cellsS * g.cellsZ, -1e300);
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<SceneBox> &boxes = pass == 0 ? scene.solids : scene.cuts;
        for (int b = 0; b < static_cast<int>(boxes.size()); ++b) {
            const SceneBox &box = boxes[b];
            int s0 = static_cast<int>(std::floor((box.lo[AxisS] - g.originS) / g.cellSize));
            int s1 = static_cast<int>(std::floor((box.hi[AxisS] - g.originS) / g.cellSize));
            int z0 = static_cast<int>(std::floor((box.lo[AxisZ] - g.originZ) / g.cellSize));
            int z1 = static_cast<int>(std::floor((box.hi[AxisZ] - g.originZ) / g.cellSize));
            s0 = s0 < 0 ? 0 : s0;
            z0 = z0 < 0 ? 0 : z0;
            s1 = s1 >= g.cellsS ? g.cellsS - 1 : s1;
            z1 = z1 >= g.cellsZ ? g.cellsZ - 1 : z1;
            for (int zc = z0; zc <= z1; ++zc)
                for (int sc = s0; sc <= s1; ++sc) {
                    const int cell = zc * g.cellsS + sc;
                    (pass == 0 ? g.solids : g.cuts)[cell].push_back(b);
                    if (box.hi[AxisN] > g.front[cell])
                        g.front[cell] = box.hi[AxisN];
                }
        }
    }
}

namespace {

// ---------------------------------------------------------------------------
// Tracing

// floor() for the moderate values of coordinates in the scene, without a library
// call.
int Floor_To_Int(double x)
{
    const int i = static_cast<int>(x);
    return x < i ? i - 1 : i;
}

// Interval of the ray inside a box, with the axes of the faces it enters and
// leaves by. Returns 0 if the ray misses the box.
int Box_Interval(const SceneBox &box, const double o[3], const double d[3], const double inverse[3],
                 double &tIn, double &tOut, int &axisIn, int &axisOut)
{
    tIn = -1e300;
    tOut = 1e300;
    axisIn = axisOut = 0;
    for (int a = 0; a < 3; ++a) {
        if (d[a] == 0) {
            if (o[a] < box.lo[a] || o[a] > box.hi[a])
                return 0;
            continue;
        }
        double t1 = (box.lo[a] - o[a]) * inverse[a];
        double t2 = (box.hi[a] - o[a]) * inverse[a];
        if (t1 > t2) {
            const double swap = t1;
            t1 = t2;
            t2 = swap;
        }
        if (t1 > tIn) {
            tIn = t1;
            axisIn = a;
        }
        if (t2 < tOut) {
            tOut = t2;
            axisOut = a;
        }
    }
    return tIn < tOut && tOut > 0;
}

constexpr int maxIntervals = 96;

struct RayIntervals {
    int solidCount, cutCount;
    double solidIn[maxIntervals], solidOut[maxIntervals];
    int solidAxis[maxIntervals], solidBox[maxIntervals];
    double cutIn[maxIntervals], cutOut[maxIntervals];
    int cutAxis[maxIntervals], cutBox[maxIntervals];
};

int Inside_Cut(const RayIntervals &r, double t)
{
    for (int i = 0; i < r.cutCount; ++i)
        if (r.cutIn[i] <= t && t < r.cutOut[i])
            return 1;
    return 0;
}

int Inside_Solid(const RayIntervals &r, double t)
{
    for (int i = 0; i < r.solidCount; ++i)
        if (r.solidIn[i] <= t && t < r.solidOut[i])
            return 1;
    return 0;
}

// The first point that lies inside a solid and outside every cut: either
// where the ray enters a solid, or where it leaves a recess.
int First_Inside(const RayIntervals &r, SceneHit &hit)
{
    hit.t = 1e300;
    int found = 0;
    for (int i = 0; i < r.solidCount; ++i) {
        const double t = r.solidIn[i];
        if (t > 0 && t < hit.t && !Inside_Cut(r, t)) {
            hit.t = t;
            hit.axis = r.solidAxis[i];
            hit.fromCut = 0;
            hit.box = r.solidBox[i];
            found = 1;
        }
    }
    for (int i = 0; i < r.cutCount; ++i) {
        const double t = r.cutOut[i];
        if (t > 0 && t < hit.t && Inside_Solid(r, t) && !Inside_Cut(r, t)) {
            hit.t = t;
            hit.axis = r.cutAxis[i];
            hit.fromCut = 1;
            hit.box = r.cutBox[i];
            found = 1;
        }
    }
    return found;
}

void Collect_Cell(const Scene &scene, TraceWork &work, int cell, const double o[3],
                  const double d[3], const double inverse[3], RayIntervals &r)
{
    double tIn, tOut;
    int axisIn, axisOut;
    for (int b : scene.grid.solids[cell]) {
        if (work.solidStamp[b] == work.stamp || r.solidCount == maxIntervals)
            continue;
        work.solidStamp[b] = work.stamp;
        if (!Box_Interval(scene.solids[b], o, d, inverse, tIn, tOut, axisIn, axisOut))
            continue;
        r.solidIn[r.solidCount] = tIn;
        r.solidOut[r.solidCount] = tOut;
        r.solidAxis[r.solidCount] = axisIn;
        r.solidBox[r.solidCount] = b;
        ++r.solidCount;
    }
    for (int b : scene.grid.cuts[cell]) {
        if (work.cutStamp[b] == work.stamp || r.cutCount == maxIntervals)
            continue;
        work.cutStamp[b] = work.stamp;
        if (!Box_Interval(scene.cuts[b], o, d, inverse, tIn, tOut, axisIn, axisOut))
            continue;
        r.cutIn[r.cutCount] = tIn;
        r.cutOut[r.cutCount] = tOut;
        r.cutAxis[r.cutCount] = axisOut;
        r.cutBox[r.cutCount] = b;
        ++r.cutCount;
    }
}

// ---------------------------------------------------------------------------
// Surface texture: value noise on an integer lattice, hashed so that it never
// repeats over the building.

unsigned Mix(unsigned h)
{
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

double Lattice_Value(int i, int j, unsigned seed)
{
    const unsigned h = Mix(static_cast<unsigned>(i) * 0x8da6b343u ^
                           static_cast<unsigned>(j) * 0xd8163841u ^ seed * 0xcb1ab31fu);
    return (h >> 8) * (1.0 / 16777216.0);
}

double Smooth(double f)
{
    return f * f * (3 - 2 * f);
}

// Smoothly interpolated noise in [0, 1) with lattice spacing 1 / perU by
// 1 / perV.
double Value_Noise(double u, double v, double perU, double perV, unsigned seed)
{
    const double fu = u * perU;
    const double fv = v * perV;
    const int i = Floor_To_Int(fu);
    const int j = Floor_To_Int(fv);
    const double wu = Smooth(fu - i);
    const double wv = Smooth(fv - j);
    const double a = Lattice_Value(i, j, seed);
    const double b = Lattice_Value(i + 1, j, seed);
    const double c = Lattice_Value(i, j + 1, seed);
    const double e = Lattice_Value(i + 1, j + 1, seed);
    const double bottom = a + (b - a) * wu;
    const double top = c + (e - c) * wu;
    return bottom + (top - bottom) * wv;
}

// Fine grain plus slow weathering, centred on 0.
double Grain(double u, double v, unsigned seed, double fine, double medium, double coarse)
{
    return fine * (Value_Noise(u, v, 16, 16, seed) - 0.5) +
           medium * (Value_Noise(u, v, 6, 6, seed + 1) - 0.5) +
           coarse * (Value_Noise(u, v, 1.3, 1.3, seed + 2) - 0.5) +
           coarse * (Value_Noise(u, v, 0.4, 0.4, seed + 3) - 0.5);
}

// Where the joint left of block b of a course lies, in blocks: at b, or for
// uneven masonry anywhere within 0.35 of it.
double Joint(int b, int course, int uneven, unsigned seed)
{
    return uneven ? b + 0.7 * (Lattice_Value(b, course, seed + 13) - 0.5) : b;
}

// Ashlar courses: blocks of the given size, every other course shifted by
// half a block, with dark joints. Uneven masonry has blocks of 0.3 to 1.7
// times that length and every course shifted at random, so that no stretch of
// it repeats another.
double Masonry(double u, double v, double blockU, double blockV, double joint, double face,
               unsigned seed, int uneven, double grain)
{
    const double course = std::floor(v / blockV);
    const int c = static_cast<int>(course);
    const double shifted = u / blockU + (uneven ? Lattice_Value(0, c, seed + 9) : 0.5 * (c & 1));
    int b = static_cast<int>(std::floor(shifted));
    if (shifted < Joint(b, c, uneven, seed))
        --b;
    else if (shifted >= Joint(b + 1, c, uneven, seed))
        ++b;
    const double du = (shifted - Joint(b, c, uneven, seed)) * blockU;
    const double dv = v - course * blockV;
    if (du < joint || dv < joint)
        return (uneven ? face - 0.14 : 0.25) + 0.08 * (Value_Noise(u, v, 20, 20, seed + 7) - 0.5);
    const double tint = 0.12 * (Lattice_Value(b, c, seed + 5) - 0.5);
    return face + tint + Grain(u, v, seed, grain * 0.16, grain * 0.10, 0.05);
}

// Glass with a mottled reflection, held by painted frames along its edges, a
// mullion and a transom.
double Glazing(const SceneBox &box, int acrossAxis, double u, double v, double frame, int mullions,
               unsigned seed)
{
    const double u0 = box.lo[acrossAxis], u1 = box.hi[acrossAxis];
    const double v0 = box.lo[AxisZ], v1 = box.hi[AxisZ];
    int onFrame = u - u0 < frame || u1 - u < frame || v - v0 < frame || v1 - v < frame;
    for (int m = 1; m <= mullions; ++m) {
        const double at = u0 + (u1 - u0) * m / (mullions + 1);
        onFrame |= u > at - 0.5 * frame && u < at + 0.5 * frame;
    }
    const double transom = v0 + 0.7 * (v1 - v0);
    onFrame |= v > transom - 0.5 * frame && v < transom + 0.5 * frame;
    if (onFrame)
        return 0.66 + Grain(u, v, seed + 11, 0.16, 0.06, 0.03);
    return 0.28 + 0.30 * (Value_Noise(u + 0.6 * v, v, 3, 1.1, seed) - 0.5) +
           0.36 * (Value_Noise(u, v, 12, 12, seed + 1) - 0.5) +
           0.18 * (Value_Noise(u, v, 6, 6, seed + 2) - 0.5);
}

// Dark wood with vertical grain and two sunken panels per leaf.
double Wood(const SceneBox &box, double u, double v, unsigned seed)
{
    const double grain = 0.22 * (Value_Noise(u, v, 40, 2, seed) - 0.5) +
                         0.12 * (Value_Noise(u, v, 12.5, 12.5, seed + 1) - 0.5);
    const double width = box.hi[AxisS] - box.lo[AxisS];
    const double leaf = std::floor((u - box.lo[AxisS]) / (0.5 * width));
    const double lu = u - box.lo[AxisS] - leaf * 0.5 * width;
    const double lv = v - box.lo[AxisZ];
    const int panelU = lu > 0.15 && lu < 0.5 * width - 0.15;
    const int lowerPanel = lv > 0.2 && lv < 1.3;
    const int upperPanel = lv > 1.5 && lv < 2.8;
    const double base = panelU && (lowerPanel || upperPanel) ? 0.26 : 0.36;
    return base + grain;
}

double Material_Albedo(const Scene &scene, const SceneHit &hit, int material)
{
    // Surface coordinates in the face's own plane.
    const double *p = hit.point;
    double u = p[AxisS], v = p[AxisZ];
    int acrossAxis = AxisS;
    if (hit.axis == AxisS) {
        u = p[AxisN];
        acrossAxis = AxisN;
    } else if (hit.axis == AxisZ) {
        v = p[AxisN];
    }
    const unsigned seed =
        1000u * static_cast<unsigned>(material) + 100u * hit.axis + scene.textureSeed;
    const double k = scene.blockScale;
    const int uneven = scene.unevenMasonry;
    const double g = scene.grain;
    switch (material) {
    case Plaster:
        return 0.60 + Grain(u, v, seed, g * 0.22, g * 0.14, 0.10);
    case WingPlaster:
        return 0.50 + Grain(u, v, seed, g * 0.22, g * 0.14, 0.12);
    case Rustication:
        return Masonry(u, v, 1.1 * k, 0.55 * k, 0.045, 0.58, seed, uneven, g);
    case Pilaster:
        return Masonry(u, v, 0.9 * k, 0.5 * k, 0.03, 0.76, seed, uneven, g);
    case Cornice: {
        const double moulding = std::floor(v / 0.11);
        const int band = static_cast<int>(moulding) % 3;
        return (band == 0 ? 0.72 : 0.84) + Grain(u, v, seed, g * 0.16, g * 0.08, 0.04);
    }
    case Glass:
    case ShopGlass: {
        const std::vector<SceneBox> &boxes = hit.fromCut ? scene.cuts : scene.solids;
        return Glazing(boxes[hit.box], acrossAxis, u, v, material == Glass ? 0.07 : 0.09,
                       material == Glass ? 1 : 2, seed);
    }
    case Door:
        return Wood(scene.cuts[hit.box], u, v, seed);
    case Concrete:
        return 0.66 + Grain(u, v, seed, g * 0.20, g * 0.12, 0.06);
    case Balustrade:
        return 0.80 + Grain(u, v, seed, g * 0.18, g * 0.10, 0.06);
    case Trim:
        return 0.84 + Grain(u, v, seed, g * 0.16, g * 0.08, 0.04);
    case Reveal:
        return 0.56 + Grain(u, v, seed, g * 0.20, g * 0.12, 0.06);
    case Threshold:
        return Masonry(u, v, 0.8 * k, 0.4 * k, 0.03, 0.5, seed, uneven, g);
    default:
        return Masonry(u, v, 0.6 * k, 0.6 * k, 0.02, 0.45, seed, uneven, g);
    }
}

double Albedo(const Scene &scene, const SceneHit &hit, int material)
{
    return scene.tone[material] + Material_Albedo(scene, hit, material);
}

} // namespace

void Build_Scene(Scene &scene)
{
    scene.originX = 100.7;
    scene.originY = 200.4;
    // The main facade is turned a few degrees against the cameras' base, so
    // that its right end stands a little further away than its left.
    const double length = std::sqrt(1.0 + 0.45 * 0.45);
    scene.axisS[0] = 1.0 / length;
    scene.axisS[1] = 0.45 / length;
    scene.axisN[0] = scene.axisS[1];
    scene.axisN[1] = -scene.axisS[0];
    scene.groundZ = 16.0;
    scene.solids.clear();
    scene.cuts.clear();
    Add_Main_Facade(scene);
    Add_Wing(scene);
    scene.nearN = wingFront + 0.5;
    scene.farN = -1.3;
    Index_Scene(scene, -42, 12, 84, 31);
}

void Add_Box(std::vector<SceneBox> &boxes, double s0, double s1, double n0, double n1, double z0,
             double z1, int material, int backMaterial)
{
    SceneBox box = {{s0, n0, z0}, {s1, n1, z1}, material, backMaterial};
    boxes.push_back(box);
}

void Init_Trace_Work(const Scene &scene, TraceWork &work)
{
    work.solidStamp.assign(scene.solids.size(), 0);
    work.cutStamp.assign(scene.cuts.size(), 0);
    work.stamp = 0;
}

void To_Building_Frame(const Scene &scene, const double objectPoint[3], double framePoint[3])
{
    const double dx = objectPoint[0] - scene.originX;
    const double dy = objectPoint[1] - scene.originY;
    framePoint[AxisS] = dx * scene.axisS[0] + dy * scene.axisS[1];
    framePoint[AxisN] = dx * scene.axisN[0] + dy * scene.axisN[1];
    framePoint[AxisZ] = objectPoint[2];
}

void Direction_To_Building_Frame(const Scene &scene, const double objectDir[3], double frameDir[3])
{
    frameDir[AxisS] = objectDir[0] * scene.axisS[0] + objectDir[1] * scene.axisS[1];
    frameDir[AxisN] = objectDir[0] * scene.axisN[0] + objectDir[1] * scene.axisN[1];
    frameDir[AxisZ] = objectDir[2];
}

void To_Object_Frame(const Scene &scene, const double framePoint[3], double objectPoint[3])
{
    objectPoint[0] =
        scene.originX + framePoint[AxisS] * scene.axisS[0] + framePoint[AxisN] * scene.axisN[0];
    objectPoint[1] =
        scene.originY + framePoint[AxisS] * scene.axisS[1] + framePoint[AxisN] * scene.axisN[1];
    objectPoint[2] = framePoint[AxisZ];
}

int Trace_Ray(const Scene &scene, TraceWork &work, const double o[3], const double d[3],
              SceneHit &hit)
{
    RayIntervals r;
    r.solidCount = r.cutCount = 0;
    ++work.stamp;
    double inverse[3];
    for (int a = 0; a < 3; ++a)
        inverse[a] = d[a] != 0 ? 1 / d[a] : 0;

    // The stretch of the ray between the nearest and the farthest face. Its
    // footprint is walked cell by cell through the grid, nearest cell first;
    // once a hit lies within the cells already walked, nothing further along
    // can come before it or contain it.
    hit.t = 1e300;
    int found = 0;
    const SceneGrid &g = scene.grid;
    if (d[AxisN] != 0) {
        double t0 = (scene.nearN - o[AxisN]) * inverse[AxisN];
        double t1 = (scene.farN - o[AxisN]) * inverse[AxisN];
        if (t0 > t1) {
            const double swap = t0;
            t0 = t1;
            t1 = swap;
        }
        t0 = t0 < 0 ? 0 : t0;
        const double inverseCell = 1 / g.cellSize;
        const double fs = (o[AxisS] + t0 * d[AxisS] - g.originS) * inverseCell;
        const double fz = (o[AxisZ] + t0 * d[AxisZ] - g.originZ) * inverseCell;
        int cs = Floor_To_Int(fs);
        int cz = Floor_To_Int(fz);
        const int stepS = d[AxisS] > 0 ? 1 : -1;
        const int stepZ = d[AxisZ] > 0 ? 1 : -1;
        const double inf = 1e300;
        const double deltaS = d[AxisS] != 0 ? g.cellSize * std::fabs(inverse[AxisS]) : inf;
        const double deltaZ = d[AxisZ] != 0 ? g.cellSize * std::fabs(inverse[AxisZ]) : inf;
        double nextS = inf, nextZ = inf;
        if (d[AxisS] != 0)
            nextS = t0 + (stepS > 0 ? cs + 1 - fs : fs - cs) * deltaS;
        if (d[AxisZ] != 0)
            nextZ = t0 + (stepZ > 0 ? cz + 1 - fz : fz - cz) * deltaZ;
        double cellEnd = t0;
        while (cellEnd < t1) {
            const double cellStart = cellEnd;
            cellEnd = nextS < nextZ ? nextS : nextZ;
            // A ray that crosses a cell in front of everything in it has
            // nothing to meet there.
            const double enterN = o[AxisN] + cellStart * d[AxisN];
            const double leaveN = o[AxisN] + (cellEnd < t1 ? cellEnd : t1) * d[AxisN];
            const double backN = enterN < leaveN ? enterN : leaveN;
            if (cs >= 0 && cs < g.cellsS && cz >= 0 && cz < g.cellsZ &&
                backN <= g.front[cz * g.cellsS + cs]) {
                Collect_Cell(scene, work, cz * g.cellsS + cs, o, d, inverse, r);
                found = First_Inside(r, hit);
                if (found && hit.t <= cellEnd)
                    break;
            }
            if (nextS < nextZ) {
                cs += stepS;
                nextS += deltaS;
            } else {
                cz += stepZ;
                nextZ += deltaZ;
            }
        }
    }

    // The ground in front of the building.
    if (d[AxisZ] < 0) {
        const double t = (scene.groundZ - o[AxisZ]) / d[AxisZ];
        if (t > 0 && t < hit.t) {
            hit.t = t;
            hit.axis = AxisZ;
            hit.fromCut = 0;
            hit.box = -1;
            found = 1;
        }
    }
    if (!found)
        return 0;
    hit.normalSign = d[hit.axis] > 0 ? -1 : 1;
    for (int a = 0; a < 3; ++a)
        hit.point[a] = o[a] + hit.t * d[a];
    return 1;
}

int Surface_Material(const Scene &scene, const SceneHit &hit)
{
    if (hit.box < 0)
        return Pavement;
    const SceneBox &box = hit.fromCut ? scene.cuts[hit.box] : scene.solids[hit.box];
    // The face at the back of a recess shows the recess's back material.
    if (hit.fromCut && hit.axis != AxisZ) {
        const int thinAxis =
            box.hi[AxisN] - box.lo[AxisN] < box.hi[AxisS] - box.lo[AxisS] ? AxisN : AxisS;
        if (hit.axis == thinAxis)
            return box.backMaterial;
    }
    return box.material;
}

double Surface_Brightness(const Scene &scene, const SceneHit &hit)
{
    const int material = Surface_Material(scene, hit);
    // Sun from the upper left, in front of the building.
    const double sun[3] = {-0.45 / 0.9975, 0.55 / 0.9975, 0.70 / 0.9975};
    double facing = hit.normalSign * sun[hit.axis];
    facing = facing < 0 ? 0 : facing;
    double light = 0.32 + 0.8 * facing;
    if (hit.fromCut)
        light *= 0.78; // recesses get less of the sky
    double albedo = Albedo(scene, hit, material);
    albedo = albedo < 0.02 ? 0.02 : albedo;
    return albedo * light;
}
