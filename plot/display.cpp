#include "plot/display.h"

#include <cmath>

#include "plot/arrow.h"
#include "plot/axes.h"

namespace zorva {
namespace {

constexpr Colour kWhite = RGB(255, 255, 255);
constexpr Colour kMagenta = RGB(255, 0, 255);
constexpr Colour kBlue = RGB(0, 0, 255);
constexpr Colour kDarkRed = RGB(200, 0, 0);
constexpr Colour kRed = RGB(255, 0, 0);
constexpr Colour kBlack = RGB(0, 0, 0);

// Row numbers of the legend: each group of vectors has its own row.
constexpr int kRowTotalForce = 19;
constexpr int kRowForceComponents = 18;
constexpr int kRowReaction = 17;
constexpr int kRowVelocityComponents = 16;
constexpr int kRowVelocity = 15;

// The legend and labels scale with the frame so they stay in the same place
// on screen at every scale: labels start at 0.32 of the scale-1 width, and
// the rows lie just under the top edge of the plot.
struct Legend {
    double labelX;
    double arrowX;
    double arrowLength;
    double rowUnit;

    Legend(const SimulationState& state, int k)
        : labelX((1.0 - kFrameMargin) * 0.4 * state.BaseWidth * k),
          arrowX(kFrameMargin * state.BaseWidth * k / 20.0),
          arrowLength((1.0 - kFrameMargin) * 0.4 * state.BaseWidth * k),
          rowUnit((1.0 - kFrameMargin) * state.BaseHeight * k / 20.0) {}

