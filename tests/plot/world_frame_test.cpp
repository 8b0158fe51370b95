#include "plot/world_frame.h"

#include <gtest/gtest.h>

namespace zorva {
namespace {

// The scale-1 frame of a 1920 × 1080 client: BaseWidth = 0.128, BaseHeight = 0.072.
const WorldFrame kFrame(-0.0256, 0.0576, 0.1024, -0.0144, 1920, 1080);

struct CornerRow {
    WorldPoint world;
    PixelPoint pixel;
};

class WorldFrameCorners : public testing::TestWithParam<CornerRow> {};

TEST_P(WorldFrameCorners, MapBothWays) {
    const CornerRow row = GetParam();
    const PixelPoint p = kFrame.toPixel(row.world);
    EXPECT_NEAR(p.x, row.pixel.x, 1e-9);
    EXPECT_NEAR(p.y, row.pixel.y, 1e-9);
    const WorldPoint w = kFrame.toWorld(row.pixel);
    EXPECT_NEAR(w.x, row.world.x, 1e-12);
    EXPECT_NEAR(w.y, row.world.y, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Table, WorldFrameCorners,
                         testing::Values(CornerRow{{-0.0256, 0.0576}, {0, 0}},
                                         CornerRow{{0.1024, -0.0144}, {1920, 1080}},
                                         CornerRow{{-0.0256, -0.0144}, {0, 1080}},
                                         // the origin: 20 % from the left, 20 % above the bottom
                                         CornerRow{{0, 0}, {384, 864}}));

TEST(WorldFrame, YPointsUpAndScaleIsIsotropic) {
    EXPECT_LT(kFrame.toPixel({0, 0.01}).y, kFrame.toPixel({0, 0}).y);
    const double perX = kFrame.toPixel({0.01, 0}).x - kFrame.toPixel({0, 0}).x;
    const double perY = kFrame.toPixel({0, 0}).y - kFrame.toPixel({0, 0.01}).y;
    EXPECT_NEAR(perX, perY, 1e-9);
    EXPECT_NEAR(kFrame.lengthToPixels(0.01), perX, 1e-9);
    EXPECT_GT(kFrame.width(), 0);
    EXPECT_LT(kFrame.height(), 0);
}

TEST(WorldFrame, ResizeKeepsTopLeftAndPixelSize) {
    const WorldFrame bigger = kFrame.resized(3840, 2160);
    EXPECT_EQ(bigger.left(), kFrame.left());
    EXPECT_EQ(bigger.top(), kFrame.top());
    EXPECT_NEAR(bigger.pixelsPerUnitX(), kFrame.pixelsPerUnitX(), 1e-6);
    const PixelPoint before = kFrame.toPixel({0.05, 0.01});
    const PixelPoint after = bigger.toPixel({0.05, 0.01});
    EXPECT_NEAR(before.x, after.x, 1e-9);
    EXPECT_NEAR(before.y, after.y, 1e-9);
}

}  // namespace
}  // namespace zorva
