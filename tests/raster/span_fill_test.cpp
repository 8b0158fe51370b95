#include "raster/span_fill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/raster/pixel_reference.h"

namespace zorva {
namespace {

constexpr std::uint32_t kInk = 0xff000000;
constexpr std::uint32_t kPaper = 0xffffffff;
// Pixel centres this close to a shape's edge may go either way.
constexpr double kTie = 1e-9;

struct Buffer {
    std::vector<std::uint32_t> pixels;
    PixelRows rows;
    Buffer(int width, int height) : pixels(static_cast<std::size_t>(width + 3) * height, kPaper) {
        rows = {pixels.data(), width, height, width + 3};
    }
    bool inked(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * rows.stride + x] == kInk;
    }
    bool paddingUntouched() const {
        for (int y = 0; y < rows.height; ++y) {
            for (int x = rows.width; x < rows.stride; ++x) {
                if (pixels[static_cast<std::size_t>(y) * rows.stride + x] != kPaper) {
                    return false;
                }
            }
        }
        return true;
    }
};

double DistanceToSegment(double px, double py, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double lengthSquared = dx * dx + dy * dy;
    const double t = lengthSquared == 0.0
                         ? 0.0
                         : std::clamp(((px - x0) * dx + (py - y0) * dy) / lengthSquared, 0.0, 1.0);
    return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

struct Stroke {
    std::string name;
    double x0, y0, x1, y1, radius;
};

class Capsule : public testing::TestWithParam<Stroke> {};

// Every pixel whose centre lies within the radius of the segment, and no
// other, whichever way the segment runs and wherever it leaves the buffer.
TEST_P(Capsule, PaintsExactlyThePixelCentresWithinTheRadius) {
    const Stroke& s = GetParam();
    Buffer buffer(60, 40);
    FillCapsule(buffer.rows, s.x0, s.y0, s.x1, s.y1, s.radius, kInk);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            const double d = DistanceToSegment(x + 0.5, y + 0.5, s.x0, s.y0, s.x1, s.y1);
            if (std::abs(d - s.radius) > kTie) {
                ASSERT_EQ(buffer.inked(x, y), d < s.radius) << x << ", " << y;
            }
        }
    }
    EXPECT_TRUE(buffer.paddingUntouched());
    // The remembered runs paint the same pixels.
    Buffer replay(60, 40);
    std::vector<PixelRun> runs;
    CapsuleRuns(replay.rows, s.x0, s.y0, s.x1, s.y1, s.radius, runs);
    FillRuns(replay.rows, runs, kInk);
    EXPECT_EQ(replay.pixels, buffer.pixels);
}

INSTANTIATE_TEST_SUITE_P(SpanFill, Capsule,
                         testing::Values(Stroke{"Horizontal", 5.2, 20.3, 50.7, 20.3, 1.0},
                                         Stroke{"Vertical", 30.5, 2.1, 30.5, 37.8, 1.5},
                                         Stroke{"Shallow", 3.3, 10.1, 56.2, 17.9, 2.0},
                                         Stroke{"Steep", 20.4, 38.2, 27.9, 1.3, 1.0},
                                         Stroke{"Diagonal", 50.0, 5.0, 10.0, 35.0, 27.5},
                                         Stroke{"Point", 30.2, 20.7, 30.2, 20.7, 6.0},
                                         Stroke{"Short", 30.0, 20.0, 30.3, 20.1, 4.0},
                                         Stroke{"LeavesTheBuffer", -30.0, -10.0, 80.0, 55.0, 27.5},
                                         Stroke{"WhollyOutside", -90.0, -10.0, -40.0, 55.0, 27.5}),
                         [](const auto& info) { return info.param.name; });

struct RingRow {
    std::string name;
    double cx, cy, radius, halfWidth;
};

class Ring : public testing::TestWithParam<RingRow> {};

TEST_P(Ring, PaintsExactlyThePixelCentresWithinHalfAWidthOfTheCircle) {
    const RingRow& r = GetParam();
    Buffer buffer(60, 40);
    FillRing(buffer.rows, r.cx, r.cy, r.radius, r.halfWidth, kInk);
    const Mismatches wrong = FindMismatches(60, 40, [&](int x, int y) {
        const std::optional<bool> in = InRing(x, y, r.cx, r.cy, r.radius, r.halfWidth, 1e-6);
        return in.has_value() && buffer.inked(x, y) != *in;
    });
    EXPECT_EQ(wrong.count, 0) << "first at " << wrong.firstX << ", " << wrong.firstY;
    EXPECT_TRUE(buffer.paddingUntouched());
}

