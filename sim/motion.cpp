#include "sim/motion.h"

#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "curve/curve.h"
#include "sim/forces.h"

namespace zorva {
namespace {

// Plain double arithmetic never stops on an overflow: it carries an infinity
// or a NaN onwards, and the tick would then place and draw the body at a
// position that is not a number. Every value the equations and the step
// produce therefore passes through here, and the first one that is not a
// finite double ends the call, as an overflow.
double Finite(double value, const char* what) {
    if (!std::isfinite(value)) {
        throw std::overflow_error(std::string(what) + " is not a finite number");
    }
    return value;
}

}  // namespace

// The body is a point of mass m sliding without friction on the curve, held
// on it by the normal reaction N along the unit normal (cos θ, sin θ):
//
//   m·dv/dt = N·(cos θ, sin θ) + (0, −W),   W = m·g.
//
// Along the normal the reaction balances the normal part of the weight and
// supplies the centripetal force of the motion on a circle of radius R:
//
//   N = W·sin θ + m·v²/R.
//
// The speed in the centripetal term is not the state's own velocity but the
// one energy conservation allows at the state's height, measured from the
// launch point at height 0: v² = vx0² + vy0² − 2·g·y. This keeps the force
// tied to the curve even when the integrated velocity drifts a little. The
// force law itself is ForcesAt's.
double Derivatives(SimulationState& state, double t, std::span<const double> s, std::int16_t k) {
    static_cast<void>(t);  // the forces do not depend on time
    state.Pi = 4.0 * std::atan(1.0);

    if (s.size() < 4) {
        throw std::out_of_range("Derivatives: the state vector needs the indices 0 to 3");
    }
    const double vx = s[0];
    const double vy = s[1];
    const double x = s[2];
    const double y = s[3];

    const double v2 =
        Finite((state.VelX0 * state.VelX0 + state.VelY0 * state.VelY0) - 2.0 * kGravity * y,
               "Derivatives: the squared speed");
    const Forces forces = ForcesAt(state.a, state.b, x, v2);
    Finite(forces.N, "Derivatives: the normal reaction");
    const double m = kMass;
    const double Fx = forces.Fx;
    const double Fy = forces.Fy;

    double result = 0.0;
    switch (k) {
        case 0:
            result = Fx / m;
            break;
        case 1:
            result = Fy / m;
            break;
        case 2:
            result = vx;
            break;
        case 3:
            result = vy;
            break;
        default:
            break;
    }
    return Finite(result, "Derivatives: the result");
}

// The Runge–Kutta–Fehlberg 4(5) pair evaluates six stages; this step uses
// the first five and their fourth-order combination, with no error estimate
// and the step length fixed by the caller. The weights of the combination
// add up to 1, and the error of one step is of order h⁵.
//
// Each stage is formed from a complete trial state: one pass over all
// components builds the trial state, the next pass takes every component's
// derivative there. Mixing the two passes would let later components see a
// half-updated state.
//
// Every size is checked before anything is read, so a short array fails
// without a read or write past its end. The result is assembled in the
// working storage and copied out only once every component is known to be
// finite, so a failure anywhere in the call leaves YNew as it was.
void RkfStep(SimulationState& state, double t, std::span<const double> Y, double h,
             std::span<double> YNew, std::int16_t n) {
    if (n < 1) {
        return;
    }
    const auto count = static_cast<std::size_t>(n);
    if (Y.size() < count) {
        throw std::out_of_range("RkfStep: Y lacks some of the indices 0 to n-1");
    }
    if (YNew.size() < count) {
        throw std::out_of_range("RkfStep: YNew lacks some of the indices 0 to n-1");
    }

    // n may be as large as 32767, so the working arrays live on the heap.
    std::vector<double> K1(count);
    std::vector<double> K2(count);
    std::vector<double> K3(count);
    std::vector<double> K4(count);
    std::vector<double> K5(count);
    std::vector<double> Ytmp(count);

    const auto stage = [&](std::vector<double>& K, double time) {
        for (std::size_t j = 0; j < count; ++j) {
            K[j] = Finite(h * Derivatives(state, time, Ytmp, static_cast<std::int16_t>(j)),
                          "RkfStep: a stage increment");
        }
    };
    const auto trial = [&](const auto& combine, const char* what) {
        for (std::size_t j = 0; j < count; ++j) {
            Ytmp[j] = Finite(combine(j), what);
        }
    };

    trial([&](std::size_t j) { return Y[j]; }, "RkfStep: a component of Y");
    stage(K1, t);

    trial([&](std::size_t j) { return Y[j] + K1[j] / 4.0; }, "RkfStep: a trial state");
    stage(K2, t + h / 4.0);

    trial([&](std::size_t j) { return Y[j] + (K1[j] + 3.0 * K2[j]) * (3.0 / 32.0); },
          "RkfStep: a trial state");
    stage(K3, t + (3.0 / 8.0) * h);

    trial(
        [&](std::size_t j) {
            return Y[j] + (1932.0 / 2197.0) * K1[j] - (7200.0 / 2197.0) * K2[j] +
                   (7296.0 / 2197.0) * K3[j];
        },
        "RkfStep: a trial state");
    stage(K4, t + (12.0 / 13.0) * h);

    trial(
        [&](std::size_t j) {
            return Y[j] + (439.0 / 216.0) * K1[j] - 8.0 * K2[j] + (3680.0 / 513.0) * K3[j] -
                   (845.0 / 4104.0) * K4[j];
        },
        "RkfStep: a trial state");
    stage(K5, t + h);

    trial(
        [&](std::size_t j) {
            return Y[j] + (25.0 / 216.0) * K1[j] + (1408.0 / 2565.0) * K3[j] +
                   (2197.0 / 4104.0) * K4[j] - K5[j] / 5.0;
        },
        "RkfStep: a component of the new state");
    for (std::size_t j = 0; j < count; ++j) {
        YNew[j] = Ytmp[j];
    }
}

}  // namespace zorva
