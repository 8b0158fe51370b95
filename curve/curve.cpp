#include "curve/curve.h"

#include <cmath>

namespace zorva {
namespace {

// Every arithmetic step that can fail is routed through these helpers, so a
// formula fails at the first step that would otherwise quietly give NaN or
// an infinity. Each formula is written in the grouping of its definition.

double Finite(double value) {
    if (!std::isfinite(value)) {
        throw CurveEvaluationError("curve formula: result outside the range of a double");
    }
    return value;
}

double Power(double base, double exponent) {
    if (base < 0.0 && std::trunc(exponent) != exponent) {
        throw CurveEvaluationError("curve formula: negative base with a non-whole exponent");
    }
    if (base == 0.0 && exponent < 0.0) {
        throw CurveEvaluationError("curve formula: zero to a negative power");
    }
    return Finite(std::pow(base, exponent));
}

double Divide(double numerator, double denominator) {
    if (denominator == 0.0) {
        throw CurveEvaluationError("curve formula: division by zero");
    }
    return Finite(numerator / denominator);
}

double Times(double left, double right) {
    return Finite(left * right);
}

double Minus(double left, double right) {
    return Finite(left - right);
}

// The absorbing functions answer 0 whichever step failed, including a step
// inside a function they call.
template <typename Formula>
double ZeroOnFailure(Formula formula) {
    try {
        return formula();
    } catch (const CurveEvaluationError&) {
        return 0.0;
    }
}

}  // namespace

double CurveHeight(double a, double b, double x) {
    const double g = kGravity;
    const double base = Times(Times(Times(3.0, b), std::fabs(x)), g);
    return Divide(Minus(Times(a, a), Power(base, 2.0 / 3.0)), Times(2.0, g));
}

double CurveX(double a, double b, double y) {
    return ZeroOnFailure([&] {
        const double g = kGravity;
        const double base = Minus(Times(a, a), Times(Times(2.0, g), y));
        return Divide(Power(base, 1.5), Times(Times(3.0, b), g));
    });
}

double CurveSlope(double a, double b, double x) {
    static_cast<void>(a);  // a shifts the curve vertically and leaves its slope alone
    return ZeroOnFailure([&] {
        const double g = kGravity;
        const double factor = Divide(-1.0 / 3.0, g);
        return Times(Times(factor, Power(Times(Times(3.0, b), g), 2.0 / 3.0)),
                     Power(std::fabs(x), -1.0 / 3.0));
    });
}

double CurveSecondDerivative(double a, double b, double x) {
    static_cast<void>(a);
    const double g = kGravity;
    const double factor = Divide(1.0 / 9.0, g);
    // x enters without an absolute value: left of the cusp the base is
    // negative and the formula fails, which callers rely on.
    return Times(Times(factor, Power(Times(Times(3.0, b), g), 2.0 / 3.0)), Power(x, -4.0 / 3.0));
}

double CurvatureRadius(double a, double b, double x) {
    return ZeroOnFailure([&] {
        const double s = CurveSlope(a, b, x);
        const double k = CurveSecondDerivative(a, b, x);
        return Divide(Power(1.0 + Times(s, s), 1.5), std::fabs(k));
    });
}

}  // namespace zorva
