// The force law of the body on the curve, in one place: the direction of the
// curve's normal, the normal reaction and the total force. The equations of
// motion, the tick and the launch-speed readout all take their forces here.
#pragma once

namespace zorva {

/// Mass of the body (kg).
inline constexpr double kMass = 1.0;

/// Angle (rad) of the curve's normal at abscissa x (m) from the x axis:
/// atan(−1/σ) with σ = CurveSlope(a, b, x), or π/2 where σ is 0 (at the cusp
/// and wherever the slope cannot be evaluated). Never throws.
double NormalAngle(double a, double b, double x);

/// The forces on the body at abscissa x (m) moving with squared speed
/// vSquared (m²/s², may be negative): all in newtons, theta in rad.
struct Forces {
    double theta = 0.0;  ///< NormalAngle at x
    double R = 0.0;      ///< radius of curvature (m); 0 where the curve has none
    double W = 0.0;      ///< weight m·g
    double N = 0.0;      ///< normal reaction |W·sin θ| + m·v²/R, or 0 where R is 0
    double Fx = 0.0;     ///< total force, reaction plus weight: N·cos θ
    double Fy = 0.0;     ///< N·|sin θ| − W
};
/// Never throws; a non-finite vSquared gives non-finite N, Fx and Fy.
Forces ForcesAt(double a, double b, double x, double vSquared);

/// Abscissa (m) of the start point, where the curve's height is 0:
/// −a³ / ((3·b)·g). Requires b ≠ 0.
double StartAbscissa(double a, double b);

}  // namespace zorva
