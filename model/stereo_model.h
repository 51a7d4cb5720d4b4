// The fixed two-camera model of the stereo pair and the space intersection
// that turns the image positions under the two mark halves into object
// coordinates X, Y, Z.
#pragma once

#include "linalg/linalg.h"

// Converts window pixels to pixels of the resampled images: the double
// nearest to 2.5777777777777, a little below 116/45.
constexpr double displayScale = 2.5777777777777;

struct CameraOrientation {
    double omega; // radians
    double phi;
    double kappa;
    double centreX; // projection centre in the object frame
    double centreY;
    double centreZ;
};

struct StereoModelRecord {
    CameraOrientation left;  // camera of the left-eye (red) half
    CameraOrientation right; // camera of the right-eye (cyan) half
    double focalLength;      // image distance of the resampled images, in their pixels
    double columnOffset;     // added to the scaled column to give image x
    double rowOrigin;        // image y = rowOrigin - scaled row
    double rightColumnShift; // subtracted once more from the right image's x
    Matrix leftRotation;
    Matrix rightRotation;
    Matrix commonRotation; // the only rotation the intersection uses
    // Work storage of the intersection, overwritten by every call.
    Vector rayVector;
    Vector imageVector;
    Matrix designMatrix; // 4 x 3
    Vector rightSide;    // 4
    Matrix normalMatrix; // 3 x 3
    Vector normalRightSide;
    Vector solution;
};

// The one process-wide model, valid between Setup_Stereo_Model and
// Release_Stereo_Model.
extern StereoModelRecord StereoModel;

// Rotation R = R_kappa * R_phi * R_omega into the caller's 3 x 3 matrix.
void Rotation_Matrix(Matrix r, double omega, double phi, double kappa);

// First angle of r read as R_omega(a) * R_phi(b) * R_kappa(c), in the reverse
// order of Rotation_Matrix's product; it reads only r's third column.
double Leading_Angle(Matrix r);

// Fills every field of StereoModel: constants, storage, the two cameras'
// rotations and the common rotation derived from the base and both cameras.
void Setup_Stereo_Model();

// Releases the model's ten matrices and vectors in the reverse order of their
// creation.
void Release_Stereo_Model();

// Least-squares intersection of the two rays through (leftColumn, row) and
// (rightColumn, row) in window pixels. The result also stays in
// StereoModel.solution.
void Space_Intersection(int row, int leftColumn, int rightColumn, double *x, double *y, double *z);
