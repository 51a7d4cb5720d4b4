#include "model/stereo_model.h"

namespace {

// Two observation equations for one ray: the object point lies on the ray
// through the camera's projection centre and the rotated image vector.
void Ray_Equations(double imageX, double imageY, const CameraOrientation &camera, int firstRow)
{
    StereoModelRecord &m = StereoModel;
    Vector image = m.imageVector;
    Vector ray = m.rayVector;
    Matrix r = m.commonRotation;

    image[1] = imageX;
    image[2] = imageY;
    image[3] = -m.focalLength;
    for (int i = 1; i <= 3; ++i)
        ray[i] = r[i][1] * image[1] + r[i][2] * image[2] + r[i][3] * image[3];

    const double qx = ray[1] / ray[3];
    const double qy = ray[2] / ray[3];

    Matrix a = m.designMatrix;
    a[firstRow][1] = -1;
    a[firstRow][2] = 0;
    a[firstRow][3] = qx;
    m.rightSide[firstRow] = qx * camera.centreZ - camera.centreX;
    a[firstRow + 1][1] = 0;
    a[firstRow + 1][2] = -1;
    a[firstRow + 1][3] = qy;
    m.rightSide[firstRow + 1] = qy * camera.centreZ - camera.centreY;
}

} // namespace

void Space_Intersection(int row, int leftColumn, int rightColumn, double *x, double *y, double *z)
{
    StereoModelRecord &m = StereoModel;

    const double imageY = m.rowOrigin - row * displayScale;
    const double leftX = displayScale * leftColumn + m.columnOffset;
    const double rightX = rightColumn * displayScale + (m.columnOffset - m.rightColumnShift);

    Ray_Equations(leftX, imageY, m.left, 1);
    Ray_Equations(rightX, imageY, m.right, 3);

    Normal_Matrix(m.designMatrix, 4, 3, m.normalMatrix);
    Normal_Vector(m.designMatrix, m.rightSide, 4, 3, m.normalRightSide);
    Solve_Linear_System(m.normalMatrix, m.normalRightSide, 3, m.solution);

    *x = m.solution[1];
    *y = m.solution[2];
    *z = m.solution[3];
}
