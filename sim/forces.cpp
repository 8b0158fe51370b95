#include "sim/forces.h"

#include <cmath>
#include <numbers>

#include "curve/curve.h"

namespace zorva {

double NormalAngle(double a, double b, double x) {
    // On the branch x > 0 the slope is negative, so θ lies strictly between
    // 0 and π/2 and the normal points up and away from the cusp, towards the
    // centre of curvature. Where the slope comes back as 0 the normal is
    // taken as vertical rather than dividing by zero.
    const double slope = CurveSlope(a, b, x);
    return slope != 0.0 ? std::atan(-1.0 / slope) : std::numbers::pi / 2.0;
}

// The reaction holds the body on the curve: it balances the weight's normal
// part and supplies the centripetal force m·v²/R. The absolute values are
// part of the model: the weight's normal part always counts as pressing on
// the curve, and the vertical part of the reaction always points upwards.
// Nothing is imposed on v²: a negative one gives a reaction that may be
// negative, and it is used with its sign. At and left of the cusp the curve
// has no radius of curvature, there is nothing to push against, and the
// body falls freely.
Forces ForcesAt(double a, double b, double x, double vSquared) {
    Forces f;
    f.theta = NormalAngle(a, b, x);
    f.R = CurvatureRadius(a, b, x);
    f.W = kMass * kGravity;
    f.N = f.R != 0.0 ? std::fabs(f.W * std::sin(f.theta)) + kMass * vSquared / f.R : 0.0;
    f.Fx = f.N * std::cos(f.theta);
    f.Fy = f.N * std::fabs(std::sin(f.theta)) - f.W;
    return f;
}

double StartAbscissa(double a, double b) {
    return -(a * a * a) / ((3.0 * b) * kGravity);
}

}  // namespace zorva
