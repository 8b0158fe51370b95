// The physics of one step of the run: advance the body along the curve, put
// it back on the curve, take its new velocity, and test for the summit. The
// picture of the tick is drawn elsewhere from what this works out.
#pragma once

#include <array>

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
    /// Barb length of the arrowheads the last tick drew (world units), kept
    /// by whoever draws the tick; 0 while nothing it drew is on the picture.
    double LastBarb = 0.0;
};

enum class TickOutcome {
    Drawn,    ///< the body moved and the picture must be brought up to date
    Stopped,  ///< the body reached the summit: the run timer must stop; nothing is drawn
};

/// What one tick worked out, for its picture and the run's record. SI units.
struct TickMotion {
    double ux = 0.0;  ///< velocity when the tick began (m/s)
    double uy = 0.0;
    double velX = 0.0;  ///< the new velocity, before a reversal is zeroed (m/s)
    double velY = 0.0;
    double yTop = 0.0;  ///< height of the summit (m)
    double W = 0.0;     ///< weight (N)
    double Fx = 0.0;    ///< total force at the new position (N)
    double Fy = 0.0;
    double N = 0.0;  ///< normal reaction (N)
    double R = 0.0;  ///< radius of curvature (m); 0 where the curve has none
    /// The circle of curvature at the new position (m); radius 0 at the cusp.
    double centreX = 0.0;
    double centreY = 0.0;
    double radius = 0.0;
    /// What the previous tick drew, to be painted over: its total force (N)
    /// and its circle of curvature (m).
    double lastFx = 0.0;
    double lastFy = 0.0;
    double lastCentreX = 0.0;
    double lastCentreY = 0.0;
    double lastRadius = 0.0;
    /// The barb length of its arrowheads (world units); 0 when not known.
    double lastBarb = 0.0;
};

/// The physics of one tick of length state.TimeStep (s): integrates, puts the
/// body back on the curve at the new height, takes the new velocity from
/// energy and the slope, and stores in memory what this tick's picture will
/// show. vimaxrono (1 to 10) enters only the integrator's time argument.
/// Returns Stopped, leaving StepCount and the memory alone, once the body is
/// within 0.1 % of the summit height. Throws what RkfStep throws.
TickOutcome AdvanceTick(SimulationState& state, TickMemory& memory, int vimaxrono,
                        TickMotion& motion);

}  // namespace zorva
