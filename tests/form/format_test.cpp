#include "form/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

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

// The page's standard library has no std::to_chars for a double, so the CSV
// spells numbers its own way there: it must give the same bytes.
TEST(Format, ThePortableSpellingOfANumberIsToCharssOwn) {
    std::vector<double> values{0.0,
                               -0.0,
                               1.0,
                               -2.5,
                               0.1,
                               1e-300,
                               4.9e-324,
                               1e300,
                               1e16,
                               1.5e-7,
                               123456789012345678.0,
                               0.30000000000000004,
                               2.2250738585072014e-308,
                               1.7976931348623157e308};
    std::uint64_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        double value = 0.0;
        std::memcpy(&value, &seed, sizeof value);
        if (std::isfinite(value)) {
            values.push_back(value);
            values.push_back(static_cast<double>(static_cast<float>(i) / 7.0f));
        }
    }
    for (const double value : values) {
        std::string portable;
        std::string shortest;
        AppendShortestPortably(portable, value);
        AppendShortest(shortest, value);
        ASSERT_EQ(portable, shortest);
        ASSERT_EQ(std::strtod(portable.c_str(), nullptr), value) << portable;
    }
}

TEST(Format, RejectsAnUnknownPattern) {
    EXPECT_THROW(Format(1.0, "#.##"), std::invalid_argument);
}

}  // namespace
}  // namespace zorva
