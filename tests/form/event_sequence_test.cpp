// Random sequences of everything a user can do, checked after every event.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <regex>
#include <sstream>
#include <string>

#include "curve/curve.h"
#include "form/fixed_screen.h"
#include "form/form.h"
#include "plot/null_surface.h"
#include "tests/form/state_checks.h"

namespace zorva {
namespace {

const std::regex kLabel1(
    "Velocity x =  [0-9]+\\.[0-9]  alfa|"
    "Velocity x =  [0-9]+\\.[0-9]  FY= -?[0-9]+\\.[0-9]{2}  "
    "\\(-v/R\\+sqrt\\(\\(v/R\\)\\^4\\+4\\*g\\^2\\)\\)/"
    "\\(2g\\) = [0-9]+\\.[0-9]{2}  sin\\(\u03b8\\)= -?[0-9]+\\.[0-9]{2}");
const std::regex kLabel2(
    " time interal\u03a7([0-9]|10)| \u03b4\u03b9\u03ac\u03c3\u03c4\u03b7\u03bc\u03b1 "
    "\u03a7([0-9]|10)");
const std::regex kLabel3(" Scale \u03a7([0-9]|1[0-9]|20)");

// Runs `events` random events from `seed`; returns the first broken
// invariant, or an empty string.
std::string RunSequence(std::uint64_t seed, int events) {
    SimulationState state;
    // Draws nothing: the sequences are about the state, and a recording of
    // hundreds of thousands of ticks would only cost memory.
    NullSurface surface(1920, 1080, 15.0);
    Zerkan form(state, surface);
    std::ostringstream report;
    form.SetFailureReport(&report);
    FixedScreen host(surface, 1920, 1080);
    form.Main(host);

    std::mt19937_64 random(seed);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const auto real = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    bool timeOnSeen = false;
    for (int event = 0; event < events; ++event) {
        const std::string where = "event " + std::to_string(event) + ": ";
        bool ticked = false;
        const int kind = pick(0, 99);
        if (kind < 55) {
            ticked = form.Timer1.Active();
            form.Timer1.Elapse();
        } else if (kind < 60) {
            form.Command1.Press();
            timeOnSeen = true;
        } else if (kind < 63) {
            form.Command2.Press();
        } else if (kind < 70) {
            form.Command3.Press();
            ticked = true;
        } else if (kind < 74) {
            form.Command4.Press();
        } else if (kind < 77) {
            form.klimax.SetValue(pick(1, 20));
        } else if (kind < 80) {
            form.vimaxrono.SetValue(pick(1, 10));
        } else if (kind < 84) {
            form.POLTAX.SetValue(pick(1, 100));
        } else if (kind < 90) {
            CheckBox* boxes[] = {&form.Check1, &form.Check2, &form.Check3};
            boxes[pick(0, 2)]->SetValue(pick(0, 1));
        } else {
            // Clicks on the curve, near it, left of the cusp, far away and
            // outside the visible frame.
            const double x = real(-2.0, 3.0);
            double y = real(-2.0, 3.0);
            if (pick(0, 1) == 0) {
                y = CurveHeight(-1.0, 0.5, x) + real(-0.06, 0.06);
            }
            form.MouseDown(pick(1, 4), pick(0, 7), static_cast<float>(x), static_cast<float>(y));
        }

        if (form.FailureCount() != 0) {
            return where + "a handler failed: " + report.str();
        }
        if (const std::string bad = checks::FirstNonFinite(state); !bad.empty()) {
            return where + bad + " is not finite";
        }
        if (ticked && !checks::OnCurve(state)) {
            return where + "the body left the curve";
        }
        const int interval = form.Timer1.Interval();
        if (!timeOnSeen ? interval != 0 : (interval < 1 || interval > 10)) {
            return where + "timer interval " + std::to_string(interval);
        }
        if (!std::regex_match(form.Label1.Caption(), kLabel1)) {
            return where + "Label1 reads '" + form.Label1.Caption() + "'";
        }
        if (!std::regex_match(form.Label2.Caption(), kLabel2)) {
            return where + "Label2 reads '" + form.Label2.Caption() + "'";
        }
        if (!std::regex_match(form.Label3.Caption(), kLabel3)) {
            return where + "Label3 reads '" + form.Label3.Caption() + "'";
        }
    }
    return "";
}

// ZORVA_SEED picks one sequence to replay; ZORVA_EVENTS sets its length.
TEST(EventSequences, EveryInvariantHoldsAfterEveryEvent) {
    const char* seedText = std::getenv("ZORVA_SEED");
    const char* eventsText = std::getenv("ZORVA_EVENTS");
    const int events = eventsText != nullptr ? std::atoi(eventsText) : 25000;
    std::vector<std::uint64_t> seeds = {1, 2, 3, 4};
    if (seedText != nullptr) {
        seeds = {std::strtoull(seedText, nullptr, 10)};
    }
    for (std::uint64_t seed : seeds) {
        const std::string broken = RunSequence(seed, events);
        EXPECT_EQ(broken, "") << "replay with ZORVA_SEED=" << seed << " ZORVA_EVENTS=" << events;
    }
}

TEST(FailureGuard, AFailingTickIsUndoneStopsTheRunAndIsReportedOnce) {
    SimulationState state;
    // Draws nothing: the sequences are about the state, and a recording of
    // hundreds of thousands of ticks would only cost memory.
    NullSurface surface(1920, 1080, 15.0);
    Zerkan form(state, surface);
    std::ostringstream report;
    form.SetFailureReport(&report);
    FixedScreen host(surface, 1920, 1080);
    form.Main(host);
    form.Command1.Press();
    form.Timer1.Elapse();
    // A curve no program value produces: the summit height overflows, after
    // the tick has already moved the body.
    state.a = 1e200;
    const SimulationState before = state;
    form.Timer1.Elapse();
    EXPECT_EQ(form.FailureCount(), 1);
    EXPECT_FALSE(form.Timer1.Active());
    EXPECT_EQ(state.PosY, before.PosY);
    EXPECT_EQ(state.PosX, before.PosX);
    EXPECT_EQ(state.VelX, before.VelX);
    EXPECT_EQ(state.StepCount, before.StepCount);
    form.Command3.Press();
    EXPECT_EQ(form.FailureCount(), 2);
    const std::string text = report.str();
    EXPECT_NE(text.find("zorva: an event failed"), std::string::npos);
    EXPECT_EQ(text.find("zorva:", 1), std::string::npos);  // reported once
    // The window keeps working: a scale change redraws and resets the curve.
    form.klimax.SetValue(2);
    EXPECT_EQ(state.a, -1.0);
    form.Command1.Press();
    form.Timer1.Elapse();
    EXPECT_EQ(form.FailureCount(), 2);
    EXPECT_EQ(state.StepCount, 1);
}

}  // namespace
}  // namespace zorva
