// Closed-form geometry of the isochrone, the semicubical parabola
//   y(x) = (a² − (3·g·b·|x|)^(2/3)) / (2·g),  g = 9.81,
// with its summit (a cusp) at x = 0. All lengths are in metres.
#pragma once

#include <stdexcept>

namespace zorva {

/// Gravity (m/s²), the one value every formula of the program uses.
inline constexpr double kGravity = 9.81;

/// Raised when a curve formula cannot be evaluated: a negative base with a
/// non-whole exponent, a zero base with a negative exponent, a division by
/// zero, or a result outside the range of a double.
class CurveEvaluationError : public std::domain_error {
  public:
    using std::domain_error::domain_error;
};

/// Height y (m) of the curve at abscissa x (m); even in x.
/// Throws CurveEvaluationError when the formula fails (b < 0 with x ≠ 0).
double CurveHeight(double a, double b, double x);

/// Abscissa x ≥ 0 (m, for b > 0) at which the curve has height y (m).
/// Returns 0 when the formula fails: above or at the summit, or b = 0.
double CurveX(double a, double b, double y);

/// Slope dy/dx at x; even in x, so x < 0 gives the slope at |x|.
/// Returns 0 when the formula fails, in particular at x = 0 and for b < 0.
double CurveSlope(double a, double b, double x);

/// Second derivative d²y/dx² (1/m) at x.
/// Throws CurveEvaluationError when the formula fails: for every x ≤ 0 and for b < 0.
double CurveSecondDerivative(double a, double b, double x);

/// Radius of curvature (m) at x. Returns 0 when any step fails, which
/// includes every x ≤ 0 and a zero second derivative.
double CurvatureRadius(double a, double b, double x);

}  // namespace zorva
