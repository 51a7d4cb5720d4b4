#include "model/stereo_model.h"

#include <cmath>

void Rotation_Matrix(Matrix r, double omega, double phi, double kappa)
{
    const double sinOmega = std::sin(omega);
    const double cosOmega = std::cos(omega);
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double sinKappa = std::sin(kappa);
    const double cosKappa = std::cos(kappa);

    r[1][1] = cosPhi * cosKappa;
    r[1][2] = cosOmega * sinKappa + sinOmega * sinPhi * cosKappa;
    r[1][3] = sinOmega * sinKappa - cosOmega * sinPhi * cosKappa;
    r[2][1] = -cosPhi * sinKappa;
    r[2][2] = cosOmega * cosKappa - sinOmega * sinPhi * sinKappa;
    r[2][3] = sinOmega * cosKappa + cosOmega * sinPhi * sinKappa;
    r[3][1] = sinPhi;
    r[3][2] = -sinOmega * cosPhi;
    r[3][3] = cosOmega * cosPhi;
}
