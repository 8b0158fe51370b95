#include "plot/curvature.h"

#include <cmath>
#include <numbers>

#include "curve/curve.h"

namespace zorva {

void DrawClickCurvature(Surface& surface, const SimulationState& state, float X, float Y) {
    if (std::fabs(Y - CurveHeight(state.a, state.b, X)) > kClickReach) {
        return;
    }
    const double slope = CurveSlope(state.a, state.b, X);
    // The normal's direction; where the curve has no slope (at the cusp and
    // wherever the slope cannot be evaluated) it is vertical.
    const double theta = slope != 0.0 ? std::atan(-1.0 / slope) : std::numbers::pi / 2.0;
    const double radius = CurvatureRadius(state.a, state.b, X);
    // The centre lies on the normal through the click, not through the curve
    // point below it, so the circle always passes through the click.
    const double xc = X + radius * std::cos(theta);
    const double yc = Y + radius * std::sin(theta);
    surface.DrawWidth = 4;
    surface.PSet(xc, yc);
    surface.DrawWidth = 1;
    surface.Line(X, Y, xc, yc);
    surface.Circle(xc, yc, radius);
}

}  // namespace zorva
