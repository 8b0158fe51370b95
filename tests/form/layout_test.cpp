#include "form/layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form/fixed_screen.h"
#include "form/form.h"
#include "plot/null_surface.h"
#include "sim/state.h"

namespace zorva {
namespace {

// The form started on a screen of the given size, at 15 twips a pixel.
struct Started {
    SimulationState state;
    NullSurface surface;
    Zerkan form{state, surface};
    Started(int width, int height) : surface(width, height, 15.0) {
        FixedScreen screen(surface, width, height);
        form.Main(screen);
    }
};

// Texts of a desktop font: captions, a long launch-speed readout, box captions.
std::array<NeededSize, kControlCount> DesktopNeeds() {
    std::array<NeededSize, kControlCount> needed{};
    for (std::size_t i = 0; i < kFirstBar; ++i) {
        needed[i] = {70, 0};
    }
    needed[kFirstReadout] = {520, 18};
    needed[kFirstReadout + 1] = {90, 18};
    needed[kFirstReadout + 2] = {70, 18};
    for (std::size_t i = kFirstBox; i < kControlCount; ++i) {
        needed[i] = {200, 22};
    }
    return needed;
}

TEST(LayOutControls, KeepsTheDesignWhereTheTextFitsAndWidensWhereItDoesNot) {
    Started s(1920, 1080);
    const ShownControls shown = LayOutControls(s.form, 15.0, DesktopNeeds(), 1920, 1080);
    // Buttons W/15 = 128 wide, left to right Time on, STOP, CONTINUE, step.
    EXPECT_EQ(shown.place[0], (PixelRect{0, 0, 128, 25}));
    EXPECT_EQ(shown.place[1].left, 128);
    EXPECT_EQ(shown.place[3].left, 256);
    EXPECT_EQ(shown.place[2].left, 384);
    // The launch-speed bar, fourth row; its readout as wide as its text.
    EXPECT_EQ(shown.place[kFirstBar], (PixelRect{48, 75, 384, 25}));
    EXPECT_EQ(shown.place[kFirstReadout].left, 432);
    EXPECT_EQ(shown.place[kFirstReadout].width, 640);
    // Check1's designed place, and its box at the place's top right.
    EXPECT_EQ(shown.place[kFirstBox], (PixelRect{504, 8, 369, 41}));
    EXPECT_EQ(shown.box[0], (PixelRect{673, 8, 200, 22}));
}

// Every screen from a phone to 4K at scale 1, and windows narrowed after
// start-up: no control lies over another, and each stays in the client area
// where it fits.
struct ScreenRow {
    int startWidth, startHeight;  // the screen at start-up
    int width, height;            // the client area now
};

class LayOutOnEveryScreen : public testing::TestWithParam<ScreenRow> {};

TEST_P(LayOutOnEveryScreen, PutsNoControlOverAnother) {
    const ScreenRow& row = GetParam();
    Started s(row.startWidth, row.startHeight);
    const ShownControls shown = LayOutControls(s.form, 15.0, DesktopNeeds(), row.width, row.height);
    std::vector<PixelRect> shownRects(shown.place.begin(), shown.place.begin() + kFirstBox);
    shownRects.insert(shownRects.end(), shown.box.begin(), shown.box.end());
    for (std::size_t i = 0; i < shownRects.size(); ++i) {
        const PixelRect& r = shownRects[i];
        EXPECT_GE(r.left, 0) << i;
        EXPECT_GE(r.top, 0) << i;
        EXPECT_LE(r.right(), std::max(row.width, r.width)) << i;
        EXPECT_LE(r.bottom(), row.height) << i;
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(Overlap(r, shownRects[j])) << j << " and " << i;
        }
    }
    // A check box's place keeps its box at its top right.
    for (std::size_t j = 0; j < shown.box.size(); ++j) {
        EXPECT_EQ(shown.box[j].top, shown.place[kFirstBox + j].top);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, LayOutOnEveryScreen,
    testing::Values(ScreenRow{390, 844, 390, 844}, ScreenRow{640, 360, 640, 360},
                    ScreenRow{1024, 768, 1024, 768}, ScreenRow{1366, 768, 1366, 768},
                    ScreenRow{1920, 1080, 1920, 1080}, ScreenRow{3840, 2160, 3840, 2160},
                    ScreenRow{1920, 1080, 980, 1000}, ScreenRow{3840, 2160, 1000, 700}),
    [](const auto& info) {
        const ScreenRow& r = info.param;
        return std::to_string(r.startWidth) + "x" + std::to_string(r.startHeight) + "As" +
               std::to_string(r.width) + "x" + std::to_string(r.height);
    });

TEST(ClearOf, TakesTheShortestMoveAndStaysInTheClientArea) {
    const std::vector<PixelRect> taken{{0, 0, 100, 20}, {100, 0, 100, 20}};
    // Down by 5 rather than right by 40.
    EXPECT_EQ(ClearOf({160, 15, 80, 30}, taken, 400, 300), (PixelRect{160, 20, 80, 30}));
    // Already clear: kept.
    EXPECT_EQ(ClearOf({0, 20, 50, 10}, taken, 400, 300), (PixelRect{0, 20, 50, 10}));
    // Up would leave the client area, so down.
    EXPECT_EQ(ClearOf({0, 2, 50, 10}, taken, 400, 300), (PixelRect{0, 20, 50, 10}));
}

}  // namespace
}  // namespace zorva
