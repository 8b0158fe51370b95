#include "plot/curve_plot.h"

#include "curve/curve.h"
#include "plot/axes.h"
#include "sim/launch.h"

namespace zorva {
namespace {
constexpr int kSegments = 100;
}  // namespace

void DrawStartupCurve(Surface& surface, SimulationState& state, double dx, Colour colour) {
    double px = 0.0;
    double py = CurveHeight(state.a, state.b, 0.0);
    for (int i = 1; i <= kSegments; ++i) {
        const double x = i * dx;
        const double y = CurveHeight(state.a, state.b, x);
        // The tick redraws the curve from these samples after erasing across it.
        state.PlotX[i] = x;
        state.PlotY[i] = y;
        surface.Line(px, py, x, y, colour);
        px = x;
        py = y;
    }
}

void DrawCurve(Surface& surface, SimulationState& state, const CurveSettings& settings) {
    // Every redraw of the curve also sets the curve's parameters and gives
    // the body its launch velocity again, wherever it is: a launch-speed
    // change takes effect through here, and so does any click or scale change.
    ResetCurveAndLaunch(state, settings.POLTAX);
    const double dx = settings.vimaxrono * 0.001;
    DrawAxes(surface, state, settings.klimax, surface.ForeColor);

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
