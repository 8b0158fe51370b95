#include "plot/display.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plot/arrow.h"
#include "plot/recording_surface.h"

namespace zorva {
namespace {

// Each primitive as a short token, so a whole display reads as a list.
std::string Token(const Primitive& p) {
    const std::string colour = std::to_string(p.colour.red) + "," + std::to_string(p.colour.green) +
                               "," + std::to_string(p.colour.blue);
    switch (p.kind) {
        case Primitive::Kind::Line:
            return "line " + colour + " w" + std::to_string(p.width) +
                   (p.style == kDashDot ? " dashdot" : "");
        case Primitive::Kind::Text:
            return "text '" + p.text + "' " + colour + (p.bold ? " bold" : "");
        default:
            return "other";
    }
}

std::vector<std::string> Tokens(const RecordingSurface& surface) {
    std::vector<std::string> out;
    for (const Primitive& p : surface.primitives()) {
        out.push_back(Token(p));
    }
    return out;
}

void Add(std::vector<std::string>& list, const std::string& token, int times = 1) {
    list.insert(list.end(), times, token);
}

constexpr const char* kWhite55 = "line 255,255,255 w55";

struct Fixture {
    SimulationState state;
    RecordingSurface surface{1920, 1080, 15.0};
    Fixture() {
        state.BaseWidth = 0.128;
        state.BaseHeight = 0.072;
        surface.Scale(-0.0256, 0.0576, 0.1024, -0.0144);
    }
};

ForceDisplayInput SomeForce(double fy = 5.886) {
    return {0.07, 0.001, 7.848, fy, 9.81, 0.069, 0.0005, 7.5, 5.5};
}

TEST(VelocityEraser, PaintsThreeWhiteArrowsAtTheAnchorWithTheTicksPen) {
    Fixture f;
    f.surface.DrawWidth = 55;
    VelocityEraser(f.surface, f.state, 0.07, 0.001, -2.0, 1.0, BarbLength(f.surface));
    std::vector<std::string> expected;
    Add(expected, kWhite55, 9);
    EXPECT_EQ(Tokens(f.surface), expected);
    const auto& p = f.surface.primitives();
    EXPECT_FLOAT_EQ(p[0].x2, 0.07f - 0.02f);  // the velocity itself
    EXPECT_FLOAT_EQ(p[3].x2, 0.07f);          // its vertical component
    EXPECT_FLOAT_EQ(p[6].y2, 0.001f);         // its horizontal component
}

TEST(ForceDisplay, WithNoBoxCheckedDrawsTotalForceAndBothForceLegends) {
    Fixture f;
    ForceDisplay(f.surface, f.state, {1, 0, 0, 0}, SomeForce());
    std::vector<std::string> expected;
    Add(expected, kWhite55, 17);  // five arrows and two construction lines
    Add(expected, "line 0,0,0 w3", 3);
    Add(expected, "text '       total FORCE' 0,0,0 bold");
    Add(expected, "line 0,0,0 w3", 3);
    Add(expected, "line 255,0,255 w1", 3);  // the magenta legend, without its label
    EXPECT_EQ(Tokens(f.surface), expected);
    EXPECT_EQ(f.surface.ForeColor, RGB(0, 0, 255));
}

TEST(ForceDisplay, WithEveryBoxCheckedAddsComponentsReactionWeightAndParallelogram) {
    Fixture f;
    ForceDisplay(f.surface, f.state, {1, 1, 1, 1}, SomeForce());
    std::vector<std::string> expected;
    Add(expected, kWhite55, 17);
    Add(expected, "line 0,0,0 w3", 3);
    Add(expected, "text '       total FORCE' 0,0,0 bold");
    Add(expected, "line 0,0,0 w3", 3);
    Add(expected, "line 255,0,255 w1", 6);  // vertical component, legend
    Add(expected, "text '      FORCEY,  FORCEX' 255,0,255");
    Add(expected, "line 255,0,255 w1", 3);  // horizontal component
    Add(expected, "line 0,0,255 w2", 6);    // reaction, legend
    Add(expected, "text '         N,  M\u00b7g' 0,0,255");
    Add(expected, "line 0,0,255 w2", 3);  // weight
    Add(expected, "line 0,0,255 w1", 2);  // construction lines
    EXPECT_EQ(Tokens(f.surface), expected);

    // The reaction's tip lies one weight above the force tip.
    const auto& p = f.surface.primitives();
    const Primitive& reaction = p[17 + 3 + 1 + 3 + 6 + 1 + 3];
    const Primitive& force = p[17];
    EXPECT_FLOAT_EQ(reaction.x2, force.x2);
    EXPECT_NEAR(reaction.y2 - force.y2, 0.00981, 1e-6);
}

TEST(ForceDisplay, ATinyVerticalComponentIsLeftOutButTheHorizontalOneIsNot) {
    Fixture f;
    ForceDisplay(f.surface, f.state, {1, 1, 0, 0}, SomeForce(0.0005));
    std::vector<std::string> expected;
    Add(expected, kWhite55, 17);
    Add(expected, "line 0,0,0 w3", 3);
    Add(expected, "text '       total FORCE' 0,0,0 bold");
    Add(expected, "line 0,0,0 w3", 3);
    Add(expected, "line 255,0,255 w1", 3);  // legend only
    Add(expected, "text '      FORCEY,  FORCEX' 255,0,255");
    Add(expected, "line 255,0,255 w1", 3);
    EXPECT_EQ(Tokens(f.surface), expected);
}

TEST(ForceDisplay, ErasersAreAnchoredAtTheStoredPositionWithThePreviousForce) {
    Fixture f;
    const ForceDisplayInput in = SomeForce();
    ForceDisplay(f.surface, f.state, {1, 0, 0, 0}, in);
    const auto& p = f.surface.primitives();
    EXPECT_FLOAT_EQ(p[0].x1, static_cast<float>(in.xa));
    EXPECT_FLOAT_EQ(p[0].x2, static_cast<float>(in.xa + 0.001 * in.lastFx));
    EXPECT_FLOAT_EQ(p[9].y2, static_cast<float>(in.ya + 0.001 * (in.W + in.lastFy)));
    EXPECT_FLOAT_EQ(p[12].y2, static_cast<float>(in.ya - 0.001 * in.W));
}

class VelocityDisplayBoxes : public testing::TestWithParam<int> {};

TEST_P(VelocityDisplayBoxes, DrawsVelocityLabelsAndDashDotComponents) {
    const int check2 = GetParam();
    Fixture f;
    f.surface.ForeColor = RGB(0, 0, 255);
    VelocityDisplay(f.surface, f.state, {1, 0, check2, 0}, 0.07, 0.001, -1.5, 0.5);
    std::vector<std::string> expected;
    Add(expected, "line 200,0,0 w3", 6);  // velocity and legend, solid
    Add(expected, "text '       V' 200,0,0 bold");
    if (check2 == 1) {
        Add(expected, "line 200,0,0 w1 dashdot", 9);  // two components and the legend
    }
    Add(expected, "text '       Vx,  Vy' 255,0,0");
    EXPECT_EQ(Tokens(f.surface), expected);
    EXPECT_EQ(f.surface.ForeColor, RGB(0, 0, 0));
    EXPECT_EQ(f.surface.DrawStyle, kSolid);
    EXPECT_EQ(f.surface.DrawWidth, 1);
}

INSTANTIATE_TEST_SUITE_P(Check2, VelocityDisplayBoxes, testing::Values(0, 1, 2));

TEST(Legend, RowsAndLabelPositionScaleWithTheFrame) {
    Fixture f;
    VelocityDisplay(f.surface, f.state, {3, 0, 0, 0}, 0.07, 0.001, -1.5, 0.5);
    const auto& p = f.surface.primitives();
    const Primitive& legend = p[3];
    EXPECT_FLOAT_EQ(legend.x1, static_cast<float>(0.01 * 0.128 * 3));
    EXPECT_FLOAT_EQ(legend.x2, static_cast<float>(0.33 * 0.128 * 3));
    EXPECT_FLOAT_EQ(legend.y1, static_cast<float>(0.60 * 0.072 * 3));
    const Primitive& label = p[6];
    EXPECT_FLOAT_EQ(label.x1, static_cast<float>(0.32 * 0.128 * 3));
    EXPECT_FLOAT_EQ(label.y1, static_cast<float>(0.60 * 0.072 * 3));
    EXPECT_FLOAT_EQ(p[7].y1, static_cast<float>(0.64 * 0.072 * 3));
}

}  // namespace
}  // namespace zorva
