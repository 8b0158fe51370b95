#include "ui/repeated_messages.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zorva {
namespace {

struct Repeats {
    const char* name;
    /// Lines taken, each at a time in seconds; then flush.
    std::vector<std::pair<double, std::string>> taken;
    std::vector<std::string> shown;
};

class RepeatedLinesShown : public testing::TestWithParam<Repeats> {};

TEST_P(RepeatedLinesShown, OnceAndThenAsACount) {
    std::vector<std::string> shown;
    double now = 0.0;
    RepeatedLines lines([&shown](const std::string& line) { shown.push_back(line); },
                        [&now] { return now; });
    for (const auto& [at, line] : GetParam().taken) {
        now = at;
        lines.take(line);
    }
    lines.flush();
    EXPECT_EQ(shown, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RepeatedLinesShown,
    testing::Values(
        Repeats{"DifferentLinesEachOnce", {{0, "a"}, {0, "b"}, {1, "c"}}, {"a", "b", "c"}},
        Repeats{"ALineThatComesAgainIsCounted",
                {{0, "a"}, {0.001, "a"}, {0.002, "b"}, {0.003, "a"}},
                {"a", "b", "a (repeated 2 times)"}},
        Repeats{"ACountGoesOutEveryTenSecondsWhileItGoesOn",
                {{0, "a"}, {5, "a"}, {10.5, "a"}, {12, "a"}, {20.4, "a"}, {20.6, "a"}},
                {"a", "a (repeated 2 times)", "a (repeated 3 times)"}},
        Repeats{"OneRepeatIsSaidSo", {{0, "a"}, {1, "a"}}, {"a", "a (repeated 1 time)"}},
        Repeats{"NothingIsLeftAfterACount", {{0, "a"}, {11, "a"}}, {"a", "a (repeated 1 time)"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zorva
