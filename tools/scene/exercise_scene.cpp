#include "exercise_scene.h"

#include "app/window_layout.h"
#include "scene_render.h"
#include "scene_view.h"

#include <cmath>
#include <cstdint>

namespace {

// splitmix64: the same numbers everywhere, unlike the standard library's
// distributions.
struct Draws {
    std::uint64_t state;
};

std::uint64_t Next(Draws &d)
{
    std::uint64_t z = d.state += 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

// Uniform in [lo, hi): 53 random bits, scaled exactly.
double Uniform(Draws &d, double lo, double hi)
{
    return lo + (hi - lo) * (static_cast<double>(Next(d) >> 11) * 0x1.0p-53);
}

int Integer(Draws &d, int lo, int hi)
{
    return lo + static_cast<int>(Next(d) % static_cast<std::uint64_t>(hi - lo + 1));
}

int Chance(Draws &d, double p)
{
    return Uniform(d, 0, 1) < p;
}

// A window recess with its glass, a sill below and a hood above, in a wall
// whose front is at n = front.
void Add_Window(Scene &scene, double centre, double halfWidth, double front, double bottom,
                double top, int glass)
{
    Add_Box(scene.cuts, centre - halfWidth, centre + halfWidth, front - 0.3, front + 0.02, bottom,
            top, Reveal, glass);
    Add_Box(scene.solids, centre - halfWidth - 0.15, centre + halfWidth + 0.15, -8, front + 0.15,
            bottom - 0.14, bottom - 0.02, Trim);
    Add_Box(scene.solids, centre - halfWidth - 0.15, centre + halfWidth + 0.15, -8, front + 0.14,
            top + 0.02, top + 0.2, Trim);
}

// A cornice of three mouldings whose top is at z = top, on a wall at n = front.
void Add_Cornice(Scene &scene, double s0, double s1, double front, double top, double depth)
{
    Add_Box(scene.solids, s0, s1, -8, front + 0.12, top - 1.5, top - 0.9, Cornice);
    Add_Box(scene.solids, s0, s1, -8, front + depth, top - 0.9, top - 0.2, Cornice);
    Add_Box(scene.solids, s0, s1, -8, front + depth - 0.15, top - 0.2, top, Cornice);
}

// ---------------------------------------------------------------------------
// A building front: a rusticated ground floor with shops and doors, upper
// floors of windows between pilasters, balconies, a cornice, one or two
// storeys set back above it, and a lower wing standing forward on one side.

void Build_Building_Front(Scene &scene, Draws &d)
{
    const double bay = Uniform(d, 2.9, 4.0), phase = Uniform(d, 0, bay);
    const double groundTop = Uniform(d, 19.4, 20.6), floorHeight = Uniform(d, 2.8, 3.4);
    const int floors = Integer(d, 3, 4);
    const double eaves = groundTop + 0.4 + floors * floorHeight;
    const double halfWindow = 0.5 * Uniform(d, 0.9, bay - 1.3 < 1.6 ? bay - 1.3 : 1.6);
    const double windowHeight = Uniform(d, 1.5, floorHeight - 0.9);
    const int glass = Chance(d, 0.5) ? Glass : ShopGlass;
    const double pilaster = Chance(d, 0.7) ? Uniform(d, 0.25, 0.4) : 0;
    const double balconies = Uniform(d, 0.1, 0.3), balconyDepth = Uniform(d, 1.0, 1.5);
    const double setback = Uniform(d, 0.9, 1.3), secondSetback = setback + Uniform(d, 0.6, 0.9);
    const int wingSide = Chance(d, 0.5) ? -1 : 1;
    const double wingEdge = wingSide * Uniform(d, 2, 7), wingFront = Uniform(d, 2.6, 3.9);
    const double wingTop = groundTop + 0.4 + Integer(d, 1, floors - 1) * floorHeight + 0.6;
    const int doorEvery = Integer(d, 3, 5);

    // Wall, ground floor, belt course, cornice and the storeys set back.
    Add_Box(scene.solids, -40, 40, -8, 0, 14, eaves, Plaster);
    Add_Box(scene.solids, -40, 40, -8, 0.1, 14, groundTop, Rustication);
    Add_Box(scene.solids, -40, 40, -8, 0.22, groundTop, groundTop + 0.4, Trim);
    Add_Cornice(scene, -40, 40, 0, eaves + 1.0, Uniform(d, 0.5, 1.0));
    const double firstTop = eaves + 1.0 + floorHeight;
    Add_Box(scene.solids, -40, 40, -8, -setback, eaves + 1.0, firstTop, WingPlaster);
    Add_Box(scene.solids, -40, 40, -8, -secondSetback, firstTop, 46, Plaster);

    const double wingLo = wingSide < 0 ? -40 : wingEdge, wingHi = wingSide < 0 ? wingEdge : 40;
    for (int k = -7; k <= 7; ++k) {
        const double centre = phase + bay * k;
        if (pilaster > 0)
            Add_Box(scene.solids, centre - 0.5 * bay - pilaster, centre - 0.5 * bay + pilaster, -8,
                    0.3, groundTop + 0.4, eaves, Pilaster);
        const int besideWing = centre + 1.5 > wingLo && centre - 1.5 < wingHi;
        for (int f = 0; f < floors; ++f) {
            const double base = groundTop + 0.4 + f * floorHeight;
            if (besideWing && base < wingTop + 0.3)
                continue;
            const double sill = base + 0.6 * (floorHeight - windowHeight);
            if (f > 0 && Chance(d, balconies)) {
                Add_Window(scene, centre, halfWindow, 0, base + 0.2, sill + windowHeight, glass);
                Add_Box(scene.solids, centre - halfWindow - 0.6, centre + halfWindow + 0.6, 0,
                        balconyDepth, base - 0.02, base + 0.18, Concrete);
                Add_Box(scene.solids, centre - halfWindow - 0.6, centre + halfWindow + 0.6,
                        balconyDepth - 0.12, balconyDepth, base + 0.18, base + 1.15, Balustrade);
            } else {
                Add_Window(scene, centre, halfWindow, 0, sill, sill + windowHeight, glass);
            }
        }
        // The storey set back has a window in every bay.
        Add_Window(scene, centre, 0.8 * halfWindow, -setback, eaves + 1.6,
                   eaves + 0.6 + floorHeight, Glass);
        if (besideWing)
            continue;
        if ((k + 20) % doorEvery == 0)
            Add_Box(scene.cuts, centre - 1.0, centre + 1.0, -1.2, 0.15, 16.4, groundTop - 0.5,
                    Threshold, Door);
        else
            Add_Box(scene.cuts, centre - 0.5 * bay + 0.6, centre + 0.5 * bay - 0.6, -0.4, 0.15,
                    16.9, groundTop - 0.6, Reveal, ShopGlass);
    }

    // The wing, its own bays and floors.
    Add_Box(scene.solids, wingLo, wingHi, -8, wingFront, 14, wingTop - 0.7, WingPlaster);
    Add_Box(scene.solids, wingLo, wingHi, -8, wingFront + 0.1, 14, 17.6, Rustication);
    Add_Cornice(scene, wingLo - 0.3 * wingSide, wingHi - 0.3 * wingSide, wingFront, wingTop, 0.4);
    const double wingBay = Uniform(d, 2.6, 3.4);
    for (int m = 0; m < 9; ++m) {
        const double centre = wingEdge + wingSide * (0.5 + m) * wingBay;
        for (double base = groundTop - 2.6; base + 2.4 < wingTop - 1.5; base += floorHeight)
            Add_Window(scene, centre, 0.55, wingFront, base + 0.8, base + 2.4, Glass);
    }
}

// ---------------------------------------------------------------------------
// A terraced slope: retaining walls, each further back and higher than the
// one before, paved terraces between them, a flight of steps up each
// terrace, planters, and a building's wall at the back.

void Build_Terraced_Slope(Scene &scene, Draws &d)
{
    const int terraces = Integer(d, 3, 5);
    const double frontN = Uniform(d, 3.6, 4.6), backN = Uniform(d, -1.5, -0.6);
    const double depth = (frontN - backN - 1.0) / (terraces - 1);
    const double stairS = Uniform(d, -7, 4), stairWidth = Uniform(d, 2.2, 3.2);
    const int wallMaterial = Chance(d, 0.5) ? Rustication : Pilaster;

    double lowN = frontN + depth, lowZ = 16;
    for (int k = 0; k < terraces; ++k) {
        const double n = frontN - k * depth;
        const double top = k == 0 ? Uniform(d, 18.5, 20.5) : lowZ + Uniform(d, 2.0, 3.4);
        Add_Box(scene.solids, -40, 40, n - 0.45, n, 14, top, wallMaterial);
        Add_Box(scene.solids, -40, 40, -8, n - 0.45, 14, top - 0.02, Threshold);
        Add_Box(scene.solids, -40, 40, n - 0.5, n + 0.12, top - 0.02, top + 0.2, Trim);
        if (k > 0) {
            // The steps climb the terrace in front of this wall.
            const int risers = static_cast<int>((top - lowZ) / 0.45) + 1;
            const double tread = (lowN - n - 0.6) / risers;
            for (int j = 1; j <= risers; ++j)
                Add_Box(scene.solids, stairS, stairS + stairWidth, -8, n + (risers - j + 1) * tread,
                        14, lowZ + (top - lowZ) * j / risers, Concrete);
            // A planter on the terrace, away from the steps.
            const double at =
                Chance(d, 0.5) ? stairS - Uniform(d, 3, 6) : stairS + stairWidth + Uniform(d, 1, 4);
            // (Drawn one by one: the order of a call's arguments is not fixed.)
            const double height = Uniform(d, 0.7, 1.1), deep = Uniform(d, 0.4, depth - 0.6);
            const double wide = Uniform(d, 1.6, 2.6);
            Add_Box(scene.solids, at, at + wide, n + 0.2, n + 0.2 + deep, 14, lowZ + height,
                    Balustrade);
        }
        lowN = n;
        lowZ = top;
    }
    // The building behind: a wall with rows of windows, up out of the picture.
    Add_Box(scene.solids, -40, 40, -8, backN, 14, 46, Plaster);
    const double bay = Uniform(d, 2.6, 3.6), floorHeight = Uniform(d, 2.8, 3.3);
    for (int k = -6; k <= 6; ++k)
        for (double base = lowZ + 0.8; base < 40; base += floorHeight)
            Add_Window(scene, k * bay, 0.6, backN, base, base + 1.7, Glass);
}

// ---------------------------------------------------------------------------
// Blocks of different heights standing at different depths before a wall;
// some are stepped, a taller part set back behind a lower one.

void Build_Blocks(Scene &scene, Draws &d)
{
    const double backN = Uniform(d, -1.2, 0);
    Add_Box(scene.solids, -40, 40, -8, backN, 14, 46, Chance(d, 0.5) ? Rustication : Plaster);
    Add_Cornice(scene, -40, 40, backN, Uniform(d, 33, 36), 0.7);
    const int materials[4] = {Concrete, WingPlaster, Rustication, Pilaster};
    // Three depth bands; consecutive blocks never share one.
    int band = Integer(d, 0, 2);
    int stepped = 0;
    for (double s = -17 + Uniform(d, 0, 2); s < 17;) {
        const double width = Uniform(d, 2.6, 4.6);
        band = (band + Integer(d, 1, 2)) % 3;
        const double front = backN + 1.3 + 1.3 * band + Uniform(d, 0, 0.8);
        const double top = Uniform(d, 18.5, 30);
        const int material = materials[Integer(d, 0, 3)];
        Add_Box(scene.solids, s, s + width, -8, front, 14, top, material);
        Add_Box(scene.solids, s - 0.08, s + width + 0.08, -8, front + 0.08, top, top + 0.25, Trim);
        if (front - backN > 2.2 && (!stepped || Chance(d, 0.4))) {
            const double rearTop = top + Uniform(d, 2.5, 5);
            Add_Box(scene.solids, s + 0.3, s + width - 0.3, -8, front - Uniform(d, 1.0, 1.4), 14,
                    rearTop, material);
            stepped = 1;
        }
        s += width + Uniform(d, 0.5, 1.8);
    }
}

void Finish(Scene &scene)
{
    double lowS = 0, highS = 0, highZ = 0, nearN = -1e300, farN = 1e300;
    for (int pass = 0; pass < 2; ++pass)
        for (const SceneBox &box : pass == 0 ? scene.solids : scene.cuts) {
            lowS = box.lo[AxisS] < lowS ? box.lo[AxisS] : lowS;
            highS = box.hi[AxisS] > highS ? box.hi[AxisS] : highS;
            highZ = box.hi[AxisZ] > highZ ? box.hi[AxisZ] : highZ;
            nearN = box.hi[AxisN] > nearN ? box.hi[AxisN] : nearN;
            // The deepest face a ray can meet: a solid's front or a recess's back.
            const double back = pass == 0 ? box.hi[AxisN] : box.lo[AxisN];
            farN = back < farN ? back : farN;
        }
    scene.nearN = nearN + 0.5;
    scene.farN = farN - 0.5;
    Index_Scene(scene, static_cast<int>(lowS) - 2, 12, static_cast<int>(highS - lowS) + 4,
                static_cast<int>(highZ) - 10);
}

} // namespace

int Fits_The_Pictures(const Scene &scene)
{
    TraceWork work;
    Init_Trace_Work(scene, work);
    double depths[64];
    int counts[64], levels = 0, samples = 0;
    for (int row = pictureTop; row < pictureTop + pictureHeight; row += 8)
        for (int column = pictureLeft; column < pictureLeft + pictureWidth; column += 8) {
            double surface[3], parallax;
            ++samples;
            if (!Surface_Parallax(scene, work, column, row, surface, parallax))
                continue;
            if (parallax < exerciseParallax[0] - 5 || parallax > exerciseParallax[1] + 5)
                return 0;
            SceneHit hit;
            Trace_View(scene, work, LeftView, column, row, hit);
            if (hit.axis != AxisN || hit.box < 0)
                continue;
            int k = 0;
            while (k < levels && std::fabs(hit.point[AxisN] - depths[k]) > 0.5)
                ++k;
            if (k == levels && levels == 64)
                continue;
            if (k == levels) {
                depths[levels] = hit.point[AxisN];
                counts[levels++] = 0;
            }
            ++counts[k];
        }
    int large = 0;
    for (int k = 0; k < levels; ++k)
        large += counts[k] * 50 >= samples;
    return large >= 3;
}

int Build_Exercise_Scene(Scene &scene, std::uint64_t seed)
{
    Draws d = {0x51ed2701f3a5c6b9ull ^ seed};
    const int kind = Integer(d, 0, ExerciseKinds - 1);
    // Measures are drawn again until the scene fits; in practice the first
    // or second draw does.
    for (int attempt = 0;; ++attempt) {
        scene.originX = 100.7 + Uniform(d, -1, 1);
        scene.originY = 200.4 + Uniform(d, -1, 1);
        // The front is turned against the cameras' base, its right end
        // further away than its left.
        const double turn = Uniform(d, 0.3, 0.5);
        const double length = std::sqrt(1.0 + turn * turn);
        scene.axisS[0] = 1.0 / length;
        scene.axisS[1] = turn / length;
        scene.axisN[0] = scene.axisS[1];
        scene.axisN[1] = -scene.axisS[0];
        scene.groundZ = 16.0;
        scene.solids.clear();
        scene.cuts.clear();
        scene.textureSeed = static_cast<unsigned>(Next(d));
        for (double &tone : scene.tone)
            tone = Uniform(d, -0.08, 0.08);
        scene.blockScale = Uniform(d, 0.8, 1.3);
        scene.grain = Uniform(d, 1.4, 1.6);
        scene.unevenMasonry = 1;
        if (kind == BuildingFront)
            Build_Building_Front(scene, d);
        else if (kind == TerracedSlope)
            Build_Terraced_Slope(scene, d);
        else
            Build_Blocks(scene, d);
        Finish(scene);
        if (attempt == 99 || Fits_The_Pictures(scene))
            return kind;
    }
}

const char *Exercise_Kind_Name(int kind)
{
    static const char *const names[ExerciseKinds] = {"a building front", "a terraced slope",
                                                     "blocks before a wall"};
    return kind >= 0 && kind < ExerciseKinds ? names[kind] : "an unknown scene";
}
