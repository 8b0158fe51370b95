#include "plot/tick_drawing.h"

#include "plot/arrow.h"
#include "plot/axes.h"

namespace zorva {
namespace {

constexpr Colour kCyan = RGB(0, 255, 255);
constexpr Colour kGreen = RGB(0, 255, 0);
constexpr Colour kWhite = RGB(255, 255, 255);

}  // namespace

double DrawTick(Surface& surface, SimulationState& state, const TickMotion& motion,
                const DisplaySettings& settings) {
    const double x = state.PosX;
    const double y = state.PosY;

    surface.DrawWidth = 15;
    surface.PSet(0.0, motion.yTop, kCyan);
    surface.DrawWidth = 1;
    surface.PSet(x, y, kGreen);

    // An arrowhead's size follows the visible world area, which a resize
    // changes: the previous tick's heads are painted over at the size they
    // were drawn, and the legend, drawn again in place at every tick, loses
    // heads of another size first.
    const double barb = BarbLength(surface);
    const double lastBarb = motion.lastBarb > 0.0 ? motion.lastBarb : barb;
    if (lastBarb != barb) {
        LegendHeadEraser(surface, state, settings.klimax, lastBarb);
    }

    // Last tick's construction is painted over in the background colour with
    // a pen wide enough to cover the short distance the body moved since:
    // the erasers are anchored at the new position.
    surface.DrawWidth = 55;
    surface.Line(x, y, motion.lastCentreX, motion.lastCentreY, kWhite);
    surface.Circle(motion.lastCentreX, motion.lastCentreY, motion.lastRadius, kWhite);
    VelocityEraser(surface, state, x, y, motion.ux, motion.uy, lastBarb);

    // The first tick of a run has no force of its own yet to replace. The
    // erasers cut through the curve; it is redrawn from the start-up samples
    // in the colour the force display leaves, or the window's own colour
    // when there was none.
    Colour repair = surface.ForeColor;
    if (state.StepCount > 1) {
        repair = ForceDisplay(
            surface, state, settings,
            {x, y, motion.Fx, motion.Fy, motion.W, x, y, motion.lastFx, motion.lastFy, lastBarb});
    }
    surface.DrawWidth = 2;
    for (int i = 1; i <= 99; ++i) {
        surface.Line(state.PlotX[i], state.PlotY[i], state.PlotX[i + 1], state.PlotY[i + 1],
                     repair);
    }
    const Colour ink = VelocityDisplay(surface, state, settings, x, y, motion.velX, motion.velY);

    surface.DrawWidth = 14;
    surface.PSet(motion.centreX, motion.centreY, ink);
    surface.DrawWidth = 1;
    surface.Line(x, y, motion.centreX, motion.centreY, ink);
    surface.Circle(motion.centreX, motion.centreY, motion.radius, ink);
    DrawAxes(surface, state, settings.klimax, ink);
    return barb;
}

}  // namespace zorva
