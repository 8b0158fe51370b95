#include "plot/curve_plot.h"

#include "curve/curve.h"
#include "plot/frame.h"

namespace zorva {
namespace {
constexpr int kSegments = 100;
}  // namespace

void DrawStartupCurve(Surface& surface, SimulationState& state, double dx) {
    double px = 0.0;
    double py = CurveHeight(state.a, state.b, 0.0);
    for (int i = 1; i <= kSegments; ++i) {
        const double x = i * dx;
        const double y = CurveHeight(state.a, state.b, x);
        // The tick redraws the curve from these samples after erasing across it.
        state.PlotX[i] = x;
        state.PlotY[i] = y;
        surface.Line(px, py, x, y);
        px = x;
        py = y;
    }
}

void DrawCurve(Surface& surface, SimulationState& state, const CurveSettings& settings) {
    const double f = settings.POLTAX / 10.0;
    const double dx = settings.vimaxrono * 0.001;
    state.a = -1.0;
    state.b = 0.5;
    // Every redraw gives the body its launch velocity again: with the right
    // launch speed (f = 1) its vertical speed then stays constant.
    state.VelX = f * state.a;
    state.VelY = f * state.b;
    state.VelX0 = state.VelX;
    state.VelY0 = state.VelY;
    DrawAxes(surface, state, settings.klimax);

    double px = 0.0;
    double py = CurveHeight(state.a, state.b, 0.0);
    for (int i = 1; i <= kSegments; ++i) {
        const double x = i * dx;
        const double y = CurveHeight(state.a, state.b, x);
        surface.Line(px, py, x, y, RGB(255, 0, 0));
        px = x;
        py = y;
    }
}

}  // namespace zorva
