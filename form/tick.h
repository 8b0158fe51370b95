// One tick of the run as the window's timer and the "step" button run it:
// the physics of the tick, then its picture, then its record.
#pragma once

#include "plot/display.h"
#include "plot/surface.h"
#include "sim/run_log.h"
#include "sim/state.h"
#include "sim/tick.h"

namespace zorva {

/// The control values one tick reads.
struct TickSettings {
    int vimaxrono = 1;  ///< time-step bar, 1 to 10 (enters only the integrator's time argument)
    DisplaySettings display;
};

/// One tick of length state.TimeStep (s): AdvanceTick, then, unless the body
/// reached the summit, DrawTick; returns AdvanceTick's outcome. When sample is
/// given, a drawn tick also records its values there. Throws what
/// AdvanceTick throws, having drawn nothing.
TickOutcome SimulationTick(SimulationState& state, TickMemory& memory, Surface& surface,
                           const TickSettings& settings, TickSample* sample = nullptr);

}  // namespace zorva
