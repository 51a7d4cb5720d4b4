#include "model/stereo_model.h"

#include <cmath>

StereoModelRecord StereoModel;

double Leading_Angle(Matrix r)
{
    const double c = std::cos(-std::asin(r[1][3]));
    return std::atan2(r[2][3] / c, r[3][3] / c);
}

void Setup_Stereo_Model()
{
    StereoModelRecord &m = StereoModel;
    m.left = {1.715906, 0.499112, -0.101816, 115.679, 172.099, 19.972};
    m.right = {1.707542, 0.595611, -0.103318, 121.16, 174.097, 19.965};
    m.focalLength = 2650;
    m.columnOffset = -1550;
    m.rowOrigin = 1000;
    m.rightColumnShift = 350;

    m.leftRotation = Allocate_Matrix(3, 3);
    m.rightRotation = Allocate_Matrix(3, 3);
    m.commonRotation = Allocate_Matrix(3, 3);
    m.rayVector = Allocate_Vector(3);
    m.imageVector = Allocate_Vector(3);
    m.designMatrix = Allocate_Matrix(4, 3);
    m.rightSide = Allocate_Vector(4);
    m.normalMatrix = Allocate_Matrix(3, 3);
    m.normalRightSide = Allocate_Vector(3);
    m.solution = Allocate_Vector(3);

    Rotation_Matrix(m.leftRotation, m.left.omega, m.left.phi, m.left.kappa);
    Rotation_Matrix(m.rightRotation, m.right.omega, m.right.phi, m.right.kappa);

    const double bx = m.right.centreX - m.left.centreX;
    const double by = m.right.centreY - m.left.centreY;
    const double bz = m.right.centreZ - m.left.centreZ;

    const double leftAngle = Leading_Angle(m.leftRotation);
    const double rightAngle = Leading_Angle(m.rightRotation);

    // The common orientation: kappa and phi turn the x axis onto the base,
    // omega is the mean of the two cameras' leading angles.
    const double kappaCommon = -std::atan2(by, bx);
    const double phiCommon = -std::atan2(-bz, std::sqrt(by * by + bx * bx));
    const double omegaCommon = -((rightAngle + leftAngle) * 0.5);

    Rotation_Matrix(m.commonRotation, omegaCommon, phiCommon, kappaCommon);
}

void Release_Stereo_Model()
{
    StereoModelRecord &m = StereoModel;
    Free_Vector(m.solution);
    Free_Vector(m.normalRightSide);
    Free_Matrix(m.normalMatrix, 3);
    Free_Vector(m.rightSide);
    Free_Matrix(m.designMatrix, 4);
    Free_Vector(m.imageVector);
    Free_Vector(m.rayVector);
    Free_Matrix(m.commonRotation, 3);
    Free_Matrix(m.rightRotation, 3);
    Free_Matrix(m.leftRotation, 3);
}