INSTANTIATE_TEST_SUITE_P(SpanFill, Ring,
                         testing::Values(RingRow{"Thin", 30.3, 20.1, 12.4, 0.5},
                                         RingRow{"Wide", 28.0, 22.0, 30.0, 27.5},
                                         RingRow{"Disc", 30.0, 20.0, 0.0, 7.5},
                                         RingRow{"HoleCoversTheBuffer", 30.0, 20.0, 100.0, 3.0},
                                         RingRow{"CentreFarOff", -8500.0, 20.0, 8540.2, 27.5}),
                         [](const auto& info) { return info.param.name; });

TEST(SpanFill, NonFiniteInputPaintsNothing) {
    Buffer buffer(20, 20);
    const double nan = std::nan("");
    const double inf = INFINITY;
    FillCapsule(buffer.rows, nan, 1, 5, 5, 2, kInk);
    FillCapsule(buffer.rows, 1, 1, inf, 5, 2, kInk);
    FillCapsule(buffer.rows, 1, 1, 5, 5, inf, kInk);
    FillRing(buffer.rows, 10, 10, nan, 2, kInk);
    FillRing(buffer.rows, inf, 10, 5, 2, kInk);
    std::vector<PixelRun> runs;
    ThinLineRuns(buffer.rows, 1, nan, 5, 5, runs);
    EXPECT_TRUE(runs.empty());
    FillThinLine(buffer.rows, 1, 1, 5, inf, kInk);
    EXPECT_EQ(std::count(buffer.pixels.begin(), buffer.pixels.end(), kInk), 0);
}

// --- The ink map ----------------------------------------------------------

struct InkedBuffer : Buffer {
    InkMap ink;
    InkedBuffer(int width, int height, int offset = 0) : Buffer(width, height) {
        ink.reset(width, height, kPaper, false, offset);
        rows.ink = &ink;
    }
    long long firstUnmarked() const { return FirstUnmarkedInk(pixels.data(), rows.stride, ink); }
};

TEST(InkMap, PaperIsWrittenOnlyWhereMarkedAndUnmarksWhatItCoversWhole) {
    InkedBuffer buffer(100, 3);
    FillRuns(buffer.rows, {{1, 20, 22}, {1, 40, 41}}, kInk);
    EXPECT_TRUE(buffer.ink.marked(16, 1));
    EXPECT_TRUE(buffer.ink.marked(47, 1));
    EXPECT_FALSE(buffer.ink.marked(48, 1));
    // Ink the map was not told of stays: the stretch counts as paper.
    buffer.pixels[1 * buffer.rows.stride + 70] = kInk;
    FillRuns(buffer.rows, {{1, 0, 38}, {1, 35, 99}}, kPaper);
    EXPECT_FALSE(buffer.inked(21, 1));
    EXPECT_FALSE(buffer.inked(40, 1));
    EXPECT_TRUE(buffer.inked(70, 1));
    EXPECT_FALSE(buffer.ink.marked(20, 1));
    // Stretch 32–47 was painted over in two parts, neither whole: it keeps
    // its mark, as does a stretch only partly painted over.
    EXPECT_TRUE(buffer.ink.marked(40, 1));
    FillRuns(buffer.rows, {{2, 5, 9}}, kInk);
    FillRuns(buffer.rows, {{2, 0, 7}}, kPaper);
    EXPECT_TRUE(buffer.inked(8, 2));
    EXPECT_TRUE(buffer.ink.marked(8, 2));
}

TEST(InkMap, MarksAreCutToTheMapAndKeptWhenItGrows) {
    InkMap ink;
    ink.reset(20, 10, kPaper, false);
    ink.markRect(-50, -50, 3, 2);
    ink.markRun(9, 15, 1000);
    ink.markRun(10, 0, 5);
    EXPECT_TRUE(ink.marked(0, 0));
    EXPECT_TRUE(ink.marked(15, 2));
    EXPECT_FALSE(ink.marked(16, 2));
    EXPECT_FALSE(ink.marked(0, 3));
    EXPECT_TRUE(ink.marked(19, 9));
    EXPECT_FALSE(ink.marked(20, 9));
    ink.resize(40, 12, true);
    EXPECT_TRUE(ink.marked(3, 1));
    EXPECT_TRUE(ink.marked(16, 9));
    EXPECT_FALSE(ink.marked(35, 0));
    EXPECT_FALSE(ink.marked(5, 11));
    // New pixels that are not paper: the stretch shared with old pixels too.
    ink.resize(80, 14, false);
    EXPECT_TRUE(ink.marked(3, 1));
    EXPECT_FALSE(ink.marked(20, 1));
    EXPECT_TRUE(ink.marked(40, 1));
    EXPECT_TRUE(ink.marked(0, 13));
}

