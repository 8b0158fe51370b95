#include "form/tick.h"

#include <cmath>

#include "plot/tick_drawing.h"

namespace zorva {

TickOutcome SimulationTick(SimulationState& state, TickMemory& memory, Surface& surface,
                           const TickSettings& settings, TickSample* sample) {
    TickMotion motion;
    if (AdvanceTick(state, memory, settings.vimaxrono, motion) == TickOutcome::Stopped) {
        return TickOutcome::Stopped;
    }
    memory.LastBarb = DrawTick(surface, state, motion, settings.display);
    if (sample != nullptr) {
        *sample = {static_cast<double>(state.StepCount) * state.TimeStep,
                   state.PosX,
                   state.PosY,
                   state.VelX,
                   state.VelY,
                   std::hypot(state.VelX, state.VelY),
                   motion.Fx,
                   motion.Fy,
                   motion.N,
                   motion.R,
                   state.StepCount};
    }
    return TickOutcome::Drawn;
}

}  // namespace zorva
