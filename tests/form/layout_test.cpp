#include "form/layout.h"

#include <gtest/gtest.h>

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

TEST(LayOutControls, PushesWidenedButtonsAlongAndKeepsEveryControlOnAPhone) {
    Started s(390, 844);
    const ShownControls shown = LayOutControls(s.form, 15.0, DesktopNeeds(), 390, 844);
    EXPECT_EQ(shown.place[1].left, shown.place[0].right());
    EXPECT_EQ(shown.place[3].left, shown.place[1].right());
    EXPECT_EQ(shown.place[2].left, shown.place[3].right());
    for (const PixelRect& r : shown.place) {
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right(), std::max(390, r.width));
        EXPECT_LE(r.bottom(), 844);
    }
}

}  // namespace
}  // namespace zorva