    double row(int j) const { return rowUnit * j; }
};

void DrawLegendArrow(Surface& surface, SimulationState& state, const Legend& legend, int row,
                     Colour colour) {
    DrawArrow(state, legend.arrowX, legend.row(row), legend.arrowLength, 0.0, surface, colour.red,
              colour.green, colour.blue);
}

void PrintLabel(Surface& surface, const Legend& legend, int row, const char* text) {
    surface.CurrentX = legend.labelX;
    surface.CurrentY = legend.row(row);
    surface.Print(text);
}

void Arrow(Surface& surface, SimulationState& state, double x, double y, double dx, double dy,
           Colour colour) {
    DrawArrow(state, x, y, dx, dy, surface, colour.red, colour.green, colour.blue);
}

// An eraser draws with the barbs of the arrow it paints over, which may have
// been drawn over a different world area.
void Eraser(Surface& surface, SimulationState& state, double x, double y, double dx, double dy,
            double barb) {
    DrawArrowWithBarbs(state, x, y, dx, dy, barb, surface, kWhite.red, kWhite.green, kWhite.blue);
}

}  // namespace

void VelocityEraser(Surface& surface, SimulationState& state, double xa, double ya, double ux,
                    double uy, double barb) {
    const double vx = kVelocityScale * ux;
    const double vy = kVelocityScale * uy;
    Eraser(surface, state, xa, ya, vx, vy, barb);
    Eraser(surface, state, xa, ya, 0.0, vy, barb);
    Eraser(surface, state, xa, ya, vx, 0.0, barb);
}

void LegendHeadEraser(Surface& surface, SimulationState& state, int klimax, double barb) {
    // Every row the legend may have drawn, whatever the boxes say now.
    struct Row {
        int row;
        int width;
        int style;
    };
    constexpr Row kRows[] = {{kRowTotalForce, 3, kSolid},
                             {kRowForceComponents, 1, kSolid},
                             {kRowReaction, 2, kSolid},
                             {kRowVelocityComponents, 1, kDashDot},
                             {kRowVelocity, 3, kSolid}};
    const Legend legend(state, klimax);
    for (const Row& row : kRows) {
        surface.DrawWidth = row.width;
        surface.DrawStyle = row.style;
        DrawArrowHead(state, legend.arrowX, legend.row(row.row), legend.arrowLength, 0.0, barb,
                      surface, kWhite);
    }
    surface.DrawStyle = kSolid;
}

Colour ForceDisplay(Surface& surface, SimulationState& state, const DisplaySettings& settings,
                    const ForceDisplayInput& in) {
    const Legend legend(state, settings.klimax);
    const double weight = kForceScale * in.W;

    // The previous picture is painted over whatever the boxes say now: a box
    // unchecked since the last tick must not leave its arrows behind.
    surface.DrawWidth = 55;
    const double px = kForceScale * in.lastFx;
    const double py = kForceScale * in.lastFy;
    const double lastReactionY = kForceScale * (in.W + in.lastFy);
    Eraser(surface, state, in.xa, in.ya, px, py, in.lastBarb);
    Eraser(surface, state, in.xa, in.ya, 0.0, py, in.lastBarb);
    Eraser(surface, state, in.xa, in.ya, px, 0.0, in.lastBarb);
    Eraser(surface, state, in.xa, in.ya, px, lastReactionY, in.lastBarb);
    Eraser(surface, state, in.xa, in.ya, 0.0, -weight, in.lastBarb);
    surface.Line(in.xa + px, in.ya + py, in.xa + px, in.ya + lastReactionY, kWhite);
    surface.Line(in.xa, in.ya - weight, in.xa + px, in.ya + py, kWhite);

    const double fx = kForceScale * in.Fx;
    const double fy = kForceScale * in.Fy;
    const double reactionY = kForceScale * (in.W + in.Fy);

    surface.DrawWidth = 3;
    Arrow(surface, state, in.x, in.y, fx, fy, kBlack);
    surface.FontBold = true;
    PrintLabel(surface, legend, kRowTotalForce, "       total FORCE");
    DrawLegendArrow(surface, state, legend, kRowTotalForce, kBlack);

    surface.DrawWidth = 1;
    // A vertical component too short to show is left out; the horizontal one
    // has no such test.
    if (settings.check1 == 1 && !(std::fabs(fy) < 1e-6)) {
        Arrow(surface, state, in.x, in.y, 0.0, fy, kMagenta);
    }
    DrawLegendArrow(surface, state, legend, kRowForceComponents, kMagenta);
    surface.FontBold = false;
    surface.ForeColor = kMagenta;
    if (settings.check1 == 1) {
        PrintLabel(surface, legend, kRowForceComponents, "      FORCEY,  FORCEX");
        Arrow(surface, state, in.x, in.y, fx, 0.0, kMagenta);
    }

    surface.DrawWidth = 2;
    if (settings.check3 == 1) {
        Arrow(surface, state, in.x, in.y, fx, reactionY, kBlue);
        DrawLegendArrow(surface, state, legend, kRowReaction, kBlue);
    }
    surface.ForeColor = kBlue;
    if (settings.check3 == 1) {
        PrintLabel(surface, legend, kRowReaction, "         N,  M\u00b7g");
        Arrow(surface, state, in.x, in.y, 0.0, -weight, kBlue);
        surface.DrawWidth = 1;
        // The parallelogram of reaction, weight and total force.
        surface.Line(in.x + fx, in.y + fy, in.x + fx, in.y + reactionY, kBlue);
        surface.Line(in.x, in.y - weight, in.x + fx, in.y + fy, kBlue);
    }
    return surface.ForeColor;
}

Colour VelocityDisplay(Surface& surface, SimulationState& state, const DisplaySettings& settings,
                       double x, double y, double vx, double vy) {
    const Legend legend(state, settings.klimax);
    const double dx = kVelocityScale * vx;
    const double dy = kVelocityScale * vy;

    surface.DrawWidth = 3;
    Arrow(surface, state, x, y, dx, dy, kDarkRed);
    DrawLegendArrow(surface, state, legend, kRowVelocity, kDarkRed);
    surface.FontBold = true;
    surface.ForeColor = kDarkRed;
    PrintLabel(surface, legend, kRowVelocity, "       V");
    surface.FontBold = false;

    surface.DrawWidth = 1;
    surface.DrawStyle = kDashDot;
    if (settings.check2 == 1) {
        Arrow(surface, state, x, y, 0.0, dy, kDarkRed);
        Arrow(surface, state, x, y, dx, 0.0, kDarkRed);
        DrawLegendArrow(surface, state, legend, kRowVelocityComponents, kDarkRed);
    }
    surface.ForeColor = kRed;
    PrintLabel(surface, legend, kRowVelocityComponents, "       Vx,  Vy");
    surface.ForeColor = kBlack;
    surface.DrawStyle = kSolid;
    return surface.ForeColor;
}

}  // namespace zorva
