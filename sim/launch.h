// The curve the program sets and the body's launch velocity on it.
#pragma once

#include "sim/state.h"

namespace zorva {

/// Sets the curve's parameters a = −1, b = 0.5 and gives the body the launch
/// velocity (POLTAX/10)·(a, b) m/s, as both VelX, VelY and VelX0, VelY0.
/// poltax: the launch-speed bar, 1 to 100. Position and run are left alone.
void ResetCurveAndLaunch(SimulationState& state, int poltax);

}  // namespace zorva
