// Grading of recorded points against the true scene of a stereo image (the
// default one or an exercise): how far, and in which direction, the floating
// mark stood from the surface when each point was recorded.
#pragma once

#include "app/window_layout.h"
#include "scene_model.h"
#include "scene_view.h"

#include <string>

// One record of the point log.
struct PointRecord {
    int line; // in the log, from 1
    int id;
    double object[3]; // X, Y, Z as logged
};

struct PointGrade {
    // Why the point cannot be graded at all (a coordinate infinite or not a
    // number, or a point no mark in the window can reach), or nullptr; when
    // set, nothing below is.
    const char *ungradable;
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

// Reads "ID X Y Z" as the point log writes it, of any length, with infinite
// or not-a-number coordinates too (Grade_Point tells those); returns 0 for
// anything else, a line with a NUL byte in it included. The record keeps the
// line's number.
int Parse_Point_Record(const std::string &line, int number, PointRecord &record);

// Grades one point. The stereo model must have been set up.
void Grade_Point(const Scene &scene, TraceWork &work, const double object[3], PointGrade &grade);

// A grade counts when the mark stood on the picture over the scene.
int Grade_Counts(const PointGrade &grade);

// Within half a notch of the surface.
int Grade_On_Surface(const PointGrade &grade);

struct GradeSummary {
    long long points = 0, graded = 0, withinHalfNotch = 0, offPicture = 0, noSurface = 0,
              ungradable = 0, depthEdges = 0;
    double sum = 0, squares = 0;            // of the graded points' notches, in their order
    double meanNotches = 0, rmsNotches = 0; // over the graded points, set by Finish_Summary
};

// Counts one more grade in; Finish_Summary then sets the mean and RMS.
void Add_Grade(GradeSummary &summary, const PointGrade &grade);
void Finish_Summary(GradeSummary &summary);