class InkMapShapes : public testing::TestWithParam<std::tuple<unsigned, int>> {};

// Random strokes, rings and thin lines in ink and in paper paint the same
// pixels with an ink map as without one, and the map marks all the ink.
TEST_P(InkMapShapes, PaintTheSamePixelsAsWithoutAMap) {
    const auto [seed, offset] = GetParam();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> coordinate(-40.0, 240.0);
    std::uniform_real_distribution<double> width(0.5, 30.0);
    Buffer plain(200, 120);
    InkedBuffer mapped(200, 120, offset);
    std::vector<PixelRun> runs;
    for (int i = 0; i < 400; ++i) {
        const std::uint32_t colour = random() % 3 == 0 ? kInk : kPaper;
        const double x0 = coordinate(random);
        const double y0 = coordinate(random) / 2.0;
        const double x1 = x0 + coordinate(random) / 4.0;
        const double y1 = y0 + coordinate(random) / 4.0;
        const double r = width(random);
        for (Buffer* buffer : {static_cast<Buffer*>(&plain), static_cast<Buffer*>(&mapped)}) {
            switch (i % 4) {
                case 0:
                    FillCapsule(buffer->rows, x0, y0, x1, y1, r, colour);
                    break;
                case 1:
                    FillRing(buffer->rows, x0, y0, r * 2.0, r / 4.0, colour);
                    break;
                case 2:
                    FillThinLine(buffer->rows, x0, y0, x1, y1, colour);
                    break;
                default:
                    CapsuleRuns(buffer->rows, x0, y0, x1, y1, r / 8.0, runs);
                    FillRuns(buffer->rows, runs, colour);
                    break;
            }
        }
        ASSERT_EQ(plain.pixels, mapped.pixels) << "after shape " << i;
    }
    EXPECT_EQ(mapped.firstUnmarked(), -1);
}

// Stretches on the buffer's own grid, and shifted as for memory that does
// not begin on a cache line.
INSTANTIATE_TEST_SUITE_P(SpanFill, InkMapShapes,
                         testing::Combine(testing::Values(1U, 2U, 3U), testing::Values(0, 4, 15)));

class PreparedRunsTest : public testing::TestWithParam<int> {};

// Runs made ready once and painted again and again, with paper painted over
// them in between, leave the pixels and marks that painting them afresh
// leaves, runs across the edge of two words of the map included; dash-dot
// lines give the runs they paint.
TEST_P(PreparedRunsTest, PaintWhatTheRunsPaint) {
    const int offset = GetParam();
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-40.0, 2140.0);
    constexpr double kPattern[] = {9.0, 4.0, 2.0, 4.0};
    InkedBuffer afresh(2100, 60, offset);
    InkedBuffer prepared(2100, 60, offset);
    for (int i = 0; i < 60; ++i) {
        const double x0 = coordinate(random);
        const double y0 = coordinate(random) / 35.0;
        const double x1 = coordinate(random);
        const double y1 = coordinate(random) / 35.0;
        std::vector<PixelRun> runs;
        if (i % 2 == 0) {
            CapsuleRuns(afresh.rows, x0, y0, x1, y1, 1.5, runs);
        } else {
            DashedThinLineRuns(afresh.rows, x0, y0, x1, y1, kPattern, i, runs);
            Buffer direct(2100, 60);
            FillDashedThinLine(direct.rows, x0, y0, x1, y1, kPattern, i, kInk);
            Buffer viaRuns(2100, 60);
            FillRuns(viaRuns.rows, runs, kInk);
            ASSERT_EQ(direct.pixels, viaRuns.pixels) << "dash-dot line " << i;
        }
        PreparedRuns ready;
        ready.prepare(prepared.rows, runs);
        ASSERT_TRUE(ready.fits(prepared.rows));
        for (int time = 0; time < 2; ++time) {
            FillRuns(afresh.rows, runs, kInk);
            ready.paint(prepared.rows, kInk);
            FillCapsule(afresh.rows, x0, y0 + 2.0, x1, y1 - 2.0, 3.0, kPaper);
            FillCapsule(prepared.rows, x0, y0 + 2.0, x1, y1 - 2.0, 3.0, kPaper);
            ASSERT_EQ(afresh.pixels, prepared.pixels) << "shape " << i;
        }
        ASSERT_EQ(prepared.firstUnmarked(), -1) << "shape " << i;
    }
    // Another layout of the map is another buffer.
    InkedBuffer shifted(2100, 60, offset + 1);
    PreparedRuns ready;
    ready.prepare(prepared.rows, {});
    EXPECT_FALSE(ready.fits(shifted.rows));
}

