// The circle of curvature at a clicked point near the curve.
#pragma once

#include "plot/surface.h"
#include "sim/state.h"

namespace zorva {

/// Largest vertical distance (m) between a click and the curve that still
/// draws the circle of curvature.
inline constexpr double kClickReach = 0.05;

/// For a click at world (X, Y): if it lies within kClickReach of the curve's
/// height at X, draws in ForeColor the centre of curvature on the normal
/// through the click (a 4-px dot), the segment from the click to it and the
/// circle through the click; otherwise draws nothing. Leaves DrawWidth 1 when
/// it draws. Reads a and b of the state.
void DrawClickCurvature(Surface& surface, const SimulationState& state, float X, float Y);

}  // namespace zorva
