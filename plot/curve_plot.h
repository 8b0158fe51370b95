// The curve drawn as a polyline of 100 segments over 0 ≤ x ≤ 100·dx.
#pragma once

#include "plot/surface.h"
#include "sim/state.h"

namespace zorva {

/// The bar values the curve plot reads.
struct CurveSettings {
    int POLTAX = 20;    ///< launch-speed bar, 1 to 100: launch velocity = (POLTAX/10)·(a, b)
    int vimaxrono = 1;  ///< time-step bar, 1 to 10: sample step dx = vimaxrono × 0.001 m
    int klimax = 1;     ///< scale bar, 1 to 20
};

/// The start-up plot: samples the curve (state.a, state.b) at x = i·dx for
/// i = 1 to 100, stores them in PlotX/PlotY slots 1 to 100, and joins them
/// from the summit in the given colour. dx in metres, > 0.
void DrawStartupCurve(Surface& surface, SimulationState& state, double dx, Colour colour);

/// The redraw after every clear: first resets the curve and the launch (see
/// ResetCurveAndLaunch), then draws the axes for scale klimax in ForeColor
/// and the curve in red. Leaves PlotX/PlotY and the pen width alone.
void DrawCurve(Surface& surface, SimulationState& state, const CurveSettings& settings);

}  // namespace zorva
