// The picture of one tick: the run is never cleared, so each tick paints the
// previous tick's construction over in white, repairs what that cut, and
// draws the new one on top.
#pragma once

#include "plot/display.h"
#include "plot/surface.h"
#include "sim/state.h"
#include "sim/tick.h"

namespace zorva {

/// Draws the tick that motion describes, the body being at (PosX, PosY) of
/// state after it: summit marker, trace point, erasers over the previous
/// tick, the forces (from the second tick of a run on), the curve repaired
/// from PlotX/PlotY, the velocity, the circle of curvature and the axes.
/// The erasers' arrowheads are the size motion.lastBarb says the previous
/// tick drew them (the surface's own when 0). Writes state.Pi, as every
/// arrow does. Returns the barb length of the arrowheads it drew (world units).
double DrawTick(Surface& surface, SimulationState& state, const TickMotion& motion,
                const DisplaySettings& settings);

}  // namespace zorva
