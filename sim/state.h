// The values that the program's procedures share. There is one body, one
// curve and one window, so the program makes exactly one SimulationState and
// hands it to whatever needs it. Units: metres, seconds, metres per second;
// y points upwards. Every value starts at 0 (false) until its first writer runs.
#pragma once

#include <array>
#include <cstdint>

namespace zorva {

/// Number of slots in the curve-sample arrays; slots 1 to 100 hold samples.
inline constexpr int kPlotSlots = 201;

struct SimulationState {
    /// Curve parameters; the program sets a = −1 and b = 0.5.
    double a = 0.0;
    double b = 0.0;
    /// Integration step (s): vimaxrono value × 0.00005, so 0.00005 to 0.0005.
    double TimeStep = 0.0;
    /// Visible world width and height (m) at scale 1; set once at start-up, sum 0.2.
    double BaseWidth = 0.0;
    double BaseHeight = 0.0;
    /// π, stored by the arrow, the equations of motion and the tick on every call.
    double Pi = 0.0;

    /// Body position (m) and velocity (m/s).
    double PosX = 0.0;
    double PosY = 0.0;
    double VelX = 0.0;
    double VelY = 0.0;
    /// Launch velocity (m/s) at height 0; the energy relation reads it.
    double VelX0 = 0.0;
    double VelY0 = 0.0;
    /// Abscissa (m) of the start point, where the curve's height is 0.
    double StartX = 0.0;
    /// Ticks since "Time on". 64 bits wide: a run that never reaches the
    /// summit ticks a thousand times a second for as long as the window is open.
    std::int64_t StepCount = 0;
    /// Set once the energy relation leaves no speed; only start-up and a
    /// launch-speed change clear it.
    bool TurnedBack = false;

    /// Start-up curve samples (m): slots 1 to 100 are written, 0 and 101 to 200 stay 0.
    std::array<double, kPlotSlots> PlotX{};
    std::array<double, kPlotSlots> PlotY{};
};

}  // namespace zorva
