#include "curve/curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zorva {
namespace {

constexpr double A = -1.0;
constexpr double B = 0.5;
constexpr double kStartX = 1.0 / 14.715;
constexpr double kSummit = 1.0 / 19.62;

TEST(CurveHeight, SummitAndSymmetry) {
    EXPECT_NEAR(CurveHeight(A, B, 0.0), kSummit, 1e-15);
    EXPECT_NEAR(CurveHeight(A, B, 0.1), -0.0149704, 1e-7);
    EXPECT_EQ(CurveHeight(A, B, -0.1), CurveHeight(A, B, 0.1));
    EXPECT_NEAR(CurveHeight(A, B, kStartX), 0.0, 1e-15);
}

TEST(CurveX, StartPointIsWhereTheHeightIsZero) {
    EXPECT_NEAR(CurveX(A, B, 0.0), kStartX, 1e-15);
}

class CurveXInverse : public testing::TestWithParam<double> {};

TEST_P(CurveXInverse, UndoesTheHeight) {
    const double x = GetParam();
    EXPECT_NEAR(CurveX(A, B, CurveHeight(A, B, x)), x, 1e-13);
    EXPECT_NEAR(CurveX(A, B, CurveHeight(A, B, -x)), x, 1e-13);
}

INSTANTIATE_TEST_SUITE_P(Abscissae, CurveXInverse, testing::Values(0.01, 0.05, 0.1, 0.2, 3.0));

struct GeometryRow {
    double x;
    double slope;
    double second;
    double radius;
};

class CurveGeometry : public testing::TestWithParam<GeometryRow> {};

TEST_P(CurveGeometry, SlopeSecondDerivativeAndRadius) {
    const GeometryRow row = GetParam();
    EXPECT_NEAR(CurveSlope(A, B, row.x), row.slope, 1e-6);
    EXPECT_NEAR(CurveSecondDerivative(A, B, row.x), row.second, 1e-6);
    EXPECT_NEAR(CurvatureRadius(A, B, row.x), row.radius, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(KnownPoints, CurveGeometry,
                         testing::Values(GeometryRow{kStartX, -0.5, 2.4525, 0.569844},
                                         GeometryRow{0.05, -0.553851, 3.692343, 0.404564}));

TEST(CurveSlope, MatchesTheDerivativeOfTheHeight) {
    for (double x : {0.003, 0.02, 0.07, 0.4}) {
        const double h = 1e-6;
        const double numeric = (CurveHeight(A, B, x + h) - CurveHeight(A, B, x - h)) / (2 * h);
        EXPECT_NEAR(CurveSlope(A, B, x), numeric, 1e-6 * std::fabs(numeric) + 1e-9) << x;
        const double second = (CurveSlope(A, B, x + h) - CurveSlope(A, B, x - h)) / (2 * h);
        EXPECT_NEAR(CurveSecondDerivative(A, B, x), second, 1e-5 * std::fabs(second)) << x;
    }
}

// The failure table, row by row: what each function yields outside the
// ordinary domain. NaN in a cell marks "the failure reaches the caller".
constexpr double kThrows = std::numeric_limits<double>::quiet_NaN();

struct FailureRow {
    const char* name;
    double a;
    double b;
    double x;
    double height;  // CurveHeight(a, b, x)
    double slope;   // CurveSlope(a, b, x)
    double second;  // CurveSecondDerivative(a, b, x)
    double radius;  // CurvatureRadius(a, b, x)
};

void ExpectCell(double (*function)(double, double, double), const FailureRow& row, double expected,
                const char* which) {
    if (std::isnan(expected)) {
        EXPECT_THROW(function(row.a, row.b, row.x), CurveEvaluationError) << which;
    } else {
        EXPECT_NEAR(function(row.a, row.b, row.x), expected, 1e-12) << which;
    }
}

class CurveFailures : public testing::TestWithParam<FailureRow> {};

TEST_P(CurveFailures, EachFunctionAbsorbsOrPassesOn) {
    const FailureRow& row = GetParam();
    ExpectCell(&CurveHeight, row, row.height, "height");
    ExpectCell(&CurveSlope, row, row.slope, "slope");
    ExpectCell(&CurveSecondDerivative, row, row.second, "second derivative");
    ExpectCell(&CurvatureRadius, row, row.radius, "radius");
}

INSTANTIATE_TEST_SUITE_P(
    Table, CurveFailures,
    testing::Values(FailureRow{"AtCusp", A, B, 0.0, kSummit, 0.0, kThrows, 0.0},
                    FailureRow{"LeftOfCusp", A, B, -0.05, CurveHeight(A, B, 0.05),
                               CurveSlope(A, B, 0.05), kThrows, 0.0},
                    FailureRow{"FlatCurve", A, 0.0, 0.05, kSummit, 0.0, 0.0, 0.0},
                    FailureRow{"NegativeB", A, -0.5, 0.05, kThrows, 0.0, kThrows, 0.0}),
    [](const testing::TestParamInfo<FailureRow>& info) { return info.param.name; });

TEST(CurveX, AbsorbsFailures) {
    EXPECT_EQ(CurveX(A, B, 0.06), 0.0);                         // above the cusp: negative base
    EXPECT_NEAR(CurveX(A, B, A * A / (2 * 9.81)), 0.0, 1e-15);  // at the cusp
    EXPECT_EQ(CurveX(A, 0.0, -0.1), 0.0);                       // division by zero
    EXPECT_LT(CurveX(A, -0.5, -0.1), 0.0);                      // b < 0: a negative result
    EXPECT_EQ(CurveX(A, B, -1e300), 0.0);                       // a result too large for a double
}

TEST(CurveHeight, ReportsAResultTooLargeForADouble) {
    EXPECT_THROW(CurveHeight(1e200, B, 1.0), CurveEvaluationError);
    EXPECT_THROW(CurveHeight(A, B, std::numeric_limits<double>::infinity()), CurveEvaluationError);
}

}  // namespace
}  // namespace zorva
