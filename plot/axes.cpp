#include "plot/axes.h"

namespace zorva {

BaseExtents ComputeBaseExtents(double clientWidth, double clientHeight) {
    // Only the aspect ratio counts: the scale-1 world rectangle is 0.2 m
    // wide-plus-high, shaped like the client area.
    const double sum = clientWidth + clientHeight;
    return {0.2 * clientWidth / sum, 0.2 * clientHeight / sum};
}

void SetFrameForScale(Surface& surface, const SimulationState& state, int k) {
    const double far = 1.0 - kFrameMargin;
    const double left = k * (-kFrameMargin * state.BaseWidth);
    const double top = k * (far * state.BaseHeight);
    const double right = k * (far * state.BaseWidth);
    const double bottom = k * (-kFrameMargin * state.BaseHeight);
    surface.Scale(left, top, right, bottom);
}

void DrawStartupAxes(Surface& surface, const SimulationState& state, Colour colour) {
    surface.Line(-state.BaseWidth, 0.0, state.BaseWidth, 0.0, colour);
    surface.Line(0.0, -state.BaseHeight, 0.0, state.BaseHeight, colour);
}

void DrawAxes(Surface& surface, const SimulationState& state, int k, Colour colour) {
    surface.Line(-state.BaseWidth * k, 0.0, state.BaseHeight * k, 0.0, colour);
    surface.Line(0.0, -state.BaseHeight * k, 0.0, state.BaseHeight * k, colour);
}

}  // namespace zorva
