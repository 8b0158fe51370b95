#include "sim/tick.h"

#include <cmath>

#include "curve/curve.h"
#include "sim/forces.h"
#include "sim/motion.h"

namespace zorva {
namespace {

constexpr double kStopTolerance = 0.001;

double Sign(double value) {
    return value > 0.0 ? 1.0 : (value < 0.0 ? -1.0 : 0.0);
}

}  // namespace

TickOutcome AdvanceTick(SimulationState& state, TickMemory& memory, int vimaxrono,
                        TickMotion& motion) {
    state.Pi = 4.0 * std::atan(1.0);
    const double t = static_cast<double>(state.StepCount) * state.TimeStep * vimaxrono;
    const double g = kGravity;

    memory.StateIn = {state.VelX, state.VelY, state.PosX, state.PosY};
    RkfStep(state, t, memory.StateIn, state.TimeStep, memory.StateOut, 4);

    motion.ux = state.VelX;
    motion.uy = state.VelY;
    const double y0 = state.PosY;
    const double s0 = CurveSlope(state.a, state.b, state.PosX);
    const double v0Squared = state.VelX0 * state.VelX0 + state.VelY0 * state.VelY0 - 2.0 * g * y0;

    // Only the integrated height is kept: the body is put back on the curve
    // at that height, so it can never drift off the track.
    state.PosY = memory.StateOut[3];
    state.PosX = CurveX(state.a, state.b, state.PosY);

    // The speed comes from energy conservation at the height where the tick
    // started and the direction from the slope there. Once no speed is left
    // the body has turned back and slides down, to the right.
    if (v0Squared <= 0.0) {
        state.TurnedBack = true;
    }
    const double q = v0Squared / (1.0 + s0 * s0);
    state.VelX = state.TurnedBack ? std::sqrt(std::fabs(q)) : Sign(s0) * std::sqrt(q);
    state.VelY = state.VelX * s0;

    motion.yTop = CurveHeight(state.a, state.b, 0.0);
    if (std::fabs(state.PosY - motion.yTop) / motion.yTop < kStopTolerance) {
        return TickOutcome::Stopped;
    }

    memory.LastX = state.PosX;
    memory.LastY = state.PosY;
    state.StepCount += 1;

    const double vSquared =
        state.VelX0 * state.VelX0 + state.VelY0 * state.VelY0 - 2.0 * g * state.PosY;
    const Forces forces = ForcesAt(state.a, state.b, state.PosX, vSquared);
    motion.W = forces.W;
    motion.Fx = forces.Fx;
    motion.Fy = forces.Fy;
    motion.N = forces.N;
    motion.R = forces.R;
    motion.lastFx = memory.LastFx;
    motion.lastFy = memory.LastFy;
    memory.LastFx = forces.Fx;
    memory.LastFy = forces.Fy;

    // The circle of curvature: at the cusp (and wherever the normal comes out
    // vertical) it shrinks to the summit.
    const double thetaC = state.PosX != 0.0 ? forces.theta : state.Pi / 2.0;
    motion.centreX = 0.0;
    motion.centreY = motion.yTop;
    motion.radius = 0.0;
    if (thetaC != state.Pi / 2.0) {
        motion.radius = forces.R;
        motion.centreX = state.PosX + motion.radius * std::cos(thetaC);
        motion.centreY = state.PosY + motion.radius * std::sin(thetaC);
    }
    motion.lastCentreX = memory.LastCentreX;
    motion.lastCentreY = memory.LastCentreY;
    motion.lastRadius = memory.LastRadius;
    motion.lastBarb = memory.LastBarb;
    memory.LastCentreX = motion.centreX;
    memory.LastCentreY = motion.centreY;
    memory.LastRadius = motion.radius;

    // A horizontal velocity that changed sign within the tick is zeroed: the
    // next tick integrates from, and erases with, that zero. The picture of
    // this tick still shows the velocity as it was found.
    motion.velX = state.VelX;
    motion.velY = state.VelY;
    if (motion.ux * state.VelX < 0.0) {
        state.VelX = 0.0;
    }
    return TickOutcome::Drawn;
}

}  // namespace zorva
