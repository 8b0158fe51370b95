#include "plot/recording_surface.h"

#include <gtest/gtest.h>

namespace zorva {
namespace {

using Kind = Primitive::Kind;

TEST(Surface, ScaleIsInTwipsUntilSet) {
    RecordingSurface s(312, 206, 15.0);
    EXPECT_DOUBLE_EQ(s.ScaleWidth(), 4680);
    EXPECT_DOUBLE_EQ(s.ScaleHeight(), 3090);
    s.Scale(-1, 2, 3, -4);
    EXPECT_DOUBLE_EQ(s.ScaleWidth(), 4);
    EXPECT_DOUBLE_EQ(s.ScaleHeight(), -6);
    EXPECT_DOUBLE_EQ(s.ScaleLeft(), -1);
    EXPECT_DOUBLE_EQ(s.ScaleTop(), 2);
}

TEST(Surface, PrimitivesTakeForeColorWidthAndStyleUnlessGivenAColour) {
    RecordingSurface s;
    s.ForeColor = RGB(1, 2, 3);
    s.DrawWidth = 7;
    s.DrawStyle = kDashDot;
    s.Line(0, 0, 1, 1);
    s.Line(0, 0, 1, 1, RGB(9, 9, 9));
    s.PSet(0.5, 0.5);
    s.Circle(0, 0, 2, RGB(4, 5, 6));
    const auto& p = s.primitives();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].colour, RGB(1, 2, 3));
    EXPECT_EQ(p[0].width, 7);
    EXPECT_EQ(p[0].style, kDashDot);
    EXPECT_EQ(p[1].colour, RGB(9, 9, 9));
    EXPECT_EQ(p[2].kind, Kind::Dot);
    EXPECT_EQ(p[2].width, 7);
    EXPECT_EQ(p[3].radius, 2.0f);
    EXPECT_EQ(p[3].colour, RGB(4, 5, 6));
}

TEST(Surface, ClsErasesToBackColorAndHomesTheTextPosition) {
    RecordingSurface s;
    s.Scale(-1, 2, 3, -4);
    s.CurrentX = 1;
    s.CurrentY = 1;
    s.BackColor = RGB(10, 20, 30);
    s.Cls();
    ASSERT_EQ(s.primitives().size(), 1u);
    EXPECT_EQ(s.primitives()[0].kind, Kind::Clear);
    EXPECT_EQ(s.primitives()[0].colour, RGB(10, 20, 30));
    EXPECT_DOUBLE_EQ(s.CurrentX, -1);
    EXPECT_DOUBLE_EQ(s.CurrentY, 2);
}

TEST(Surface, PrintPutsTheTopLeftAtTheTextPositionAndMovesDownALine) {
    RecordingSurface s(100, 100, 15.0);
    s.Scale(0, 10, 10, 0);  // 10 px per unit, y up
    s.CurrentX = 3;
    s.CurrentY = 8;
    s.FontBold = true;
    s.ForeColor = RGB(200, 0, 0);
    s.Print("       V");
    const Primitive& text = s.primitives().back();
    EXPECT_EQ(text.text, "       V");
    EXPECT_EQ(text.x1, 3.0f);
    EXPECT_EQ(text.y1, 8.0f);
    EXPECT_TRUE(text.bold);
    EXPECT_EQ(text.colour, RGB(200, 0, 0));
    EXPECT_DOUBLE_EQ(s.CurrentX, 0);
    EXPECT_NEAR(s.CurrentY, 8 - 1.6, 1e-12);  // one 16-px line lower
}

TEST(Surface, CoordinatesAreHandedOverInSinglePrecision) {
    RecordingSurface s;
    s.Line(0.1, 0.2, 0.3, 0.4);
    EXPECT_EQ(s.primitives()[0].x1, 0.1f);
    EXPECT_EQ(s.primitives()[0].y2, 0.4f);
}

}  // namespace
}  // namespace zorva
