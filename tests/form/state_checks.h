// What must hold of the program's state after any tick, however long the
// run: every shared value finite, and the body exactly where the tick puts
// it, on the curve at its height.
#pragma once

#include <cmath>
#include <string>
#include <utility>

#include "curve/curve.h"
#include "sim/state.h"

namespace zorva::checks {

/// The name of the first shared value that is not finite, or "" when all are.
inline std::string FirstNonFinite(const SimulationState& s) {
    const std::pair<const char*, double> values[] = {{"a", s.a},
                                                     {"b", s.b},
                                                     {"TimeStep", s.TimeStep},
                                                     {"BaseWidth", s.BaseWidth},
                                                     {"BaseHeight", s.BaseHeight},
                                                     {"Pi", s.Pi},
                                                     {"PosX", s.PosX},
                                                     {"PosY", s.PosY},
                                                     {"VelX", s.VelX},
                                                     {"VelY", s.VelY},
                                                     {"VelX0", s.VelX0},
                                                     {"VelY0", s.VelY0},
                                                     {"StartX", s.StartX}};
    for (const auto& [name, value] : values) {
        if (!std::isfinite(value)) {
            return name;
        }
    }
    for (int i = 0; i < kPlotSlots; ++i) {
        if (!std::isfinite(s.PlotX[i]) || !std::isfinite(s.PlotY[i])) {
            return "PlotX/PlotY";
        }
    }
    return "";
}

/// The tick keeps only the integrated height and computes x from it.
inline bool OnCurve(const SimulationState& s) {
    return s.PosX == CurveX(s.a, s.b, s.PosY);
}

}  // namespace zorva::checks
