#include "sim/launch.h"

namespace zorva {

// With a launch speed factor of 1 the velocity (a, b) is the one for which
// the vertical speed stays constant along the curve.
void ResetCurveAndLaunch(SimulationState& state, int poltax) {
    const double f = poltax / 10.0;
    state.a = -1.0;
    state.b = 0.5;
    state.VelX = f * state.a;
    state.VelY = f * state.b;
    state.VelX0 = state.VelX;
    state.VelY0 = state.VelY;
}

}  // namespace zorva
