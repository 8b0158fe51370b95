// The force and velocity vectors drawn from the body on every tick, with
// their legend arrows and labels in rows near the top of the plot.
#pragma once

#include "plot/surface.h"
#include "sim/state.h"

namespace zorva {

/// World units per newton and per metre per second on the plot.
inline constexpr double kForceScale = 0.001;
inline constexpr double kVelocityScale = 0.01;

/// The control values the display reads on every tick.
struct DisplaySettings {
    int klimax = 1;  ///< scale bar, 1 to 20
    int check1 = 0;  ///< "Show components of force": 1 checked, anything else not
    int check2 = 0;  ///< "Show components of Velocity"
    int check3 = 0;  ///< "Show weight and Reaction"
};

/// What the force display draws and what it paints over.
struct ForceDisplayInput {
    double x = 0.0;  ///< body position (m)
    double y = 0.0;
    double Fx = 0.0;  ///< total force, reaction plus weight (N)
    double Fy = 0.0;
    double W = 0.0;   ///< weight (N)
    double xa = 0.0;  ///< anchor of the erasers (m): the position stored by the tick
    double ya = 0.0;
    double lastFx = 0.0;  ///< total force drawn by the previous tick (N)
    double lastFy = 0.0;
    double lastBarb = 0.0;  ///< barb length of the previous tick's arrowheads (world units)
};

/// Paints the previous velocity and its two components over in white from
/// the anchor (xa, ya) with the start velocity (ux, uy) m/s and arrowheads
/// of barbs barb world units long, at the current DrawWidth (the tick sets 55).
void VelocityEraser(Surface& surface, SimulationState& state, double xa, double ya, double ux,
                    double uy, double barb);

/// Paints over in white the heads, barbs barb world units long, of the five
/// legend arrows at scale klimax, each with the pen width and style it is
/// drawn with; their shafts do not depend on the heads. Leaves DrawStyle solid.
void LegendHeadEraser(Surface& surface, SimulationState& state, int klimax, double barb);

/// Paints the previous force picture over in white, then draws the total
/// force (black, 3 px) with its label and legend and, as the boxes ask, the
/// force components (magenta) and the reaction, weight and construction lines
/// (blue). Returns the colour it leaves in ForeColor: blue.
Colour ForceDisplay(Surface& surface, SimulationState& state, const DisplaySettings& settings,
                    const ForceDisplayInput& in);

/// Draws the velocity (vx, vy) m/s from the body (x, y) in dark red, 3 px,
/// with legend and label and, if box 2 is checked, its dash-dot components.
/// Leaves DrawStyle solid and DrawWidth 1, and returns the colour it leaves
/// in ForeColor: black.
Colour VelocityDisplay(Surface& surface, SimulationState& state, const DisplaySettings& settings,
                       double x, double y, double vx, double vy);

}  // namespace zorva
