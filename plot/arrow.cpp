#include "plot/arrow.h"

#include <cmath>

namespace zorva {

void DrawArrow(SimulationState& state, double X0, double Y0, double DX, double DY, Surface& Target,
               int Red, int Green, int Blue) {
    DrawArrowWithBarbs(state, X0, Y0, DX, DY, BarbLength(Target), Target, Red, Green, Blue);
}

double BarbLength(const Surface& Target) {
    // The head is a fixed fraction of the visible world area, so it keeps its
    // size on screen at every drawing scale while the shaft follows the
    // vector: a fifteenth of a fifth of the diagonal.
    const double W = Target.ScaleWidth();
    const double H = Target.ScaleHeight();
    const double D = std::sqrt(W * W + H * H) / 5.0;
    return D / 15.0;
}

void DrawArrowWithBarbs(SimulationState& state, double X0, double Y0, double DX, double DY,
                        double barb, Surface& Target, int Red, int Green, int Blue) {
    const Colour colour = RGB(Red, Green, Blue);
    state.Pi = 4.0 * std::atan(1.0);
    Target.Line(X0, Y0, X0 + DX, Y0 + DY, colour);
    DrawArrowHead(state, X0, Y0, DX, DY, barb, Target, colour);
}

void DrawArrowHead(SimulationState& state, double X0, double Y0, double DX, double DY, double barb,
                   Surface& Target, Colour colour) {
    const double X1 = X0 + DX;
    const double Y1 = Y0 + DY;
    state.Pi = 4.0 * std::atan(1.0);
    const double phi = (X1 - X0) != 0.0 ? std::atan((Y1 - Y0) / (X1 - X0)) : state.Pi / 2.0;
    const double alpha1 = phi + state.Pi / 6.0;
    const double alpha2 = phi - state.Pi / 6.0;

    // atan only gives angles between −π/2 and π/2, so the barbs are turned
    // back along the shaft by subtracting for vectors pointing right and by
    // adding for those pointing left; a vertical vector points down only when
    // DY < 0. The case is decided on DX and DY themselves.
    double p1x = 0.0;
    double p1y = 0.0;
    double p2x = 0.0;
    double p2y = 0.0;
    if (DX >= 0.0) {
        p1x = X1 - barb * std::cos(alpha1);
        p1y = Y1 - barb * std::sin(alpha1);
        p2x = X1 - barb * std::cos(alpha2);
        p2y = Y1 - barb * std::sin(alpha2);
        if (DX == 0.0 && DY < 0.0) {
            p1y = Y1 + barb * std::sin(alpha1);
            p2y = Y1 + barb * std::sin(alpha2);
        }
    } else {
        p1x = X1 + barb * std::cos(alpha2);
        p1y = Y1 + barb * std::sin(alpha2);
        p2x = X1 + barb * std::cos(alpha1);
        p2y = Y1 + barb * std::sin(alpha1);
    }
    Target.Line(X1, Y1, p1x, p1y, colour);
    Target.Line(X1, Y1, p2x, p2y, colour);
}

}  // namespace zorva
