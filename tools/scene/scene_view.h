// The two views of the default stereo image: rays through client positions
// and the positions where object points appear, through the program's own
// two-camera model (which must have been set up).
#pragma once

#include "scene_model.h"

enum View { LeftView = 0, RightView = 1 };

// Sets the model's common rotation, the one rotation that rays, projections
// and the space intersection use, to the numbers Setup_Stereo_Model computes
// on Linux, written out bit for bit: sine, cosine and arc tangent may differ
// in their last bit from one C library to another, and the exercises and
// their grading must come out the same on every system. Call it after
// Setup_Stereo_Model.
void Use_Exact_Common_Rotation();

// Object-frame direction of the ray of one view through client position
// (column, row), which may be fractional.
void View_Ray(int view, double column, double row, double dir[3]);

// Projection centre of one view's camera in the object frame.
void View_Centre(int view, double centre[3]);

// Traces the ray of one view through a client position into the building.
int Trace_View(const Scene &scene, TraceWork &work, int view, double column, double row,
               SceneHit &hit);

// Client position (fractional) where an object point appears in one view: the
// inverse of View_Ray. Returns 0 for a point behind the camera.
int Project_To_View(int view, const double point[3], double &column, double &row);

// One wheel notch moves each half of the mark by a column: the parallax
// changes by two.
constexpr double notchColumns = 2;

// The true surface under the left view's client position (column, row): its
// object point and the parallax, in columns, at which the mark rests on it.
// Returns 0 when the ray meets no surface or the point is behind the right
// camera.
int Surface_Parallax(const Scene &scene, TraceWork &work, int column, int row, double surface[3],
                     double &parallax);

// How far a mark of the given parallax stands from a surface of the given
// parallax, in wheel notches: positive in front of it, negative behind. The
// truth file's mark positions and the grading of points both measure so.
double Notches_From_Surface(double markParallax, double surfaceParallax);

// Within half a notch: as near the surface as the wheel can set the mark.
int Within_Half_Notch(double notches);
