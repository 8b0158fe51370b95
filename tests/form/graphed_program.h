// The program on a full-HD screen, drawing nothing, with its runs graphed by
// a Graphs (anything with startRun(double) and addSample(const TickSample&)):
// the graphs' tests drive real runs through the form with it.
#pragma once

#include <cstddef>

#include "form/fixed_screen.h"
#include "form/form.h"
#include "plot/null_surface.h"

namespace zorva {

template <class Graphs>
struct GraphedProgram {
    SimulationState state;
    NullSurface surface{1920, 1080, 15.0};
    Zerkan form{state, surface};
    FixedScreen host{surface, 1920, 1080};
    Graphs graphs;

    GraphedProgram() {
        form.Main(host);
        form.runStarted = [this](double vy) { graphs.startRun(vy); };
        form.tickDrawn = [this](const TickSample& s) { graphs.addSample(s); };
    }
    /// "Time on" at this POLTAX, then ticks until the body stops at the
    /// summit or maxTicks have passed; the form's log keeps them all.
    void run(int poltax, std::size_t maxTicks = 20000) {
        form.SetLogCapacity(maxTicks);
        form.POLTAX.SetValue(poltax);
        form.Command1.Press();
        tick(maxTicks);
    }
    /// Up to count ticks of the run timer, while it runs.
    void tick(std::size_t count) {
        for (std::size_t i = 0; i < count && form.Timer1.Active(); ++i) {
            form.Timer1.Elapse();
        }
    }
};

}  // namespace zorva
