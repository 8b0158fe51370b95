#include "form/format.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zorva {
namespace {

struct FormatRow {
    double value;
    const char* pattern;
    const char* text;
};

class FormatPatterns : public testing::TestWithParam<FormatRow> {};

TEST_P(FormatPatterns, RoundsToThePatternsDecimals) {
    const FormatRow row = GetParam();
    EXPECT_EQ(Format(row.value, row.pattern), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatPatterns,
    testing::Values(FormatRow{2.0, "0.0", "2.0"}, FormatRow{10.0, "0.0", "10.0"},
                    FormatRow{0.1, "0.0", "0.1"}, FormatRow{5.886, "0.00", "5.89"},
                    FormatRow{0.648, "0.00", "0.65"}, FormatRow{-1.9412, "0.00", "-1.94"},
                    FormatRow{0.894427, "0.00", "0.89"}, FormatRow{0.04, "0.00", "0.04"},
                    FormatRow{-0.004, "0.00", "0.00"}, FormatRow{3.0, "0", "3"},
                    FormatRow{0.5, "0", "1"}, FormatRow{194.2449, "0.00", "194.24"}));

TEST(Format, RejectsAnUnknownPattern) {
    EXPECT_THROW(Format(1.0, "#.##"), std::invalid_argument);
}

}  // namespace
}  // namespace zorva
