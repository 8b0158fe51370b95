// One step of the run: advance the body along the curve, test for the
// summit, and bring the picture up to date without clearing it.
#pragma once

#include <array>

#include "plot/display.h"
#include "plot/surface.h"
#include "sim/run_log.h"
#include "sim/state.h"

namespace zorva {

/// What the tick keeps from one call to the next, and from one run to the
/// next: its integrator arrays and what it drew last, which the next tick
/// paints over. All zero when the program starts; only the tick touches it.
struct TickMemory {
    std::array<double, 4> StateIn{};
    std::array<double, 4> StateOut{};
    double LastX = 0.0;
    double LastY = 0.0;
    double LastFx = 0.0;
    double LastFy = 0.0;
    double LastCentreX = 0.0;
    double LastCentreY = 0.0;
    double LastRadius = 0.0;
};

/// The control values one tick reads.
struct TickSettings {
    int vimaxrono = 1;  ///< time-step bar, 1 to 10 (enters only the integrator's time argument)
    DisplaySettings display;
};

enum class TickOutcome {
    Drawn,    ///< the body moved and the picture was brought up to date
    Stopped,  ///< the body reached the summit: the run timer must stop; nothing was drawn
};

/// One tick of length state.TimeStep (s): integrates, puts the body back on
/// the curve at the new height, takes the new velocity from energy and the
/// slope, and draws the trace point, the vectors and the circle of
/// curvature. Returns Stopped, having drawn nothing and left StepCount and
/// the memory alone, once the body is within 0.1 % of the summit height.
/// When sample is given, a drawn tick also records its values there.
TickOutcome SimulationTick(SimulationState& state, TickMemory& memory, Surface& surface,
                           const TickSettings& settings, TickSample* sample = nullptr);

}  // namespace zorva
