// The world frame of the drawing and its two coordinate axes. World units are
// metres, y points up, and the origin sits 20 % of the client width from the
// left edge and 20 % of the client height above the bottom edge.
#pragma once

#include "plot/surface.h"
#include "sim/state.h"

namespace zorva {

/// Fraction of the visible width left of x = 0 and of the visible height below y = 0.
inline constexpr double kFrameMargin = 0.2;

struct BaseExtents {
    double width = 0.0;
    double height = 0.0;
};

/// BaseWidth and BaseHeight (world units, summing to 0.2) for a client area of
/// clientWidth × clientHeight in any one unit; both must be > 0.
BaseExtents ComputeBaseExtents(double clientWidth, double clientHeight);

/// Sets the user scale for scale factor k (1 to 20): the visible world
/// rectangle is k times the scale-1 one, with the origin fixed on screen.
void SetFrameForScale(Surface& surface, const SimulationState& state, int k);

/// The axes drawn once at start-up: ±BaseWidth and ±BaseHeight.
void DrawStartupAxes(Surface& surface, const SimulationState& state, Colour colour);

/// The axes for scale k: horizontal from −k·BaseWidth to k·BaseHeight (the
/// curve's side needs no more), vertical ±k·BaseHeight.
void DrawAxes(Surface& surface, const SimulationState& state, int k, Colour colour);

}  // namespace zorva
