#include "sim/motion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <span>
#include <stdexcept>
#include <vector>

#include "curve/curve.h"
#include "sim/state.h"

namespace zorva {
namespace {

constexpr double kG = 9.81;
constexpr double kStartX = 1.0 / 14.715;  // where the curve's height is 0
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The state every test starts from: the curve the program uses and a
// launch velocity, with everything else still at its start-up value.
SimulationState MakeState(double velX0, double velY0) {
    SimulationState state;
    state.a = -1.0;
    state.b = 0.5;
    state.VelX0 = velX0;
    state.VelY0 = velY0;
    return state;
}

double Derive(SimulationState& state, const std::array<double, 4>& s, std::int16_t k,
              double t = 0.0) {
    return Derivatives(state, t, s, k);
}

// ---------------------------------------------------------------------------
// Derivatives
// ---------------------------------------------------------------------------

struct StartPointRow {
    const char* name;
    double velX0;
    double velY0;
    double ax;  // k = 0
    double ay;  // k = 1
};

void PrintTo(const StartPointRow& row, std::ostream* os) {
    *os << row.name;
}

class DerivativesAtStartPoint : public testing::TestWithParam<StartPointRow> {};

TEST_P(DerivativesAtStartPoint, GivesTheKnownAccelerations) {
    const StartPointRow& row = GetParam();
    SimulationState state = MakeState(row.velX0, row.velY0);
    const std::array<double, 4> s{row.velX0, row.velY0, kStartX, 0.0};
    EXPECT_NEAR(Derive(state, s, 0), row.ax, 1e-12);
    EXPECT_NEAR(Derive(state, s, 1), row.ay, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(LaunchVelocities, DerivativesAtStartPoint,
                         testing::Values(StartPointRow{"ProgramLaunch", -1.0, 0.5, 4.905, 0.0},
                                         StartPointRow{"AfterStop", -2.0, 1.0, 7.848, 5.886}),
                         [](const testing::TestParamInfo<StartPointRow>& info) {
                             return info.param.name;
                         });

// On the curve, with the launch velocity (a, b) = (−1, 0.5), the vertical
// acceleration vanishes everywhere on x > 0: the isochrone property.
// Horizontal accelerations from an independent high-precision evaluation.
struct IsochroneRow {
    double x;
    double ax;
};

void PrintTo(const IsochroneRow& row, std::ostream* os) {
    *os << "x = " << row.x;
}

class DerivativesIsochrone : public testing::TestWithParam<IsochroneRow> {};

TEST_P(DerivativesIsochrone, VerticalSpeedStaysConstant) {
    const IsochroneRow& row = GetParam();
    SimulationState state = MakeState(-1.0, 0.5);
    const std::array<double, 4> s{-1.0, 0.5, row.x, CurveHeight(state.a, state.b, row.x)};
    EXPECT_NEAR(Derive(state, s, 1), 0.0, 1e-12);
    EXPECT_NEAR(Derive(state, s, 0), row.ax, 1e-9 * row.ax);
}

INSTANTIATE_TEST_SUITE_P(
    PointsOfTheCurve, DerivativesIsochrone,
    testing::Values(IsochroneRow{1e-6, 200.16382410500671}, IsochroneRow{0.001, 20.016382410500671},
                    IsochroneRow{0.01, 9.2907817085903151}, IsochroneRow{0.05, 5.4332821035563441},
                    IsochroneRow{kStartX, 4.905}, IsochroneRow{0.1, 4.3123988634126662},
                    IsochroneRow{0.2, 3.422753246143867}, IsochroneRow{0.5, 2.5219061541735277},
                    IsochroneRow{2.0, 1.5887013247513264}));

TEST(Derivatives, MatchesTheQuotedIsochroneValues) {
    SimulationState state = MakeState(-1.0, 0.5);
    const std::array<std::array<double, 2>, 4> rows{
        {{0.01, 9.290782}, {0.05, 5.433282}, {0.1, 4.312399}, {0.2, 3.422753}}};
    for (const auto& [x, ax] : rows) {
        const std::array<double, 4> s{-1.0, 0.5, x, CurveHeight(state.a, state.b, x)};
        EXPECT_NEAR(Derive(state, s, 0), ax, 5e-7) << "x = " << x;
    }
}

// Newton's law on the curve, checked from the geometry alone: the force
// minus the weight is the reaction, which is perpendicular to the tangent
// (1, σ) and, along the upward normal (−σ, 1)/√(1+σ²), equals the weight's
// normal part plus v²/R with v² from the launch energy. The state's own
// velocity and a height off the curve must not change that; rows with
// v² < 0 keep the reaction's sign.
struct BalanceRow {
    double velX0;
    double velY0;
    double x;
    double y;
    double vx;
    double vy;
};

void PrintTo(const BalanceRow& row, std::ostream* os) {
    *os << "launch (" << row.velX0 << ", " << row.velY0 << "), state (" << row.vx << ", " << row.vy
        << ", " << row.x << ", " << row.y << ")";
}

class DerivativesForceBalance : public testing::TestWithParam<BalanceRow> {};

TEST_P(DerivativesForceBalance, ReactionIsNormalAndCentripetal) {
    const BalanceRow& row = GetParam();
    SimulationState state = MakeState(row.velX0, row.velY0);
    const std::array<double, 4> s{row.vx, row.vy, row.x, row.y};
    const double fx = Derive(state, s, 0);
    const double fy = Derive(state, s, 1);

    const double sigma = CurveSlope(state.a, state.b, row.x);
    const double radius = CurvatureRadius(state.a, state.b, row.x);
    const double length = std::sqrt(1.0 + sigma * sigma);
    const double v2 = row.velX0 * row.velX0 + row.velY0 * row.velY0 - 2.0 * kG * row.y;
    const double expectedNormal = kG / length + v2 / radius;

    const double reactionX = fx;
    const double reactionY = fy + kG;
    const double scale = std::fabs(expectedNormal) + kG;
    EXPECT_NEAR(reactionX + reactionY * sigma, 0.0, 1e-12 * scale * length);
    EXPECT_NEAR((-sigma * reactionX + reactionY) / length, expectedNormal, 1e-12 * scale);
}

INSTANTIATE_TEST_SUITE_P(
    StatesOnAndOffTheCurve, DerivativesForceBalance,
    testing::Values(BalanceRow{-1.0, 0.5, 0.03, CurveHeight(-1.0, 0.5, 0.03), -1.0, 0.5},
                    BalanceRow{-1.0, 0.5, 0.03, CurveHeight(-1.0, 0.5, 0.03), 37.0, -12.0},
                    BalanceRow{-2.0, 1.0, 0.15, -0.02, -2.0, 1.0},
                    BalanceRow{-0.3, 0.1, 0.005, 0.03, 0.0, 0.0},
                    BalanceRow{0.0, 0.0, 0.01, 0.04, 0.0, 0.0},  // v² < 0
                    BalanceRow{-1.0, 0.5, 0.4, 0.2, -1.0, 0.5},  // v² < 0, N < 0
                    BalanceRow{-1.0, 0.5, 5.0, -3.0, 0.2, 0.1}));

TEST(Derivatives, NegativeSquaredSpeedIsNotClamped) {
    SimulationState state = MakeState(-1.0, 0.5);
    // Far above what the launch energy reaches, close to the cusp where the
    // radius is small: v²/R outweighs the weight's normal part.
    const std::array<double, 4> s{-1.0, 0.5, 0.001, 0.1};
    const double reactionY = Derive(state, s, 1) + kG;
    EXPECT_LT(reactionY, 0.0);
    EXPECT_LT(Derive(state, s, 0), 0.0);
}

// At and left of the cusp the curve offers no radius: free fall.
class DerivativesFreeFall : public testing::TestWithParam<std::array<double, 4>> {};

TEST_P(DerivativesFreeFall, OnlyTheWeightActs) {
    for (const auto& [velX0, velY0] : {std::array{-1.0, 0.5}, std::array{-2.0, 1.0}}) {
        SimulationState state = MakeState(velX0, velY0);
        EXPECT_EQ(Derive(state, GetParam(), 0), 0.0);
        EXPECT_EQ(Derive(state, GetParam(), 1), -kG);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AtAndLeftOfTheCusp, DerivativesFreeFall,
    testing::Values(std::array{0.0, 0.0, 0.0, 0.0}, std::array{-1.0, 0.5, 0.0, 1.0 / 19.62},
                    std::array{3.0, -7.0, 0.0, -2.0}, std::array{-0.1, 0.2, -1e-12, 0.03},
                    std::array{-0.1, 0.2, -0.05, 0.03}, std::array{5.0, 5.0, -3.0, 100.0}));

struct IndexRow {
    std::int16_t k;
    int expected;  // index into s of the expected result, or −1 for 0
};

void PrintTo(const IndexRow& row, std::ostream* os) {
    *os << "k = " << row.k;
}

class DerivativesComponent : public testing::TestWithParam<IndexRow> {};

TEST_P(DerivativesComponent, SelectsTheComponentAndStoresPi) {
    const IndexRow& row = GetParam();
    SimulationState state = MakeState(-1.0, 0.5);
    const std::array<double, 4> s{-0.7, 0.3, 0.05, 0.01};
    const double expected = row.expected < 0 ? 0.0 : s[static_cast<std::size_t>(row.expected)];
    EXPECT_EQ(Derive(state, s, row.k), expected);
    EXPECT_EQ(state.Pi, 4.0 * std::atan(1.0));
}

INSTANTIATE_TEST_SUITE_P(Indices, DerivativesComponent,
                         testing::Values(IndexRow{2, 0}, IndexRow{3, 1}, IndexRow{4, -1},
                                         IndexRow{-1, -1}, IndexRow{100, -1},
                                         IndexRow{std::numeric_limits<std::int16_t>::max(), -1},
                                         IndexRow{std::numeric_limits<std::int16_t>::min(), -1}));

TEST(Derivatives, StoresPiForEveryComponent) {
    for (std::int16_t k = 0; k < 4; ++k) {
        SimulationState state = MakeState(-1.0, 0.5);
        Derive(state, {-1.0, 0.5, kStartX, 0.0}, k);
        EXPECT_EQ(state.Pi, 4.0 * std::atan(1.0)) << "k = " << k;
    }
}

TEST(Derivatives, TimeDoesNotEnter) {
    const std::array<double, 4> states[] = {
        {-1.0, 0.5, kStartX, 0.0}, {-2.0, 1.0, 0.02, 0.01}, {0.1, 0.2, -0.3, 0.0}};
    for (const auto& s : states) {
        for (std::int16_t k = -1; k <= 4; ++k) {
            SimulationState state = MakeState(-2.0, 1.0);
            const double atZero = Derive(state, s, k, 0.0);
            for (double t : {-5.0, 1e-9, 0.37, 1e9, kNaN}) {
                EXPECT_EQ(Derive(state, s, k, t), atZero) << "k = " << k << ", t = " << t;
            }
        }
    }
}

TEST(Derivatives, ShortStateVectorThrows) {
    const std::array<double, 5> storage{-1.0, 0.5, kStartX, 0.0, 99.0};
    for (std::size_t size = 0; size < 4; ++size) {
        SimulationState state = MakeState(-1.0, 0.5);
        const std::span<const double> s(storage.data(), size);
        for (std::int16_t k : {0, 1, 2, 3, 4}) {
            EXPECT_THROW(Derivatives(state, 0.0, s, k), std::out_of_range) << size;
        }
    }
    SimulationState state = MakeState(-1.0, 0.5);
    EXPECT_NEAR(Derivatives(state, 0.0, storage, 0), 4.905, 1e-12);
}

TEST(Derivatives, ReportsValuesOutsideTheRangeOfADouble) {
    SimulationState state = MakeState(-1.0, 0.5);
    EXPECT_THROW(Derive(state, {-1.0, 0.5, 0.05, 1e308}, 0), std::overflow_error);
    EXPECT_THROW(Derive(state, {kNaN, 0.5, 0.05, 0.0}, 2), std::overflow_error);
    EXPECT_THROW(Derive(state, {-1.0, 0.5, 0.05, kNaN}, 1), std::overflow_error);
    state.VelX0 = 1e200;
    EXPECT_THROW(Derive(state, {-1.0, 0.5, 0.05, 0.0}, 3), std::overflow_error);
}

// ---------------------------------------------------------------------------
// RkfStep
// ---------------------------------------------------------------------------

std::array<double, 4> Step(SimulationState& state, const std::array<double, 4>& y, double h,
                           double t = 0.0) {
    std::array<double, 4> next{};
    RkfStep(state, t, y, h, next, 4);
    return next;
}

TEST(RkfStep, FreeFallIsExact) {
    SimulationState state = MakeState(-1.0, 0.5);
    const std::array<double, 4> next = Step(state, {-0.1, 0.2, -0.05, 0.03}, 0.001);
    const std::array<double, 4> expected{-0.1, 0.19019, -0.0501, 0.030195095};
    for (std::size_t j = 0; j < 4; ++j) {
        EXPECT_NEAR(next[j], expected[j], 1e-15) << "component " << j;
    }
}

// The first step of a run. `listed` holds the values to the digits they
// are quoted with (tolerance half a unit of the last digit; the vertical
// speed and height of the launch along the curve are exact); `precise`
// comes from an independent high-precision evaluation of the same step.
struct FirstStepRow {
    const char* name;
    double velX0;
    double velY0;
    std::array<double, 4> listed;
    std::array<double, 4> tolerance;
    std::array<double, 4> precise;
};

void PrintTo(const FirstStepRow& row, std::ostream* os) {
    *os << row.name;
}

class RkfStepFromStart : public testing::TestWithParam<FirstStepRow> {};

TEST_P(RkfStepFromStart, MatchesTheKnownStep) {
    const FirstStepRow& row = GetParam();
    SimulationState state = MakeState(row.velX0, row.velY0);
    const std::array<double, 4> next = Step(state, {row.velX0, row.velY0, kStartX, 0.0}, 0.00005);
    for (std::size_t j = 0; j < 4; ++j) {
        EXPECT_NEAR(next[j], row.listed[j], row.tolerance[j]) << "component " << j;
        EXPECT_NEAR(next[j], row.precise[j], 1e-9 * std::fabs(row.precise[j])) << "component " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LaunchVelocities, RkfStepFromStart,
    testing::Values(FirstStepRow{"ProgramLaunch",
                                 -1.0,
                                 0.5,
                                 {-0.99975472, 0.5, 0.06790787, 0.000025},
                                 {5e-9, 1e-15, 5e-9, 1e-15},
                                 {-0.99975471991884089, 0.5, 0.06790787225475506, 2.5e-5}},
                    FirstStepRow{"AfterStop",
                                 -2.0,
                                 1.0,
                                 {-1.99960739, 1.00029453, 0.06785788, 0.0000500074},
                                 {5e-9, 5e-9, 5e-9, 5e-11},
                                 {-1.9996073880840108, 1.0002945311707518, 0.067857875936534851,
                                  5.0007361351994928e-5}}),
    [](const testing::TestParamInfo<FirstStepRow>& info) { return info.param.name; });

// A fourth-order step has a local error of order h⁵: halving h divides it
// by about 32. The reference is the same span covered in 256 small steps.
TEST(RkfStep, LocalErrorIsOfFifthOrder) {
    SimulationState state = MakeState(-1.0, 0.5);
    const std::array<double, 4> start{-1.2, 0.4, kStartX, 0.001};
    const auto localError = [&](double h) {
        std::array<double, 4> fine = start;
        for (int i = 0; i < 256; ++i) {
            fine = Step(state, fine, h / 256.0);
        }
        const std::array<double, 4> coarse = Step(state, start, h);
        double largest = 0.0;
        for (std::size_t j = 0; j < 4; ++j) {
            largest = std::max(largest, std::fabs(coarse[j] - fine[j]));
        }
        return largest;
    };
    const double ratio = localError(0.008) / localError(0.004);
    EXPECT_GT(ratio, 28.0);
    EXPECT_LT(ratio, 37.0);
}

TEST(RkfStep, TimeDoesNotEnter) {
    SimulationState state = MakeState(-2.0, 1.0);
    const std::array<double, 4> y{-2.0, 1.0, kStartX, 0.0};
    const std::array<double, 4> atZero = Step(state, y, 0.0004, 0.0);
    for (double t : {-3.0, 0.0125, 1e6}) {
        EXPECT_EQ(Step(state, y, 0.0004, t), atZero) << "t = " << t;
    }
}

TEST(RkfStep, SameArrayInAndOut) {
    SimulationState state = MakeState(-1.0, 0.5);
    std::array<double, 4> y{-1.0, 0.5, kStartX, 0.0};
    const std::array<double, 4> expected = Step(state, y, 0.0003);
    RkfStep(state, 0.0, y, 0.0003, y, 4);
    EXPECT_EQ(y, expected);
}

class RkfStepNothingToDo : public testing::TestWithParam<std::int16_t> {};

TEST_P(RkfStepNothingToDo, LeavesEverythingAlone) {
    SimulationState state = MakeState(-1.0, 0.5);
    const std::array<double, 4> y{-1.0, 0.5, kStartX, 0.0};
    std::array<double, 4> next{7.0, 8.0, 9.0, 10.0};
    RkfStep(state, 0.0, y, 0.001, next, GetParam());
    EXPECT_EQ(next, (std::array<double, 4>{7.0, 8.0, 9.0, 10.0}));
    EXPECT_EQ(state.Pi, 0.0);  // Derivatives stores π on every call: it was never called
    EXPECT_NO_THROW(RkfStep(state, 0.0, {}, 0.001, {}, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(CountsBelowOne, RkfStepNothingToDo,
                         testing::Values(std::int16_t{0}, std::int16_t{-1},
                                         std::numeric_limits<std::int16_t>::min()));

// Short arrays are views of the front of a larger buffer whose tail holds
// sentinels, so a read or write past the end would show (and the sanitizer
// build reports it).
struct ShortRow {
    const char* name;
    std::size_t ySize;
    std::size_t yNewSize;
    std::int16_t n;
};

void PrintTo(const ShortRow& row, std::ostream* os) {
    *os << row.name;
}

class RkfStepShortArrays : public testing::TestWithParam<ShortRow> {};

TEST_P(RkfStepShortArrays, ThrowsAndWritesNothing) {
    const ShortRow& row = GetParam();
    SimulationState state = MakeState(-1.0, 0.5);
    const std::vector<double> y{-1.0, 0.5, kStartX, 0.0, 0.0, 0.0, 0.0, 0.0};
    std::vector<double> next(8, -42.0);
    EXPECT_THROW(RkfStep(state, 0.0, std::span(y).first(row.ySize), 0.001,
                         std::span(next).first(row.yNewSize), row.n),
                 std::out_of_range);
    EXPECT_EQ(next, std::vector<double>(8, -42.0));
}

INSTANTIATE_TEST_SUITE_P(
    Table, RkfStepShortArrays,
    testing::Values(ShortRow{"YShort", 3, 4, 4}, ShortRow{"YNewShort", 4, 3, 4},
                    ShortRow{"BothEmpty", 0, 0, 1}, ShortRow{"BothOneShort", 4, 4, 5},
                    ShortRow{"YNewEmpty", 8, 0, 4},
                    // Enough room, but a trial state of fewer than four
                    // components is too short for the equations of motion.
                    ShortRow{"OneComponent", 8, 8, 1}, ShortRow{"ThreeComponents", 8, 8, 3}),
    [](const testing::TestParamInfo<ShortRow>& info) { return info.param.name; });

// Components past the fourth have a zero derivative and are carried over;
// the working storage copes with the largest count there can be.
class RkfStepExtraComponents : public testing::TestWithParam<std::int16_t> {};

TEST_P(RkfStepExtraComponents, AreCarriedUnchanged) {
    const std::int16_t n = GetParam();
    SimulationState state = MakeState(-1.0, 0.5);
    std::vector<double> y(static_cast<std::size_t>(n));
    for (std::size_t j = 0; j < y.size(); ++j) {
        y[j] = 0.25 * static_cast<double>(j) - 3.0;
    }
    y[0] = -1.0;
    y[1] = 0.5;
    y[2] = kStartX;
    y[3] = 0.0;
    std::vector<double> next(y.size() + 1, -42.0);
    RkfStep(state, 0.0, y, 0.001, next, n);

    const std::array<double, 4> four = Step(state, {-1.0, 0.5, kStartX, 0.0}, 0.001);
    for (std::size_t j = 0; j < 4; ++j) {
        EXPECT_EQ(next[j], four[j]) << "component " << j;
    }
    for (std::size_t j = 4; j < y.size(); ++j) {
        ASSERT_EQ(next[j], y[j]) << "component " << j;
    }
    EXPECT_EQ(next.back(), -42.0);
}

INSTANTIATE_TEST_SUITE_P(Counts, RkfStepExtraComponents,
                         testing::Values(std::int16_t{5}, std::int16_t{6},
                                         std::numeric_limits<std::int16_t>::max()));

TEST(RkfStep, ReportsValuesOutsideTheRangeOfADouble) {
    const std::array<std::array<double, 5>, 3> rows{{
        {-1.0, 0.5, kStartX, 0.0, 1e300},  // (vx, vy, x, y, h)
        {kNaN, 0.5, kStartX, 0.0, 0.001},
        {-1.0, 0.5, kStartX, 0.0, kNaN},
    }};
    for (const auto& [vx, vy, x, y, h] : rows) {
        SimulationState state = MakeState(-1.0, 0.5);
        const std::array<double, 4> start{vx, vy, x, y};
        std::array<double, 4> next{7.0, 8.0, 9.0, 10.0};
        EXPECT_THROW(RkfStep(state, 0.0, start, h, next, 4), std::overflow_error) << "h = " << h;
        EXPECT_EQ(next, (std::array<double, 4>{7.0, 8.0, 9.0, 10.0}));
    }
}

}  // namespace
}  // namespace zorva
