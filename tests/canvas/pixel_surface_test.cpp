#include "canvas/pixel_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "curve/curve.h"
#include "form/fixed_screen.h"
#include "form/form.h"
#include "sim/state.h"

#include "tests/raster/pixel_reference.h"

namespace zorva {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFU;
constexpr Colour kWhiteColour = RGB(255, 255, 255);
constexpr double kPi = std::numbers::pi;
// Pixels whose centre lies this close to the edge of a shape may go either way.
constexpr double kEdgeTiePx = 1.0 / 32.0;

// Text for tests: a cell 6 pixels wide (7 when bold) a character, its middle
// blended half way to the colour at each printing, so that a label printed
// again and again darkens until it stops changing, as antialiased glyphs do.
class TestText : public TextPainter {
  public:
    static constexpr int kLineHeight = 12;
    PixelBox paint(const ImageView& image, std::string_view text, double x, double y,
                   std::uint32_t colour, bool bold, const PixelBox& within) override {
        ++paintings;
        const int cell = bold ? 7 : 6;
        const int left = static_cast<int>(std::lround(x));
        const int top = static_cast<int>(std::lround(y));
        const int x0 = std::max({left, 0, within.left});
        const int y0 = std::max({top, 0, within.top});
        const int x1 = std::min(
            {left + cell * static_cast<int>(text.size()), image.width, within.left + within.width});
        const int y1 = std::min({top + kLineHeight, image.height, within.top + within.height});
        for (int row = std::max(top + 2, y0); row < std::min(top + 10, y1); ++row) {
            for (int col = x0; col < x1; ++col) {
                if ((col - left) % cell == 0 || text[(col - left) / cell] == ' ') {
                    continue;
                }
                std::uint32_t& pixel = image.pixels[row * image.stride + col];
                std::uint32_t out = 0xFF000000U;
                for (unsigned shift = 0; shift < 24; shift += 8) {
                    const std::uint32_t a = (pixel >> shift) & 0xFFU;
                    const std::uint32_t b = (colour >> shift) & 0xFFU;
                    out |= ((a + b + 1) / 2) << shift;
                }
                pixel = out;
            }
        }
        return x0 < x1 && y0 < y1 ? PixelBox{x0, y0, x1 - x0, y1 - y0} : PixelBox{};
    }
    double lineHeight() const override { return kLineHeight; }
    int paintings = 0;
};

// Memory that can be refused, as a system out of memory refuses it.
class TestMemory : public HeapMemory {
  public:
    std::uint32_t* allocate(std::size_t count) noexcept override {
        return count > mostPixels ? nullptr : HeapMemory::allocate(count);
    }
    std::size_t mostPixels = std::numeric_limits<std::size_t>::max();
};

// A surface with its memory and text, in Qt's pixel order.
struct CanvasParts {
    TestMemory memory;
    TestText text;
};
struct Canvas : CanvasParts, PixelSurface {
    Canvas(int widthPx, int heightPx, double ratio = 1.0)
        : PixelSurface(widthPx, heightPx, 15.0, PixelOrder::Xrgb, memory, text, ratio) {}
};

// A surface whose world units are its logical pixels, y downwards.
std::unique_ptr<Canvas> PixelCanvas(int widthPx, int heightPx, double ratio = 1.0) {
    auto canvas = std::make_unique<Canvas>(widthPx, heightPx, ratio);
    canvas->Scale(0, 0, widthPx, heightPx);
    return canvas;
}

std::uint32_t Pixel(const PixelSurface& s, int x, int y) {
    return s.image().pixels[y * s.image().stride + x];
}

bool Inked(const PixelSurface& s, int x, int y) {
    return Pixel(s, x, y) != kWhite;
}

int InkCount(const PixelSurface& s) {
    int count = 0;
    ForEachPixel(s.image().width, s.image().height,
                 [&](int x, int y) { count += Inked(s, x, y) ? 1 : 0; });
    return count;
}

// Within the box of device pixels from (left, top), width × height (the whole
// image when not given): the smallest box holding every pixel that is not
// white (empty when none is), and all the pixels, row after row.
struct Window {
    int left = 0;
    int top = 0;
    int width = -1;
    int height = -1;
};

PixelBox InkBox(const PixelSurface& s, Window w = {}) {
    int x0 = INT_MAX;
    int y0 = INT_MAX;
    int x1 = -1;
    int y1 = -1;
    ForEachPixel(w.width < 0 ? s.image().width : w.width,
                 w.height < 0 ? s.image().height : w.height, [&](int x, int y) {
                     if (Inked(s, w.left + x, w.top + y)) {
                         x0 = std::min(x0, x);
                         y0 = std::min(y0, y);
                         x1 = std::max(x1, x);
                         y1 = std::max(y1, y);
                     }
                 });
    return x1 < 0 ? PixelBox{} : PixelBox{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

std::vector<std::uint32_t> Pixels(const PixelSurface& s, Window w = {}) {
    std::vector<std::uint32_t> out;
    ForEachPixel(w.width < 0 ? s.image().width : w.width,
                 w.height < 0 ? s.image().height : w.height,
                 [&](int x, int y) { out.push_back(Pixel(s, w.left + x, w.top + y)); });
    return out;
}

double DistanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax;
    const double dy = by - ay;
    const double lengthSquared = dx * dx + dy * dy;
    const double t = lengthSquared == 0.0
                         ? 0.0
                         : std::clamp(((px - ax) * dx + (py - ay) * dy) / lengthSquared, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// --- The image --------------------------------------------------------------

TEST(PixelSurfaceImage, StartsWhiteAtTheClientSizeInEitherPixelOrder) {
    Canvas canvas(320, 200);
    EXPECT_EQ(canvas.image().width, 320);
    EXPECT_EQ(canvas.image().height, 200);
    EXPECT_EQ(InkCount(canvas), 0);
    EXPECT_EQ(PixelOf(RGB(1, 2, 3), PixelOrder::Xrgb), 0xFF010203U);
    EXPECT_EQ(PixelOf(RGB(1, 2, 3), PixelOrder::Xbgr), 0xFF030201U);
    EXPECT_EQ(PixelOf(RGB(-5, 300, 0), PixelOrder::Xrgb), 0xFF00FF00U);
}

TEST(PixelSurfaceImage, DevicePixelRatioTwoKeepsTheImageAtDeviceResolution) {
    auto canvas = PixelCanvas(320, 200, 2.0);
    canvas->PSet(10.5, 5.5);
    canvas->DrawWidth = 3;
    canvas->Line(50, 100.5, 250, 100.5);
    EXPECT_EQ(canvas->image().width, 640);
    EXPECT_EQ(canvas->image().height, 400);
    // The one-pixel dot covers one logical pixel: two by two device pixels.
    EXPECT_EQ(InkBox(*canvas, {0, 0, 100, 50}), (PixelBox{20, 10, 2, 2}));
    // The three-pixel line is six device pixels thick.
    EXPECT_EQ(InkBox(*canvas, {300, 0, 1, 400}), (PixelBox{0, 198, 1, 6}));
}

TEST(PixelSurfaceImage, ClsFillsTheImageWithTheBackColour) {
    auto canvas = PixelCanvas(60, 40);
    canvas->DrawWidth = 5;
    canvas->Line(0, 0, 60, 40);
    canvas->BackColor = RGB(10, 200, 30);
    canvas->Cls();
    const std::vector<std::uint32_t> pixels = Pixels(*canvas);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF0AC81EU), 60 * 40);
}

TEST(PixelSurfaceImage, TellsWhereItChangedInBoxesOfWholeBandsAndStretches) {
    auto canvas = PixelCanvas(60, 40);
    EXPECT_EQ(canvas->takeChangedBoxes(),
              (std::vector<PixelBox>{{0, 0, 60, 16}, {0, 16, 60, 16}, {0, 32, 60, 8}}));
    EXPECT_TRUE(canvas->takeChangedBoxes().empty());
    canvas->DrawWidth = 3;
    canvas->Line(20, 20.5, 30, 20.5);
    const std::vector<PixelBox> boxes = canvas->takeChangedBoxes();
    ASSERT_EQ(boxes.size(), 1U);
    const PixelBox& box = boxes[0];
    EXPECT_EQ(box.top, 16);
    EXPECT_EQ(box.height, 16);
    EXPECT_LE(box.left, 18);
    EXPECT_GE(box.left + box.width, 32);
    EXPECT_LE(box.width, 16 + 2 * PixelSurface::kChangeColumns);
}

class PixelSurfaceChanges : public testing::TestWithParam<double> {};

// The window's form, drawing on a 480×320 canvas at a device-pixel ratio.
struct FormOnCanvas {
    explicit FormOnCanvas(double ratio)
        : canvas(480, 320, ratio), form(state, canvas), host(canvas, 480, 320) {
        form.SetLogCapacity(0);
        form.Main(host);
    }
    Canvas canvas;
    SimulationState state;
    Zerkan form;
    FixedScreen host;
};

// What a class does with the window: runs at POLTAX 20 and 7 with every box
// ticked, the velocity's components unticked and a click on the curve
// midway, and a rescale after each run. look(what, tick) is called after
// each tick ("tick"), after the click ("click") and after a rescale
// ("rescaled", tick 0).
template <typename Look>
void UseTheWindow(FormOnCanvas& window, const Look& look) {
    Zerkan& form = window.form;
    const SimulationState& state = window.state;
    form.Check1.SetValue(1);
    form.Check2.SetValue(1);
    form.Check3.SetValue(1);
    for (const int poltax : {20, 7}) {
        form.POLTAX.SetValue(poltax);
        form.Command1.Press();
        for (int tick = 1; tick <= 900 && form.Timer1.Active(); ++tick) {
            form.Timer1.Elapse();
            look("tick", tick);
            if (tick == 400) {
                form.Check2.SetValue(0);
                const auto x = static_cast<float>(state.PosX / 2.0);
                form.MouseDown(1, 0, x, static_cast<float>(CurveHeight(state.a, state.b, x)));
                look("click", tick);
            }
        }
        form.klimax.SetValue(poltax == 20 ? 3 : 1);
        look("rescaled", 0);
    }
}

// A front end copies only the boxes the surface says changed, so every pixel
// that changed must lie in one, after whatever the window draws: ticks with
// every box, erasers over last tick's arrows, the strokes it keeps, labels,
// clicked circles, rescaling and growing. The boxes come band by band, left
// to right, and do not overlap.
TEST_P(PixelSurfaceChanges, BoxesHoldEveryPixelThatChanged) {
    FormOnCanvas window(GetParam());
    PixelSurface& surface = window.canvas;
    std::vector<std::uint32_t> shown;
    int checks = 0;
    const auto check = [&](const char* what) {
        const std::vector<std::uint32_t> now = Pixels(surface);
        const int width = surface.image().width;
        std::vector<bool> copied(now.size(), false);
        int lastTop = -1;
        int lastRight = -1;
        for (const PixelBox& box : surface.takeChangedBoxes()) {
            ASSERT_EQ(box.top % PixelSurface::kChangeRows, 0) << what;
            ASSERT_TRUE(box.top > lastTop || (box.top == lastTop && box.left > lastRight)) << what;
            lastRight = box.left + box.width - 1;
            lastTop = box.top;
            ForEachPixel(box.width, box.height, [&](int x, int y) {
                copied[static_cast<std::size_t>(box.top + y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(box.left + x)] = true;
            });
        }
        if (shown.size() == now.size()) {
            for (std::size_t i = 0; i < now.size(); ++i) {
                ASSERT_TRUE(now[i] == shown[i] || copied[i])
                    << what << ": pixel " << i % width << ", " << i / width << " not copied";
            }
            ++checks;
        } else {
            // A new image's pixels are all new.
            EXPECT_EQ(std::count(copied.begin(), copied.end(), true),
                      static_cast<std::ptrdiff_t>(now.size()))
                << what;
        }
        shown = now;
    };
    check("start-up");
    UseTheWindow(window, [&](const char* what, int tick) {
        if (tick % 7 == 0 || tick < 5) {
            check(what);
        }
    });
    surface.Resize(560, 360);
    check("grown");
    window.form.Command1.Press();
    window.form.Timer1.Elapse();
    check("tick after growing");
    EXPECT_GT(checks, 200);
}

INSTANTIATE_TEST_SUITE_P(PixelSurface, PixelSurfaceChanges, testing::Values(1.0, 2.0));

class PixelSurfaceGrowth : public testing::TestWithParam<int> {};

TEST_P(PixelSurfaceGrowth, GrowingClientKeepsWhatWasDrawnAndNeverShrinks) {
    const int ratio = GetParam();
    auto canvas = PixelCanvas(100, 80, ratio);
    canvas->PSet(10.5, 10.5);
    canvas->Resize(60, 50);
    EXPECT_EQ(canvas->image().width, 100 * ratio);
    // Outside the smaller client area but inside the image: kept too.
    canvas->PSet(90.5, 70.5);
    canvas->Resize(200, 150);
    ASSERT_EQ(canvas->image().width, 200 * ratio);
    ASSERT_EQ(canvas->image().height, 150 * ratio);
    EXPECT_EQ(InkCount(*canvas), 2 * ratio * ratio);
    EXPECT_TRUE(Inked(*canvas, 10 * ratio, 10 * ratio));
    EXPECT_TRUE(Inked(*canvas, 90 * ratio, 70 * ratio));
    canvas->PSet(150.5, 120.5);
    EXPECT_TRUE(Inked(*canvas, 150 * ratio, 120 * ratio));
}

TEST_P(PixelSurfaceGrowth, StopsAtAnEightKScreenAndDrawsOnlyWithinIt) {
    const int ratio = GetParam();
    auto canvas = PixelCanvas(100, 80, ratio);
    const int wider = PixelSurface::kMaxImageWidth / ratio + 10;
    const int taller = PixelSurface::kMaxImageHeight / ratio + 10;
    canvas->Resize(wider, taller);
    EXPECT_EQ(canvas->image().width, PixelSurface::kMaxImageWidth);
    EXPECT_EQ(canvas->image().height, PixelSurface::kMaxImageHeight);
    canvas->Line(0.5, 2.5, wider - 0.5, 2.5);
    EXPECT_TRUE(Inked(*canvas, 2 * ratio, 2 * ratio));
}

INSTANTIATE_TEST_SUITE_P(PixelSurface, PixelSurfaceGrowth, testing::Values(1, 2));

TEST(PixelSurfaceImage, WithoutMemoryForAGrowthTheImageStaysAsItWas) {
    auto canvas = PixelCanvas(100, 80);
    canvas->memory.mostPixels = std::size_t{100} * 80;
    canvas->Resize(4000, 4000);
    canvas->Line(0.5, 2.5, 3999.5, 2.5);
    EXPECT_EQ(canvas->image().width, 100);
    EXPECT_EQ(canvas->image().height, 80);
    EXPECT_TRUE(Inked(*canvas, 2, 2));
}

TEST(PixelSurfaceImage, WithoutMemoryForTheFirstImageNothingIsDrawnAndNothingFails) {
    TestMemory memory;
    memory.mostPixels = 0;
    TestText text;
    PixelSurface surface(100, 80, 15.0, PixelOrder::Xrgb, memory, text);
    EXPECT_EQ(surface.image().pixels, nullptr);
    surface.Scale(0, 0, 100, 80);
    surface.Cls();
    surface.DrawWidth = 55;
    surface.Line(0, 0, 100, 80);
    surface.Circle(50, 40, 30);
    surface.PSet(5, 5);
    surface.Print("text");
    surface.Resize(200, 100);
    EXPECT_EQ(surface.image().pixels, nullptr);
}

// --- Dots -------------------------------------------------------------------

struct DotRow {
    std::string name;
    int widthPx, heightPx;
    double x1, y1, x2, y2;  // Scale
    double x, y;            // the point, world units
    int pixelX, pixelY;     // where it must land
};

void PrintTo(const DotRow& row, std::ostream* os) {
    *os << row.name;
}

class PixelSurfaceDot : public testing::TestWithParam<DotRow> {};

TEST_P(PixelSurfaceDot, LandsOnThePixelTheFramePutsItOn) {
    const DotRow& row = GetParam();
    Canvas canvas(row.widthPx, row.heightPx);
    canvas.Scale(row.x1, row.y1, row.x2, row.y2);
    canvas.PSet(row.x, row.y, RGB(0, 255, 0));
    EXPECT_EQ(InkCount(canvas), 1);
    EXPECT_EQ(Pixel(canvas, row.pixelX, row.pixelY), 0xFF00FF00U);
}

// On a 200 × 100 client, Scale(−1, 1)-(1, −1) makes a pixel 0.01 wide and
// 0.02 high, with y upwards.
INSTANTIATE_TEST_SUITE_P(
    PixelSurface, PixelSurfaceDot,
    testing::Values(DotRow{"PixelsTopLeftCorner", 200, 100, 0, 0, 200, 100, 0, 0, 0, 0},
                    DotRow{"PixelsBottomRight", 200, 100, 0, 0, 200, 100, 199.5, 99.5, 199, 99},
                    DotRow{"PixelsInner", 200, 100, 0, 0, 200, 100, 57.2, 31.99, 57, 31},
                    DotRow{"UpTopLeft", 200, 100, -1, 1, 1, -1, -0.995, 0.99, 0, 0},
                    DotRow{"UpBottomRight", 200, 100, -1, 1, 1, -1, 0.995, -0.99, 199, 99},
                    DotRow{"UpCentre", 200, 100, -1, 1, 1, -1, 0.005, 0.01, 100, 49},
                    DotRow{"XLeftwards", 100, 50, 10, 0, 0, 5, 9.95, 0.05, 0, 0}),
    [](const testing::TestParamInfo<DotRow>& info) { return info.param.name; });

class PixelSurfaceDotDiameter : public testing::TestWithParam<int> {};

TEST_P(PixelSurfaceDotDiameter, IsDrawWidthAcrossEveryWayAndSymmetric) {
    const int diameter = GetParam();
    auto canvas = PixelCanvas(60, 60);
    canvas->DrawWidth = diameter;
    canvas->PSet(30.3, 30.6);
    const PixelBox box = InkBox(*canvas);
    EXPECT_EQ(box.width, diameter);
    EXPECT_EQ(box.height, diameter);
    // Centred on the pixel that holds the point (odd), (30.5, 30.5), or on the
    // pixel corner nearest to it (even), (30, 31).
    const bool odd = diameter % 2 == 1;
    const int right = box.left + box.width - 1;
    const int bottom = box.top + box.height - 1;
    EXPECT_EQ(box.left + right + 1, odd ? 61 : 60);
    EXPECT_EQ(box.top + bottom + 1, odd ? 61 : 62);
    ForEachPixel(diameter, diameter, [&](int i, int j) {
        const int x = box.left + i;
        const int y = box.top + j;
        ASSERT_EQ(Inked(*canvas, x, y), Inked(*canvas, right - i, y)) << x << ", " << y;
        ASSERT_EQ(Inked(*canvas, x, y), Inked(*canvas, x, bottom - j)) << x << ", " << y;
        ASSERT_EQ(Inked(*canvas, x, y), Inked(*canvas, box.left + j, box.top + i));
    });
    if (diameter >= 4) {
        // Round, not square.
        EXPECT_FALSE(Inked(*canvas, box.left, box.top));
    }
}

INSTANTIATE_TEST_SUITE_P(PixelSurface, PixelSurfaceDotDiameter,
                         testing::Values(1, 2, 3, 4, 14, 15));

TEST(PixelSurfaceDotDiameter, ZeroLengthLineAndZeroRadiusCircleAreDotsOfThePenWidth) {
    auto line = PixelCanvas(60, 60);
    auto circle = PixelCanvas(60, 60);
    auto dot = PixelCanvas(60, 60);
    for (Canvas* canvas : {line.get(), circle.get(), dot.get()}) {
        canvas->DrawWidth = 15;
    }
    line->Line(30.3, 30.6, 30.3, 30.6);
    circle->Circle(30.3, 30.6, 0.0);
    dot->PSet(30.3, 30.6);
    EXPECT_EQ(InkBox(*line), (PixelBox{23, 23, 15, 15}));
    EXPECT_EQ(Pixels(*line), Pixels(*dot));
    EXPECT_EQ(Pixels(*circle), Pixels(*dot));
}

// --- Line styles ------------------------------------------------------------

struct StyleRow {
    std::string name;
    int style;
    int widthPx;
    bool vertical;
    double ratio;
};

void PrintTo(const StyleRow& row, std::ostream* os) {
    *os << row.name;
}

class PixelSurfaceLineStyle : public testing::TestWithParam<StyleRow> {};

// Run lengths of ink and of white along the line's middle, from its start to its end.
TEST_P(PixelSurfaceLineStyle, DashDotHasDashesDotsAndGapsSolidHasNone) {
    const StyleRow& row = GetParam();
    auto canvas = PixelCanvas(200, 200, row.ratio);
    canvas->DrawWidth = row.widthPx;
    canvas->DrawStyle = row.style;
    if (row.vertical) {
        canvas->Line(100.5, 10, 100.5, 190);
    } else {
        canvas->Line(10, 100.5, 190, 100.5);
    }
    const auto r = static_cast<int>(row.ratio);
    std::vector<int> inkRuns;
    std::vector<int> gapRuns;
    int run = 0;
    bool inRun = true;
    for (int i = 10 * r; i < 190 * r; ++i) {
        const bool ink = row.vertical ? Inked(*canvas, 100 * r, i) : Inked(*canvas, i, 100 * r);
        if (ink != inRun) {
            (inRun ? inkRuns : gapRuns).push_back(run);
            run = 0;
            inRun = ink;
        }
        ++run;
    }
    (inRun ? inkRuns : gapRuns).push_back(run);
    if (row.style == kSolid) {
        EXPECT_EQ(inkRuns, std::vector<int>{180 * r});
        EXPECT_TRUE(gapRuns.empty());
        return;
    }
    ASSERT_GE(gapRuns.size(), 4U);
    const auto [shortest, longest] = std::minmax_element(inkRuns.begin(), inkRuns.end());
    EXPECT_GE(*longest, 3 * *shortest) << "dashes and dots";
    for (const int gap : gapRuns) {
        EXPECT_GE(gap, row.widthPx * r);
    }
}

INSTANTIATE_TEST_SUITE_P(PixelSurface, PixelSurfaceLineStyle,
                         testing::Values(StyleRow{"SolidOne", kSolid, 1, false, 1.0},
                                         StyleRow{"SolidThree", kSolid, 3, true, 1.0},
                                         StyleRow{"DashDotOne", kDashDot, 1, false, 1.0},
                                         StyleRow{"DashDotOneVertical", kDashDot, 1, true, 1.0},
                                         StyleRow{"DashDotOneAtTwo", kDashDot, 1, false, 2.0},
                                         StyleRow{"DashDotTwo", kDashDot, 2, false, 1.0},
                                         StyleRow{"DashDotThree", kDashDot, 3, true, 1.0}),
                         [](const auto& info) { return info.param.name; });

TEST(PixelSurfaceLineStyle, DashDotKeepsItsPhaseWhereTheLineIsClipped) {
    // The same line on a narrow image, which cuts off its first 190 pixels,
    // and on a wide one, which shows it whole with the narrow one's pixels
    // 200 columns to the right.
    auto narrow = PixelCanvas(160, 20);
    Canvas wide(360, 20);
    wide.Scale(-200, 0, 160, 20);
    for (PixelSurface* surface :
         {static_cast<PixelSurface*>(narrow.get()), static_cast<PixelSurface*>(&wide)}) {
        surface->DrawStyle = kDashDot;
        surface->Line(-190.3, 10.5, 150, 10.5);
    }
    ASSERT_GT(InkCount(*narrow), 0);
    EXPECT_EQ(Pixels(*narrow), Pixels(wide, {200, 0, 160, 20}));
}

// --- Circles ----------------------------------------------------------------

// Centre and radius are single precision, as the surface hands them on.
struct RingRow {
    std::string name;
    int widthPx;
    float radiusPx;
    float centreX, centreY;  // pixels
};

void PrintTo(const RingRow& row, std::ostream* os) {
    *os << row.name;
}

// The centre of a circle whose outline passes through (x, y) at the angle
// (y downwards) seen from its centre.
RingRow Through(std::string name, int widthPx, double radiusPx, double angleDeg, double x = 80.3,
                double y = 60.7) {
    const double a = angleDeg * kPi / 180.0;
    return {std::move(name), widthPx, static_cast<float>(radiusPx),
            static_cast<float>(x - radiusPx * std::cos(a)),
            static_cast<float>(y - radiusPx * std::sin(a))};
}

// Inked are exactly the pixels whose centre lies within half a pen width of
// the circle, but for those on the edge to within a tie; tieOffRing widens
// the tie for circles stood for by their chords.
void ExpectRing(const PixelSurface& s, double centreX, double centreY, double radiusPx, int widthPx,
                double tie = kEdgeTiePx) {
    const Mismatches wrong = FindMismatches(s.image().width, s.image().height, [&](int x, int y) {
        const std::optional<bool> in = InRing(x, y, centreX, centreY, radiusPx, widthPx / 2.0, tie);
        return in.has_value() && Inked(s, x, y) != *in;
    });
    EXPECT_EQ(wrong.count, 0) << "first at " << wrong.firstX << ", " << wrong.firstY;
    EXPECT_GT(InkCount(s), 0);
}

class PixelSurfaceCircle : public testing::TestWithParam<RingRow> {};

TEST_P(PixelSurfaceCircle, OutlineLiesAtTheRadius) {
    const RingRow& row = GetParam();
    auto canvas = PixelCanvas(160, 120);
    canvas->DrawWidth = row.widthPx;
    canvas->Circle(row.centreX, row.centreY, row.radiusPx);
    // Beyond a million pixels a ring is drawn as chords, each within 1/64
    // pixel of the circle.
    const double tie = row.radiusPx > 1e6 ? 1.0 / 16.0 : kEdgeTiePx;
    ExpectRing(*canvas, row.centreX, row.centreY, row.radiusPx, row.widthPx, tie);
}

INSTANTIATE_TEST_SUITE_P(PixelSurface, PixelSurfaceCircle,
                         testing::Values(RingRow{"OnePixel", 1, 40.0, 80.3, 60.7},
                                         RingRow{"ThreePixels", 3, 40.0, 80.3, 60.7},
                                         RingRow{"WiderThanItsHole", 55, 40.0, 80.3, 60.7},
                                         RingRow{"AllHole", 55, 20.0, 80.3, 60.7},
                                         RingRow{"AroundTheImage", 55, 90.0, 80.3, 60.7},
                                         RingRow{"AcrossACorner", 3, 100.0, 170.2, -10.4},
                                         RingRow{"CentreOffTheImage", 55, 30.0, -40.0, 60.7},
                                         Through("HugeAtThirtyThree", 55, 8500.0, 33.0),
                                         Through("HugeAtThreeHundred", 55, 8500.0, 300.0),
                                         Through("HugeThinAtSixtySeven", 1, 8500.0, 67.5),
                                         Through("EdgeJustReachesIn", 55, 8500.0, 0.0, -22.5),
                                         Through("RadiusOfAMillionPixels", 3, 1e6, 40.0),
                                         Through("RadiusOfTwoMillionPixels", 3, 2e6, 90.0),
                                         Through("RadiusOfABillionPixels", 55, 1e9, 90.0)),
                         [](const auto& info) { return info.param.name; });

TEST(PixelSurfaceCircle, RadiusIsInXUnits) {
    // Two pixels to an x unit, half a pixel to a y unit.
    Canvas canvas(160, 120);
    canvas.Scale(0, 0, 80, 240);
    canvas.Circle(40.15, 120.3, 20);
    ExpectRing(canvas, 80.3, 60.15, 40, 1);
}

class PixelSurfaceDashedCircle : public testing::TestWithParam<double> {};

// A dash-dot circle, as small as the screen or as large as a million pixels.
TEST_P(PixelSurfaceDashedCircle, HasGapsOnTheSameRing) {
    const double radius = GetParam();
    const RingRow row = Through("", 1, radius, 45.0);
    auto solid = PixelCanvas(160, 120);
    auto dashDot = PixelCanvas(160, 120);
    dashDot->DrawStyle = kDashDot;
    for (PixelSurface* surface :
         {static_cast<PixelSurface*>(solid.get()), static_cast<PixelSurface*>(dashDot.get())}) {
        surface->Circle(row.centreX, row.centreY, row.radiusPx);
    }
    int gaps = 0;
    ForEachPixel(160, 120, [&](int x, int y) {
        if (Inked(*dashDot, x, y)) {
            ASSERT_LE(OffRing(x, y, row.centreX, row.centreY, row.radiusPx), 1.5) << x << ", " << y;
        }
        gaps += Inked(*solid, x, y) && !Inked(*dashDot, x, y) ? 1 : 0;
    });
    EXPECT_GT(InkCount(*dashDot), InkCount(*solid) / 2);
    EXPECT_GT(gaps, InkCount(*solid) / 5);
}

INSTANTIATE_TEST_SUITE_P(PixelSurface, PixelSurfaceDashedCircle, testing::Values(40.0, 3e6));

TEST(PixelSurfaceInput, NonFiniteAndAstronomicalCoordinatesAreSafe) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto canvas = PixelCanvas(160, 120);
    canvas->DrawWidth = 55;
    canvas->Line(nan, 0, 10, 10);
    canvas->Line(0, 0, inf, 10);
    canvas->PSet(inf, 10);
    canvas->Circle(nan, 60, 10);
    canvas->Circle(80, 60, inf);
    // The image lies in the hole of these rings, then wholly outside one.
    canvas->Circle(80, 60, 1e30);
    canvas->Circle(80, 60, 1000);
    canvas->Circle(-8500 - 40, 60, 8500);
    canvas->CurrentX = -1e30;
    canvas->Print("far left");
    EXPECT_EQ(InkCount(*canvas), 0);
    // A line from beyond any screen to beyond any screen still shows its middle.
    canvas->DrawWidth = 1;
    canvas->Line(-1e30, 60.5, 1e30, 60.5);
    EXPECT_EQ(InkBox(*canvas), (PixelBox{0, 60, 160, 1}));
}

// --- Clipping changes no pixel ----------------------------------------------

struct LineRow {
    std::string name;
    double x1, y1, x2, y2;
};

void PrintTo(const LineRow& row, std::ostream* os) {
    *os << row.name;
}

class PixelSurfaceLongLine : public testing::TestWithParam<std::tuple<LineRow, int>> {};

// The pixels of the whole stroke with round ends, however far beyond the
// image it runs: only pixels whose centre lies on its edge may go either way.
TEST_P(PixelSurfaceLongLine, GivesThePixelsOfTheUnclippedLine) {
    const LineRow& row = std::get<0>(GetParam());
    const int widthPx = std::get<1>(GetParam());
    auto canvas = PixelCanvas(160, 120);
    canvas->DrawWidth = widthPx;
    canvas->Line(row.x1, row.y1, row.x2, row.y2);
    // The surface hands coordinates on in single precision.
    const double ax = static_cast<float>(row.x1);
    const double ay = static_cast<float>(row.y1);
    const double bx = static_cast<float>(row.x2);
    const double by = static_cast<float>(row.y2);
    int wanted = 0;
    const Mismatches wrong = FindMismatches(160, 120, [&](int x, int y) {
        const double edge = DistanceToSegment(x + 0.5, y + 0.5, ax, ay, bx, by) - widthPx / 2.0;
        wanted += edge < 0.0 ? 1 : 0;
        return std::abs(edge) > kEdgeTiePx && Inked(*canvas, x, y) != (edge < 0.0);
    });
    EXPECT_EQ(wrong.count, 0) << "first at " << wrong.firstX << ", " << wrong.firstY;
    EXPECT_EQ(InkCount(*canvas) > 0, wanted > 0);
}

INSTANTIATE_TEST_SUITE_P(
    PixelSurface, PixelSurfaceLongLine,
    testing::Combine(testing::Values(LineRow{"FromFarAwayToFarAway", -3000.3, 4000.1, 3000.7,
                                             -3500.2},
                                     LineRow{"FromInsideToFarAway", 80.3, 60.7, 9000.2, 7000.9},
                                     LineRow{"FarAwayShallow", 100.2, 50.1, -12000.0, 200.3},
                                     LineRow{"Horizontal", -5000.0, 61.3, 5000.0, 61.3},
                                     LineRow{"Vertical", 80.5, -9000.0, 80.5, 9000.0},
                                     LineRow{"AboveTheImage", -5000, -20.3, 5000, -20.3},
                                     LineRow{"EndingLeftOfIt", -10000, 60.5, -10.2, 60.5}),
                     testing::Values(55, 3, 2)),
    [](const auto& info) {
        return std::get<0>(info.param).name + std::to_string(std::get<1>(info.param));
    });

class PixelSurfaceThinLine : public testing::TestWithParam<LineRow> {};

// A one-pixel line has, at every pixel along its major axis whose centre lies
// between its ends, the one pixel across that holds the line at that centre,
// and nothing else.
TEST_P(PixelSurfaceThinLine, HasOnePixelAtEachStepWhereTheLineCrosses) {
    const LineRow& row = GetParam();
    auto canvas = PixelCanvas(160, 120);
    canvas->Line(row.x1, row.y1, row.x2, row.y2);
    const double x1 = static_cast<float>(row.x1);
    const double y1 = static_cast<float>(row.y1);
    const double x2 = static_cast<float>(row.x2);
    const double y2 = static_cast<float>(row.y2);
    const bool xMajor = std::abs(x2 - x1) >= std::abs(y2 - y1);
    const Mismatches wrong = FindMismatches(160, 120, [&](int x, int y) {
        const int i = xMajor ? x : y;
        const int j = xMajor ? y : x;
        const double centre = i + 0.5;
        const double from = xMajor ? std::min(x1, x2) : std::min(y1, y2);
        const double to = xMajor ? std::max(x1, x2) : std::max(y1, y2);
        const double at = xMajor ? y1 + (centre - x1) * (y2 - y1) / (x2 - x1)
                                 : x1 + (centre - y1) * (x2 - x1) / (y2 - y1);
        const bool wanted = centre >= from && centre <= to && j == static_cast<int>(std::floor(at));
        return Inked(*canvas, x, y) != wanted;
    });
    EXPECT_EQ(wrong.count, 0) << "first at " << wrong.firstX << ", " << wrong.firstY;
    EXPECT_GT(InkCount(*canvas), 0);
}

INSTANTIATE_TEST_SUITE_P(PixelSurface, PixelSurfaceThinLine,
                         testing::Values(LineRow{"FromFarAwayToFarAway", -3000.3, 4000.1, 3000.7,
                                                 -3500.2},
                                         LineRow{"FarAwayShallow", 100.2, 50.1, -12000.0, 200.3},
                                         LineRow{"OnAPixelEdge", 5000.0, 61.0, -5000.0, 61.0},
                                         LineRow{"Vertical", 80.5, -9000.0, 80.5, 9000.0}),
                         [](const auto& info) { return info.param.name; });

// --- Text -------------------------------------------------------------------

TEST(PixelSurfaceText, PrintsAtTheTextPositionAndMovesToTheNextLine) {
    auto canvas = PixelCanvas(300, 100, 2.0);
    canvas->ForeColor = RGB(200, 0, 0);
    canvas->CurrentX = 40;
    canvas->CurrentY = 30;
    canvas->Print("HHH");
    // The painter's line height is in device pixels, the text position in
    // logical ones.
    EXPECT_DOUBLE_EQ(canvas->CurrentY, 30 + TestText::kLineHeight / 2.0);
    EXPECT_EQ(canvas->CurrentX, 0.0);
    EXPECT_EQ(InkBox(*canvas), (PixelBox{81, 62, 17, 8}));
    ASSERT_EQ(canvas->textBoxes().size(), 1U);
    EXPECT_EQ(canvas->textBoxes()[0], (PixelBox{80, 60, 18, 12}));
}

// A label printed at every tick darkens until it stops changing; something
// drawn over part of it then starts that again there. Whatever the surface
// passes over, and however little of the label it prints again, it must give
// the painter's pixels of the whole label after every printing, and pass
// over most.
TEST(PixelSurfaceText, PrintedAgainAndAgainGivesThePaintersPixelsEachTime) {
    auto canvas = PixelCanvas(200, 60);
    auto reference = PixelCanvas(200, 60);
    const PixelBox whole{0, 0, 200, 60};
    for (int i = 0; i < 70; ++i) {
        canvas->ForeColor = RGB(200, 30, 0);
        canvas->CurrentX = 40;
        canvas->CurrentY = 20;
        canvas->Print("total FORCE");
        reference->text.paint(reference->image(), "total FORCE", 40, 20,
                              reference->pixelOf(RGB(200, 30, 0)), false, whole);
        ASSERT_EQ(Pixels(*canvas), Pixels(*reference)) << "after printing " << i + 1;
        for (Canvas* c : {canvas.get(), reference.get()}) {
            if (i == 30) {
                c->DrawWidth = 3;
                c->PSet(43.5, 24.5, kWhiteColour);
            } else if (i == 45) {
                c->DrawWidth = 2;
                c->Line(60, 10, 75, 40, RGB(0, 90, 250));
            }
        }
        ASSERT_EQ(Pixels(*canvas), Pixels(*reference));
    }
    EXPECT_LT(canvas->text.paintings, 40);
}

TEST(PixelSurfaceText, AGrownImageHasTheLabelPrintedAgainOntoItsNewPixels) {
    auto canvas = PixelCanvas(60, 40);
    for (int i = 0; i < 20; ++i) {
        canvas->CurrentX = 40;
        canvas->CurrentY = 10;
        canvas->Print("label");
    }
    const int before = canvas->text.paintings;
    canvas->Resize(200, 40);
    canvas->CurrentX = 40;
    canvas->CurrentY = 10;
    canvas->Print("label");
    EXPECT_EQ(canvas->text.paintings, before + 1);
    EXPECT_TRUE(Inked(*canvas, 40 + 6 * 4 + 2, 14));
}

// --- Strokes drawn again and again ------------------------------------------

// The narrow strokes a tick draws again keep their pixel runs and are looked
// up in the order they came last time. Whatever the order, and after the
// store has been emptied for being full, they must give the pixels of
// strokes drawn afresh (a change of scale forgets every kept run).
TEST(PixelSurfaceStrokes, KeptRunsGiveTheFreshPixelsInAnyOrder) {
    struct Stroke {
        double x0, y0, x1, y1;
        int width;
        int style;
        Colour colour;
    };
    std::vector<Stroke> strokes;
    strokes.reserve(12);
    for (int i = 0; i < 12; ++i) {
        strokes.push_back({10.0 + 7.3 * i, 5.0 + 3.1 * i, 150.0 - 4.7 * i, 90.0 - 2.9 * i,
                           1 + i % 3, i % 4 == 3 ? kDashDot : kSolid,
                           RGB(40 * (i % 5), 255 - 20 * i, 60 * (i % 3))});
    }
    // Three times in order (kept after the second), backwards, every other
    // one, then enough strokes seen twice to fill the store, then in order.
    std::vector<std::size_t> order;
    for (int pass = 0; pass < 3; ++pass) {
        for (std::size_t i = 0; i < strokes.size(); ++i) {
            order.push_back(i);
        }
    }
    for (std::size_t i = strokes.size(); i-- > 0;) {
        order.push_back(i);
    }
    for (std::size_t i = 0; i < strokes.size(); i += 2) {
        order.push_back(i);
    }
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        order.push_back(i);
    }

    auto kept = PixelCanvas(160, 100);
    auto fresh = PixelCanvas(160, 100);
    const auto draw = [](PixelSurface& surface, const Stroke& stroke) {
        surface.DrawWidth = stroke.width;
        surface.DrawStyle = stroke.style;
        surface.Line(stroke.x0, stroke.y0, stroke.x1, stroke.y1, stroke.colour);
    };
    constexpr std::size_t kFiller = 1000;
    std::size_t step = 0;
    for (const std::size_t i : order) {
        if (step == 3 * strokes.size() + strokes.size() + strokes.size() / 2) {
            for (int twice = 0; twice < 2; ++twice) {
                for (std::size_t k = 0; k < kFiller / 2; ++k) {
                    const double row = std::floor(static_cast<double>(k) / 150.0);
                    const Stroke filler{1.0 + static_cast<double>(k % 150),
                                        1.0 + row * 9.0,
                                        5.0 + static_cast<double>(k % 150),
                                        3.0 + row * 9.0,
                                        1,
                                        kSolid,
                                        RGB(0, 0, 200)};
                    draw(*kept, filler);
                    fresh->Scale(0, 0, 160, 100);
                    draw(*fresh, filler);
                }
            }
        }
        draw(*kept, strokes[i]);
        fresh->Scale(0, 0, 160, 100);
        draw(*fresh, strokes[i]);
        ++step;
        ASSERT_EQ(Pixels(*kept), Pixels(*fresh)) << "stroke " << i << ", step " << step;
    }
}

// --- What the image may hold where ------------------------------------------

class PixelSurfaceInkMap : public testing::TestWithParam<double> {};

// The erasers write only where the ink map says there may be ink, so every
// pixel that is not white must lie where the map is marked, after whatever
// the window draws: runs with every box, clicked circles, rescaling, the
// labels and the dash-dot arrows, and a circle too large to fill row by row.
TEST_P(PixelSurfaceInkMap, MarksEveryPixelThatIsNotWhiteThroughARun) {
    FormOnCanvas window(GetParam());
    PixelSurface& surface = window.canvas;
    const auto firstUnmarked = [&surface] {
        return FirstUnmarkedInk(surface.image().pixels, surface.image().stride, surface.inkMap());
    };
    ASSERT_EQ(firstUnmarked(), -1);
    UseTheWindow(window, [&](const char* what, int tick) {
        if (tick % 200 == 0 || tick == 400) {
            ASSERT_EQ(firstUnmarked(), -1) << what << ", tick " << tick;
        }
    });
    surface.DrawWidth = 3;
    surface.Circle(0.0, 0.0, 1e9, RGB(0, 0, 255));
    surface.DrawStyle = kDashDot;
    surface.Line(0.0, 0.0, window.state.BaseWidth, window.state.BaseHeight, RGB(200, 0, 0));
    surface.Circle(0.0, 0.0, window.state.BaseWidth, RGB(200, 0, 0));
    EXPECT_EQ(firstUnmarked(), -1);
}

INSTANTIATE_TEST_SUITE_P(PixelSurface, PixelSurfaceInkMap, testing::Values(1.0, 2.0));

}  // namespace
}  // namespace zorva
