// The synthetic building front that the default stereo image shows: a main
// facade with pilasters, recessed windows, balconies, a doorway and a cornice,
// and a lower wing that stands several units further forward on the left.
// Exercises (exercise_scene.h) build other scenes of the same parts.
//
// The building is described in its own frame: s runs along the main facade
// (horizontal), n points out of the facade towards the cameras, z is the
// object frame's Z (up). Everything is made of axis-aligned boxes: solid boxes
// are joined, and cut boxes (window and door recesses) are carved out of them.
#pragma once

#include <vector>

enum Axis { AxisS = 0, AxisN = 1, AxisZ = 2 };

enum SurfaceMaterial {
    Plaster,
    WingPlaster,
    Rustication,
    Pilaster,
    Cornice,
    Glass,
    ShopGlass,
    Door,
    Concrete,
    Balustrade,
    Trim,
    Reveal,
    Threshold,
    Pavement,
    MaterialCount,
};

struct SceneBox {
    double lo[3];
    double hi[3];
    int material;     // solids: every face; cuts: the recess's side faces and floor
    int backMaterial; // cuts only: the face at the back of the recess
};

struct SceneGrid {
    double originS, originZ, cellSize;
    int cellsS, cellsZ;
    std::vector<std::vector<int>> solids; // per cell, the solids whose footprint meets it
    std::vector<std::vector<int>> cuts;
    std::vector<double> front; // per cell, the largest n that any box in it reaches
};

struct Scene {
    // Where the building frame sits in the object frame: its origin (X, Y)
    // and the object-frame directions of s and n (both horizontal).
    double originX, originY;
    double axisS[2], axisN[2];
    double groundZ;
    std::vector<SceneBox> solids;
    std::vector<SceneBox> cuts;
    // Every visible face lies between these two n values, so a ray is only
    // tested against boxes in the grid cells it crosses between them.
    double nearN, farN;
    SceneGrid grid;
    // The surfaces' look: added to every texture's noise seed, to each
    // material's mean brightness, a scale of masonry blocks, of the fine and
    // medium grain, and whether masonry is laid in blocks of uneven length
    // with light joints (0, 0, 1, 1 and 0 for the default scene).
    unsigned textureSeed = 0;
    double tone[MaterialCount] = {};
    double blockScale = 1;
    double grain = 1;
    int unevenMasonry = 0;
};

// Where a ray first meets the building.
struct SceneHit {
    double t;        // ray parameter
    double point[3]; // in the building frame
    int axis;        // axis of the face's normal
    int normalSign;  // +1 or -1
    int fromCut;     // 1: a recess face (the cut's exit), 0: a solid's outer face
    int box;         // index into solids or cuts; -1 for the ground
};

// Scratch storage of one tracing thread: marks boxes already tested for the
// current ray.
struct TraceWork {
    std::vector<unsigned> solidStamp, cutStamp;
    unsigned stamp;
};

void Build_Scene(Scene &scene);

// Appends an axis-aligned box, its bounds in the building frame.
void Add_Box(std::vector<SceneBox> &boxes, double s0, double s1, double n0, double n1, double z0,
             double z1, int material, int backMaterial = 0);

// Files every box into the grid that Trace_Ray walks: cells of one unit,
// cellsS by cellsZ of them from (originS, originZ). Called once the boxes are
// all there.
void Index_Scene(Scene &scene, double originS, double originZ, int cellsS, int cellsZ);
void Init_Trace_Work(const Scene &scene, TraceWork &work);

// Object-frame point or direction into the building frame.
void To_Building_Frame(const Scene &scene, const double objectPoint[3], double framePoint[3]);
void Direction_To_Building_Frame(const Scene &scene, const double objectDir[3], double frameDir[3]);
void To_Object_Frame(const Scene &scene, const double framePoint[3], double objectPoint[3]);

// First hit of the ray origin + t * dir, t > 0, both in the building frame.
// Returns 0 if the ray meets nothing.
int Trace_Ray(const Scene &scene, TraceWork &work, const double origin[3], const double dir[3],
              SceneHit &hit);

// The material of the face at a hit.
int Surface_Material(const Scene &scene, const SceneHit &hit);

// Brightness of the surface at a hit, lit by a fixed sun, 0 (black) to about
// 1 (white).
double Surface_Brightness(const Scene &scene, const SceneHit &hit);

// Brightness of a ray that meets nothing.
constexpr double skyBrightness = 0.85;
