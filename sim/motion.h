// The equations of motion of the body on the curve and one integration step.
// State vector order, index 0 to 3: (vx, vy, x, y) in m/s and m, y upwards.
#pragma once

#include <cstdint>
#include <span>

#include "sim/state.h"

namespace zorva {

/// Component k of the time derivative of the state s: 0 → dvx/dt, 1 → dvy/dt
/// (m/s²), 2 → dx/dt, 3 → dy/dt (m/s); 0 for any other k. Reads a, b, VelX0,
/// VelY0 of the state and stores π into its Pi, whatever k is. t (s) does not
/// enter. Throws std::out_of_range when s lacks any of the indices 0 to 3, and
/// std::overflow_error when a value met on the way is not a finite double.
double Derivatives(SimulationState& state, double t, std::span<const double> s, std::int16_t k);

/// One fixed step of length h (s) from time t: five Runge–Kutta–Fehlberg
/// stages and the fourth-order combination, written into YNew(0..n−1).
/// n < 1 returns at once, leaving YNew untouched. Throws std::out_of_range
/// when Y or YNew lacks any index 0 to n−1 (and, from Derivatives, when n < 4),
/// std::overflow_error when a value is not a finite double; YNew is then left
/// untouched, and nothing past the end of Y or YNew is ever read or written.
/// Y and YNew may be the same array.
void RkfStep(SimulationState& state, double t, std::span<const double> Y, double h,
             std::span<double> YNew, std::int16_t n);

}  // namespace zorva
