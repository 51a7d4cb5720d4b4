// Grading of recorded points against the true scene of the default stereo
// image: how far, and in which direction, the floating mark stood from the
// surface when each point was recorded.
#pragma once

#include "app/window_layout.h"
#include "scene_model.h"

#include <vector>

// One wheel notch moves each half of the mark by a column: the parallax
// changes by two.
constexpr double notchColumns = 2;

// One record of the point log.
struct PointRecord {
    int line; // in the log, from 1
    int id;
    double object[3]; // X, Y, Z as logged
};

struct PointGrade {
    int leftColumn, rightColumn, row; // where the mark's halves stood
    int offPicture;    // a half of the mark stood outside the picture, or the point lies behind the
                       // cameras
    int onSurface;     // the left ray met the scene; nothing below is set otherwise
    int depthEdge;     // the true surface changes by more than a notch within the mark's reach
    double depthError; // along the left ray, in object units; positive: mark in front
    double parallaxError; // the same in columns of parallax
    double notches;       // and in wheel notches
    double distance;      // from the point to the true surface point
    double surface[3];    // the true surface point, object frame
};

// Reads "ID X Y Z" as the point log writes it; returns 0 for anything else.
int Parse_Point_Record(const char *text, int line, PointRecord &record);

// Grades one point. The stereo model must have been set up.
void Grade_Point(const Scene &scene, TraceWork &work, const double object[3], PointGrade &grade);

// A grade counts when the mark stood on the picture over the scene.
int Grade_Counts(const PointGrade &grade);

// Within half a notch of the surface.
int Grade_On_Surface(const PointGrade &grade);

struct GradeSummary {
    int points, graded, withinHalfNotch, offPicture, noSurface, depthEdges;
    double meanNotches, rmsNotches; // over the graded points
};

void Summarise_Grades(const std::vector<PointGrade> &grades, GradeSummary &summary);
