#include "sim/tick.h"

#include <cmath>

#include "curve/curve.h"
#include "plot/display.h"
#include "plot/frame.h"
#include "sim/motion.h"

namespace zorva {
namespace {

constexpr Colour kCyan = RGB(0, 255, 255);
constexpr Colour kGreen = RGB(0, 255, 0);
constexpr Colour kWhite = RGB(255, 255, 255);
constexpr double kStopTolerance = 0.001;

double Sign(double value) {
    return value > 0.0 ? 1.0 : (value < 0.0 ? -1.0 : 0.0);
}

}  // namespace

TickOutcome SimulationTick(SimulationState& state, TickMemory& memory, Surface& surface,
                           const TickSettings& settings, TickSample* sample) {
    state.Pi = 4.0 * std::atan(1.0);
    const double t = static_cast<double>(state.StepCount) * state.TimeStep * settings.vimaxrono;
    const double m = 1.0;
    const double g = 9.81;
    const double W = m * g;

    memory.StateIn = {state.VelX, state.VelY, state.PosX, state.PosY};
    RkfStep(state, t, memory.StateIn, state.TimeStep, memory.StateOut, 4);

    const double ux = state.VelX;
    const double uy = state.VelY;
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

    const double yTop = CurveHeight(state.a, state.b, 0.0);
    if (std::fabs(state.PosY - yTop) / yTop < kStopTolerance) {
        return TickOutcome::Stopped;
    }

    surface.DrawWidth = 15;
    surface.PSet(0.0, yTop, kCyan);
    surface.DrawWidth = 1;
    memory.LastX = state.PosX;
    memory.LastY = state.PosY;
    state.StepCount += 1;
    surface.DrawWidth = 1;
    surface.PSet(state.PosX, state.PosY, kGreen);

    // The window is never cleared during a run: last tick's construction is
    // painted over in the background colour with a pen wide enough to cover
    // the short distance the body moved since.
    surface.DrawWidth = 55;
    surface.Line(memory.LastX, memory.LastY, memory.LastCentreX, memory.LastCentreY, kWhite);
    surface.Circle(memory.LastCentreX, memory.LastCentreY, memory.LastRadius, kWhite);
    VelocityEraser(surface, state, memory.LastX, memory.LastY, ux, uy);

    const double s = CurveSlope(state.a, state.b, state.PosX);
    const double theta = s != 0.0 ? std::atan(-1.0 / s) : state.Pi / 2.0;
    const double vSquared =
        state.VelX0 * state.VelX0 + state.VelY0 * state.VelY0 - 2.0 * g * state.PosY;
    const double R = CurvatureRadius(state.a, state.b, state.PosX);
    const double N = R != 0.0 ? std::fabs(W * std::sin(theta)) + m * vSquared / R : 0.0;
    const double Fx = N * std::cos(theta);
    const double Fy = N * std::fabs(std::sin(theta)) - W;

    // The first tick of a run has no force of its own yet to replace.
    if (state.StepCount > 1) {
        ForceDisplay(surface, state, settings.display,
                     {state.PosX, state.PosY, Fx, Fy, W, memory.LastX, memory.LastY, memory.LastFx,
                      memory.LastFy});
    }
    memory.LastFx = Fx;
    memory.LastFy = Fy;

    // The erasers cut through the curve; redraw it from the start-up samples
    // in whatever colour the force display left.
    surface.DrawWidth = 2;
    for (int i = 1; i <= 99; ++i) {
        surface.Line(state.PlotX[i], state.PlotY[i], state.PlotX[i + 1], state.PlotY[i + 1]);
    }
    VelocityDisplay(surface, state, settings.display, state.PosX, state.PosY, state.VelX,
                    state.VelY);

    double thetaC = state.Pi / 2.0;
    if (state.PosX != 0.0) {
        surface.DrawWidth = 1;
        // A slope that cannot be evaluated comes back as 0: the normal is then
        // vertical, as at the cusp, rather than a division by zero.
        const double slope = CurveSlope(state.a, state.b, state.PosX);
        thetaC = slope != 0.0 ? std::atan(-1.0 / slope) : state.Pi / 2.0;
    }
    double centreX = 0.0;
    double centreY = yTop;
    double radius = 0.0;
    if (thetaC != state.Pi / 2.0) {
        radius = CurvatureRadius(state.a, state.b, state.PosX);
        centreX = state.PosX + radius * std::cos(thetaC);
        centreY = state.PosY + radius * std::sin(thetaC);
    }
    surface.DrawWidth = 14;
    surface.PSet(centreX, centreY);
    surface.DrawWidth = 1;
    surface.Line(state.PosX, state.PosY, centreX, centreY);
    surface.Circle(centreX, centreY, radius);
    memory.LastCentreX = centreX;
    memory.LastCentreY = centreY;
    memory.LastRadius = radius;

    // A horizontal velocity that changed sign within the tick is zeroed: the
    // next tick integrates from, and erases with, that zero.
    if (ux * state.VelX < 0.0) {
        state.VelX = 0.0;
    }
    DrawAxes(surface, state, settings.display.klimax);
    if (sample != nullptr) {
        *sample = {static_cast<double>(state.StepCount) * state.TimeStep,
                   state.PosX,
                   state.PosY,
                   state.VelX,
                   state.VelY,
                   std::hypot(state.VelX, state.VelY),
                   Fx,
                   Fy,
                   N,
                   R,
                   state.StepCount};
    }
    return TickOutcome::Drawn;
}

}  // namespace zorva
