// The Qt surface leaves the vector registers clear for its own painting,
// whatever the raster engine of Qt leaves behind.
#include <gtest/gtest.h>

#include "tests/raster/upper_state.h"
#include "ui/qt_surface.h"

namespace zorva {
namespace {

TEST(VectorState, AShapePaintedAfterTheRasterEnginesDotFindsThemClear) {
    QtSurface surface(64, 48, 15.0);
    surface.Scale(0, 0, 64, 48);
    surface.DrawWidth = 1;
    surface.PSet(10.5, 10.5, RGB(0, 255, 0));
    if (UpperStateInUse() != true) {
        GTEST_SKIP() << "the raster engine left nothing to clear here";
    }
    // A wide stroke is painted by the surface's own code from start to end.
    surface.DrawWidth = 9;
    surface.Line(5.0, 30.0, 50.0, 35.0, RGB(0, 0, 255));
    EXPECT_EQ(UpperStateInUse(), false);
}

}  // namespace
}  // namespace zorva
