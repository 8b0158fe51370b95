// Vector arrows: a shaft and a two-barbed head.
#pragma once

#include "plot/surface.h"
#include "sim/state.h"

namespace zorva {

/// Draws the vector (DX, DY) (world units, already scaled) from the tail
/// (X0, Y0) on Target in colour (Red, Green, Blue), each 0 to 255, with the
/// target's current DrawWidth and DrawStyle: the shaft, then the two barbs,
/// each BarbLength(Target) long, 30° either side of the shaft. Stores π into
/// state.Pi. The same call in white covers the same three segments as long
/// as the visible world area is unchanged.
void DrawArrow(SimulationState& state, double X0, double Y0, double DX, double DY, Surface& Target,
               int Red, int Green, int Blue);

/// The length of an arrowhead's barbs on Target (world units, ≥ 0): 1/75 of
/// the diagonal of its visible world area.
double BarbLength(const Surface& Target);

/// DrawArrow with barbs barb world units long, whatever Target's world area:
/// in white, it covers an arrow drawn with that barb length before the
/// world area changed.
void DrawArrowWithBarbs(SimulationState& state, double X0, double Y0, double DX, double DY,
                        double barb, Surface& Target, int Red, int Green, int Blue);

/// Only the two barbs of that arrow, barb world units long, in colour.
/// Stores π into state.Pi.
void DrawArrowHead(SimulationState& state, double X0, double Y0, double DX, double DY, double barb,
                   Surface& Target, Colour colour);

}  // namespace zorva