INSTANTIATE_TEST_SUITE_P(SpanFill, PreparedRunsTest, testing::Values(0, 4, 15));

TEST(InkMap, MarksFollowTheirPixelsWhenTheStretchesMove) {
    InkMap ink;
    ink.reset(100, 4, kPaper, false, 4);
    // Stretches start at pixels 12, 28, ...; the first holds pixels 0 to 11.
    ink.markRun(1, 5, 5);
    ink.markRun(2, 30, 30);
    EXPECT_TRUE(ink.marked(11, 1));
    EXPECT_FALSE(ink.marked(12, 1));
    EXPECT_TRUE(ink.marked(28, 2));
    EXPECT_FALSE(ink.marked(27, 2));
    ink.resize(100, 4, true, 0);
    EXPECT_EQ(ink.offset(), 0);
    // Pixels 0–11 were marked: now stretch 0–15 is.
    EXPECT_TRUE(ink.marked(5, 1));
    EXPECT_TRUE(ink.marked(15, 1));
    // Pixels 28–43 were marked: now stretches 16–31, 32–47.
    EXPECT_TRUE(ink.marked(16, 2));
    EXPECT_TRUE(ink.marked(47, 2));
    EXPECT_FALSE(ink.marked(48, 2));
    EXPECT_FALSE(ink.marked(5, 0));
}

// A thin line's runs: flat lines run along rows, steep ones have a pixel a row.
TEST(ThinLine, FlatLinesRunAlongRowsSteepOnesTakeAPixelARow) {
    Buffer buffer(60, 40);
    std::vector<PixelRun> runs;
    ThinLineRuns(buffer.rows, 2.0, 10.0, 12.0, 12.0, runs);
    // Centres 2.5 to 11.5; y = 10 + (x − 2)/5 crosses y = 11 at x = 7.
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_EQ(runs[0].row, 10);
    EXPECT_EQ(runs[0].first, 2);
    EXPECT_EQ(runs[0].last, 6);
    EXPECT_EQ(runs[1].row, 11);
    EXPECT_EQ(runs[1].first, 7);
    EXPECT_EQ(runs[1].last, 11);
    ThinLineRuns(buffer.rows, 5.5, 30.2, 5.5, 2.7, runs);
    // Rows 3 to 29, whose centres lie between 2.7 and 30.2.
    ASSERT_EQ(runs.size(), 27U);
    EXPECT_EQ(runs.front().row, 3);
    for (const PixelRun& run : runs) {
        EXPECT_EQ(run.first, 5);
        EXPECT_EQ(run.last, 5);
    }
}

// A level solid line is one run. The oracle walks it pixel by pixel: a dash
// pattern that is all ink inks every pixel a solid line does.
struct LevelLine {
    double x0;
    double x1;
    double y;
};
class ThinLineLevel : public testing::TestWithParam<LevelLine> {};

TEST_P(ThinLineLevel, IsTheRunThePixelWalkGives) {
    const LevelLine line = GetParam();
    Buffer buffer(60, 40);
    constexpr std::array<double, 2> kAllInk{1.0, 0.0};
    std::vector<PixelRun> runs;
    std::vector<PixelRun> walked;
    ThinLineRuns(buffer.rows, line.x0, line.y, line.x1, line.y, runs);
    DashedThinLineRuns(buffer.rows, line.x0, line.y, line.x1, line.y, kAllInk, 0.0, walked);
    ASSERT_EQ(runs.size(), walked.size());
    for (std::size_t k = 0; k < runs.size(); ++k) {
        EXPECT_EQ(runs[k].row, walked[k].row);
        EXPECT_EQ(runs[k].first, walked[k].first);
        EXPECT_EQ(runs[k].last, walked[k].last);
    }
    EXPECT_LE(runs.size(), 1U);
}

INSTANTIATE_TEST_SUITE_P(SpanFill, ThinLineLevel,
                         testing::Values(LevelLine{2.0, 12.0, 10.0},   // on a row edge
                                         LevelLine{12.3, 2.7, 10.5},   // right to left
                                         LevelLine{-1e9, 1e9, 39.99},  // across, last row
                                         LevelLine{5.0, 20.0, 40.0},   // below the buffer
                                         LevelLine{5.0, 20.0, -0.01},  // above it
                                         LevelLine{70.0, 90.0, 5.0},   // right of it
                                         LevelLine{3.2, 3.4, 7.0},     // no centre between
                                         LevelLine{-0.5, 0.5, 0.0}));  // one pixel, corner

}  // namespace
}  // namespace zorva
