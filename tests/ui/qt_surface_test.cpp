#include "ui/qt_surface.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRect>
#include <QStaticText>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <numbers>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "curve/curve.h"
#include "form/fixed_screen.h"
#include "form/form.h"
#include "sim/state.h"

#include "tests/raster/pixel_reference.h"

namespace zorva {
namespace {

constexpr QRgb kWhite = 0xffffffff;
constexpr Colour kBlackColour = RGB(0, 0, 0);
constexpr Colour kWhiteColour = RGB(255, 255, 255);
constexpr double kPi = std::numbers::pi;
// Pixels whose centre lies this close to the edge of a shape may go either way.
constexpr double kEdgeTiePx = 1.0 / 32.0;
// Straight strokes go through the raster engine's line rasterizer, which
// places their edges to within this, coarser than its curve outlines.
constexpr double kStrokeEdgeTiePx = 1.0 / 8.0;

// A surface whose world units are its pixels, y downwards.
std::unique_ptr<QtSurface> PixelSurface(int widthPx, int heightPx, double devicePixelRatio = 1.0) {
    auto surface = std::make_unique<QtSurface>(widthPx, heightPx, 15.0, devicePixelRatio);
    surface->Scale(0, 0, widthPx, heightPx);
    return surface;
}

bool Inked(const QImage& image, int x, int y) {
    return image.pixel(x, y) != kWhite;
}

int InkCount(const QImage& image) {
    int count = 0;
    ForEachPixel(image.width(), image.height(),
                 [&](int x, int y) { count += Inked(image, x, y) ? 1 : 0; });
    return count;
}

// The smallest rectangle holding every pixel that is not white (empty when none is).
QRect InkBox(const QImage& image) {
    QRect box;
    ForEachPixel(image.width(), image.height(), [&](int x, int y) {
        if (Inked(image, x, y)) {
            box |= QRect(x, y, 1, 1);
        }
    });
    return box;
}

QImage WhiteImage(int widthPx, int heightPx) {
    QImage image(widthPx, heightPx, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The round-capped pen a reference drawing strokes with, aliased as QPainter
// draws by default.
QPen ReferencePen(int widthPx) {
    return {Qt::black, static_cast<qreal>(widthPx), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin};
}

double DistanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double lengthSquared = QPointF::dotProduct(ab, ab);
    const double t = lengthSquared == 0.0
                         ? 0.0
                         : std::clamp(QPointF::dotProduct(p - a, ab) / lengthSquared, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

QPointF PixelCentre(int x, int y) {
    return {x + 0.5, y + 0.5};
}

// --- The image --------------------------------------------------------------

TEST(QtSurfaceImage, StartsWhiteAtTheClientSize) {
    QtSurface surface(320, 200, 15.0);
    const QImage& image = surface.image();
    EXPECT_EQ(image.size(), QSize(320, 200));
    EXPECT_EQ(InkCount(image), 0);
}

TEST(QtSurfaceImage, DevicePixelRatioTwoKeepsTheImageAtDeviceResolution) {
    auto surface = PixelSurface(320, 200, 2.0);
    surface->PSet(10.5, 5.5);
    surface->DrawWidth = 3;
    surface->Line(50, 100.5, 250, 100.5);
    const QImage& image = surface->image();
    EXPECT_EQ(image.size(), QSize(640, 400));
    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(320, 200));
    // The one-pixel dot covers one logical pixel: two by two device pixels.
    EXPECT_EQ(InkBox(image.copy(0, 0, 100, 50)), QRect(20, 10, 2, 2));
    // The three-pixel line is six device pixels thick.
    EXPECT_EQ(InkBox(image.copy(300, 0, 1, 400)), QRect(0, 198, 1, 6));
}

TEST(QtSurfaceImage, HandedOutWithNoPainterActiveAndUnchangedByLaterDrawing) {
    auto surface = PixelSurface(40, 30);
    surface->PSet(5.5, 5.5);
    EXPECT_FALSE(surface->image().paintingActive());
    const QImage before = surface->image();
    surface->PSet(20.5, 20.5);
    EXPECT_FALSE(Inked(before, 20, 20));
    EXPECT_TRUE(Inked(surface->image(), 20, 20));
    EXPECT_TRUE(Inked(surface->image(), 5, 5));
}

TEST(QtSurfaceImage, ClsFillsTheImageWithTheBackColour) {
    auto surface = PixelSurface(60, 40);
    surface->DrawWidth = 5;
    surface->Line(0, 0, 60, 40);
    surface->BackColor = RGB(10, 200, 30);
    surface->Cls();
    const QImage& image = surface->image();
    const Mismatches wrong = FindMismatches(image.width(), image.height(), [&](int x, int y) {
        return image.pixel(x, y) != qRgb(10, 200, 30);
    });
    EXPECT_EQ(wrong.count, 0) << "first at " << wrong.firstX << ", " << wrong.firstY;
}

class QtSurfaceGrowth : public testing::TestWithParam<int> {};

TEST_P(QtSurfaceGrowth, GrowingClientKeepsWhatWasDrawnAndNeverShrinks) {
    const int ratio = GetParam();
    auto surface = PixelSurface(100, 80, ratio);
    surface->PSet(10.5, 10.5);
    surface->Resize(60, 50);
    EXPECT_EQ(surface->image().size(), QSize(100, 80) * ratio);
    // Outside the smaller client area but inside the image: kept too.
    surface->PSet(90.5, 70.5);
    surface->Resize(200, 150);
    const QImage& image = surface->image();
    ASSERT_EQ(image.size(), QSize(200, 150) * ratio);
    EXPECT_EQ(InkCount(image), 2 * ratio * ratio);
    EXPECT_TRUE(Inked(image, 10 * ratio, 10 * ratio));
    EXPECT_TRUE(Inked(image, 90 * ratio, 70 * ratio));
    surface->PSet(150.5, 120.5);
    EXPECT_TRUE(Inked(surface->image(), 150 * ratio, 120 * ratio));
}

TEST_P(QtSurfaceGrowth, StopsAtAnEightKScreenAndDrawsOnlyWithinIt) {
    const int ratio = GetParam();
    auto surface = PixelSurface(100, 80, ratio);
    const int wider = QtSurface::kMaxImageWidth / ratio + 10;
    const int taller = QtSurface::kMaxImageHeight / ratio + 10;
    surface->Resize(wider, taller);
    EXPECT_EQ(surface->image().size(),
              QSize(QtSurface::kMaxImageWidth, QtSurface::kMaxImageHeight));
    surface->Line(0.5, 2.5, wider - 0.5, 2.5);
    EXPECT_TRUE(Inked(surface->image(), 2 * ratio, 2 * ratio));
}

// Where a larger image cannot be had, the drawing keeps its size and the
// surface stays usable. Memory is capped in a child process, which the
// sanitizers' reserved shadow memory would not survive.
TEST(QtSurfaceImage, AGrowthWithoutMemoryKeepsTheImageAsItWas) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the cap allows";
#else
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        auto surface = PixelSurface(100, 80);
        std::ifstream statm("/proc/self/statm");
        long pages = 0;
        statm >> pages;
        const rlim_t cap = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (16 << 20);
        const rlimit limit{cap, cap};
        setrlimit(RLIMIT_AS, &limit);
        surface->Resize(4000, 4000);
        surface->Line(0.5, 2.5, 3999.5, 2.5);
        _exit(surface->image().size() == QSize(100, 80) && Inked(surface->image(), 2, 2) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
#endif
}

INSTANTIATE_TEST_SUITE_P(QtSurface, QtSurfaceGrowth, testing::Values(1, 2));

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

class QtSurfaceDot : public testing::TestWithParam<DotRow> {};

TEST_P(QtSurfaceDot, LandsOnThePixelTheFramePutsItOn) {
    const DotRow& row = GetParam();
    QtSurface surface(row.widthPx, row.heightPx, 15.0);
    surface.Scale(row.x1, row.y1, row.x2, row.y2);
    surface.PSet(row.x, row.y, RGB(0, 255, 0));
    const QImage& image = surface.image();
    EXPECT_EQ(InkCount(image), 1);
    EXPECT_EQ(image.pixel(row.pixelX, row.pixelY), qRgb(0, 255, 0));
}

// On a 200 × 100 client, Scale(−1, 1)-(1, −1) makes a pixel 0.01 wide and
// 0.02 high, with y upwards.
INSTANTIATE_TEST_SUITE_P(
    QtSurface, QtSurfaceDot,
    testing::Values(DotRow{"PixelsTopLeftCorner", 200, 100, 0, 0, 200, 100, 0, 0, 0, 0},
                    DotRow{"PixelsTopLeft", 200, 100, 0, 0, 200, 100, 0.5, 0.5, 0, 0},
                    DotRow{"PixelsBottomRight", 200, 100, 0, 0, 200, 100, 199.5, 99.5, 199, 99},
                    DotRow{"PixelsInner", 200, 100, 0, 0, 200, 100, 57.2, 31.99, 57, 31},
                    DotRow{"UpTopLeft", 200, 100, -1, 1, 1, -1, -0.995, 0.99, 0, 0},
                    DotRow{"UpTopRight", 200, 100, -1, 1, 1, -1, 0.995, 0.99, 199, 0},
                    DotRow{"UpBottomLeft", 200, 100, -1, 1, 1, -1, -0.995, -0.99, 0, 99},
                    DotRow{"UpBottomRight", 200, 100, -1, 1, 1, -1, 0.995, -0.99, 199, 99},
                    DotRow{"UpCentre", 200, 100, -1, 1, 1, -1, 0.005, 0.01, 100, 49},
                    DotRow{"XLeftwards", 100, 50, 10, 0, 0, 5, 9.95, 0.05, 0, 0}),
    [](const testing::TestParamInfo<DotRow>& info) { return info.param.name; });

class QtSurfaceDotDiameter : public testing::TestWithParam<int> {};

TEST_P(QtSurfaceDotDiameter, IsDrawWidthAcrossEveryWayAndSymmetric) {
    const int diameter = GetParam();
    auto surface = PixelSurface(60, 60);
    surface->DrawWidth = diameter;
    surface->PSet(30.3, 30.6);
    const QImage& image = surface->image();
    const QRect box = InkBox(image);
    EXPECT_EQ(box.width(), diameter);
    EXPECT_EQ(box.height(), diameter);
    // Centred on the pixel that holds the point (odd), (30.5, 30.5), or on the
    // pixel corner nearest to it (even), (30, 31).
    const bool odd = diameter % 2 == 1;
    EXPECT_EQ(box.left() + box.right() + 1, odd ? 61 : 60);
    EXPECT_EQ(box.top() + box.bottom() + 1, odd ? 61 : 62);
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            const int mirrorX = box.left() + box.right() - x;
            const int mirrorY = box.top() + box.bottom() - y;
            ASSERT_EQ(Inked(image, x, y), Inked(image, mirrorX, y)) << x << ", " << y;
            ASSERT_EQ(Inked(image, x, y), Inked(image, x, mirrorY)) << x << ", " << y;
            ASSERT_EQ(Inked(image, x, y),
                      Inked(image, y - box.top() + box.left(), x - box.left() + box.top()))
                << x << ", " << y;
        }
    }
    if (diameter >= 4) {
        // Round, not square.
        EXPECT_FALSE(Inked(image, box.left(), box.top()));
    }
}

INSTANTIATE_TEST_SUITE_P(QtSurface, QtSurfaceDotDiameter, testing::Values(1, 2, 3, 4, 14, 15));

TEST(QtSurfaceDotDiameter, OneIsExactlyOnePixel) {
    auto surface = PixelSurface(20, 20);
    surface->PSet(7.9, 3.1);
    EXPECT_EQ(InkBox(surface->image()), QRect(7, 3, 1, 1));
}

TEST(QtSurfaceDotDiameter, ZeroLengthLineAndZeroRadiusCircleAreDotsOfThePenWidth) {
    auto line = PixelSurface(60, 60);
    line->DrawWidth = 15;
    line->Line(30.3, 30.6, 30.3, 30.6);
    auto circle = PixelSurface(60, 60);
    circle->DrawWidth = 15;
    circle->Circle(30.3, 30.6, 0.0);
    auto dot = PixelSurface(60, 60);
    dot->DrawWidth = 15;
    dot->PSet(30.3, 30.6);
    EXPECT_EQ(InkBox(line->image()), QRect(23, 23, 15, 15));
    EXPECT_EQ(line->image(), dot->image());
    EXPECT_EQ(circle->image(), dot->image());
}

// --- Erasing by overpainting ------------------------------------------------

// An arrow as the plot draws one: a shaft and two barbs at ±30° from the tip.
struct ArrowRow {
    std::string name;
    double tailX, tailY;
    double angleDeg;
    double shaftPx;
    double barbPx;
};

void PrintTo(const ArrowRow& row, std::ostream* os) {
    *os << row.name;
}

void DrawArrow(Surface& surface, const ArrowRow& a, Colour colour, bool barbs) {
    const double phi = a.angleDeg * kPi / 180.0;
    const double tipX = a.tailX + a.shaftPx * std::cos(phi);
    const double tipY = a.tailY + a.shaftPx * std::sin(phi);
    surface.Line(a.tailX, a.tailY, tipX, tipY, colour);
    if (barbs) {
        for (const double side : {kPi / 6.0, -kPi / 6.0}) {
            surface.Line(tipX, tipY, tipX - a.barbPx * std::cos(phi + side),
                         tipY - a.barbPx * std::sin(phi + side), colour);
        }
    }
}

enum class Eraser { SameArrow, ShaftOnly };

class QtSurfaceErase : public testing::TestWithParam<std::tuple<ArrowRow, Eraser>> {};

TEST_P(QtSurfaceErase, WideWhitePenCoversTheThinArrowEndsIncluded) {
    const auto& [arrow, eraser] = GetParam();
    // World y upwards, as on the plot.
    QtSurface surface(300, 200, 15.0);
    surface.Scale(0, 200, 300, 0);
    surface.DrawWidth = 3;
    DrawArrow(surface, arrow, kBlackColour, true);
    ASSERT_GT(InkCount(surface.image()), 0);
    surface.DrawWidth = 55;
    DrawArrow(surface, arrow, kWhiteColour, eraser == Eraser::SameArrow);
    const QImage& image = surface.image();
    EXPECT_EQ(InkCount(image), 0) << "first left at " << InkBox(image).topLeft().x() << ", "
                                  << InkBox(image).topLeft().y();
}

INSTANTIATE_TEST_SUITE_P(
    QtSurface, QtSurfaceErase,
    testing::Combine(testing::Values(ArrowRow{"Right", 100.0, 100.0, 0.0, 100.0, 20.0},
                                     ArrowRow{"UpRight", 100.3, 80.7, 30.0, 80.3, 20.0},
                                     ArrowRow{"Up", 150.5, 40.2, 90.0, 60.0, 20.0},
                                     ArrowRow{"UpLeft", 200.9, 60.1, 135.0, 45.5, 20.0},
                                     ArrowRow{"LeftDown", 250.2, 150.6, 200.0, 120.0, 20.0},
                                     ArrowRow{"DownRight", 90.6, 170.4, 300.0, 33.0, 20.0},
                                     ArrowRow{"ShaftUnderAPixel", 120.4, 99.8, 17.0, 0.3, 20.0},
                                     ArrowRow{"NoShaft", 150.0, 100.0, 90.0, 0.0, 20.0},
                                     ArrowRow{"TailOffTheImage", 5.0, 5.0, 225.0, 60.0, 20.0},
                                     ArrowRow{"TipOffTheImage", 280.0, 100.0, 0.0, 70.0, 20.0}),
                     testing::Values(Eraser::SameArrow, Eraser::ShaftOnly)),
    [](const auto& info) {
        return std::get<0>(info.param).name +
               (std::get<1>(info.param) == Eraser::SameArrow ? "ByArrow" : "ByShaft");
    });

// --- Line styles ------------------------------------------------------------

struct StyleRow {
    std::string name;
    int style;
    int widthPx;
    bool vertical;
};

void PrintTo(const StyleRow& row, std::ostream* os) {
    *os << row.name;
}

class QtSurfaceLineStyle : public testing::TestWithParam<StyleRow> {};

// Run lengths of ink and of white along the line's middle, from its start to its end.
TEST_P(QtSurfaceLineStyle, DashDotHasDashesDotsAndGapsSolidHasNone) {
    const StyleRow& row = GetParam();
    auto surface = PixelSurface(200, 200);
    surface->DrawWidth = row.widthPx;
    surface->DrawStyle = row.style;
    if (row.vertical) {
        surface->Line(100.5, 10, 100.5, 190);
    } else {
        surface->Line(10, 100.5, 190, 100.5);
    }
    const QImage& image = surface->image();
    std::vector<int> inkRuns;
    std::vector<int> gapRuns;
    int run = 0;
    bool inRun = true;
    for (int i = 10; i < 190; ++i) {
        const bool ink = row.vertical ? Inked(image, 100, i) : Inked(image, i, 100);
        if (ink != inRun) {
            (inRun ? inkRuns : gapRuns).push_back(run);
            run = 0;
            inRun = ink;
        }
        ++run;
    }
    (inRun ? inkRuns : gapRuns).push_back(run);
    if (row.style == kSolid) {
        EXPECT_EQ(inkRuns, std::vector<int>{180});
        EXPECT_TRUE(gapRuns.empty());
        return;
    }
    ASSERT_GE(gapRuns.size(), 4U);
    const auto [shortest, longest] = std::minmax_element(inkRuns.begin(), inkRuns.end());
    EXPECT_GE(*longest, 3 * *shortest) << "dashes and dots";
    for (const int gap : gapRuns) {
        EXPECT_GE(gap, row.widthPx);
    }
}

INSTANTIATE_TEST_SUITE_P(QtSurface, QtSurfaceLineStyle,
                         testing::Values(StyleRow{"SolidOne", kSolid, 1, false},
                                         StyleRow{"SolidThree", kSolid, 3, true},
                                         StyleRow{"DashDotOne", kDashDot, 1, false},
                                         StyleRow{"DashDotOneVertical", kDashDot, 1, true},
                                         StyleRow{"DashDotTwo", kDashDot, 2, false},
                                         StyleRow{"DashDotThree", kDashDot, 3, true}),
                         [](const auto& info) { return info.param.name; });

TEST(QtSurfaceLineStyle, DashDotKeepsItsPhaseWhereTheLineIsClipped) {
    // The same line on a narrow image, which cuts off its first 190 pixels,
    // and on a wide one, which shows it whole with the narrow one's pixels
    // 200 columns to the right.
    auto narrow = PixelSurface(160, 20);
    auto wide = std::make_unique<QtSurface>(360, 20, 15.0);
    wide->Scale(-200, 0, 160, 20);
    for (QtSurface* surface : {narrow.get(), wide.get()}) {
        surface->DrawStyle = kDashDot;
        surface->Line(-190.3, 10.5, 150, 10.5);
    }
    ASSERT_GT(InkCount(narrow->image()), 0);
    EXPECT_EQ(narrow->image(), wide->image().copy(200, 0, 160, 20));
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

class QtSurfaceCircle : public testing::TestWithParam<RingRow> {};

// Inked are exactly the pixels whose centre lies within half a pen width of
// the circle, but for those on the edge to the raster engine's precision.
void ExpectRing(const QImage& image, double centreX, double centreY, double radiusPx, int widthPx) {
    const Mismatches wrong = FindMismatches(image.width(), image.height(), [&](int x, int y) {
        const std::optional<bool> in =
            InRing(x, y, centreX, centreY, radiusPx, widthPx / 2.0, kEdgeTiePx);
        return in.has_value() && Inked(image, x, y) != *in;
    });
    EXPECT_EQ(wrong.count, 0) << "first at " << wrong.firstX << ", " << wrong.firstY;
    EXPECT_GT(InkCount(image), 0);
}

TEST_P(QtSurfaceCircle, OutlineLiesAtTheRadius) {
    const RingRow& row = GetParam();
    auto surface = PixelSurface(160, 120);
    surface->DrawWidth = row.widthPx;
    surface->Circle(row.centreX, row.centreY, row.radiusPx);
    ExpectRing(surface->image(), row.centreX, row.centreY, row.radiusPx, row.widthPx);
}

INSTANTIATE_TEST_SUITE_P(QtSurface, QtSurfaceCircle,
                         testing::Values(RingRow{"OnePixel", 1, 40.0, 80.3, 60.7},
                                         RingRow{"ThreePixels", 3, 40.0, 80.3, 60.7},
                                         RingRow{"WiderThanItsHole", 55, 40.0, 80.3, 60.7},
                                         RingRow{"AllHole", 55, 20.0, 80.3, 60.7},
                                         RingRow{"AroundTheImage", 55, 90.0, 80.3, 60.7},
                                         RingRow{"AcrossACorner", 3, 100.0, 170.2, -10.4},
                                         RingRow{"CentreOffTheImage", 55, 30.0, -40.0, 60.7},
                                         Through("HugeAtThirtyThree", 55, 8500.0, 33.0),
                                         Through("HugeAtOneThirtyFive", 55, 8500.0, 135.0),
                                         Through("HugeAtThreeHundred", 55, 8500.0, 300.0),
                                         Through("HugeThinAtSixtySeven", 1, 8500.0, 67.5),
                                         Through("HugeThreeAtTwoHundred", 3, 8500.0, 200.0),
                                         Through("EdgeJustReachesIn", 55, 8500.0, 0.0, -22.5),
                                         Through("RadiusOfAMillionPixels", 3, 1e6, 40.0),
                                         Through("RadiusOfABillionPixels", 55, 1e9, 90.0)),
                         [](const auto& info) { return info.param.name; });

TEST(QtSurfaceCircle, RadiusIsInXUnits) {
    // Two pixels to an x unit, half a pixel to a y unit.
    QtSurface surface(160, 120, 15.0);
    surface.Scale(0, 0, 80, 240);
    surface.Circle(40.15, 120.3, 20);
    ExpectRing(surface.image(), 80.3, 60.15, 40, 1);
}

TEST(QtSurfaceCircle, DashDotOutlineHasGapsOnTheSameRing) {
    auto solid = PixelSurface(160, 120);
    solid->Circle(80.3, 60.7, 40);
    auto dashDot = PixelSurface(160, 120);
    dashDot->DrawStyle = kDashDot;
    dashDot->Circle(80.3, 60.7, 40);
    const QImage& dashed = dashDot->image();
    const QImage& whole = solid->image();
    int gaps = 0;
    for (int y = 0; y < dashed.height(); ++y) {
        for (int x = 0; x < dashed.width(); ++x) {
            const double off = std::abs(std::hypot(x + 0.5 - 80.3, y + 0.5 - 60.7) - 40.0);
            if (Inked(dashed, x, y)) {
                ASSERT_LE(off, 1.5) << x << ", " << y;
            }
            gaps += Inked(whole, x, y) && !Inked(dashed, x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(InkCount(dashed), InkCount(whole) / 2);
    EXPECT_GT(gaps, InkCount(whole) / 5);
}

TEST(QtSurfaceInput, NonFiniteAndAstronomicalCoordinatesAreSafe) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    auto surface = PixelSurface(160, 120);
    surface->DrawWidth = 55;
    surface->Line(nan, 0, 10, 10);
    surface->Line(0, 0, inf, 10);
    surface->PSet(inf, 10);
    surface->Circle(nan, 60, 10);
    surface->Circle(80, 60, inf);
    // The image lies in the hole of this ring.
    surface->Circle(80, 60, 1e30);
    surface->CurrentX = -1e30;
    surface->Print("far left");
    EXPECT_EQ(InkCount(surface->image()), 0);
    // A line from beyond any screen to beyond any screen still shows its middle.
    surface->DrawWidth = 1;
    surface->Line(-1e30, 60.5, 1e30, 60.5);
    EXPECT_EQ(InkBox(surface->image()), QRect(0, 60, 160, 1));
}

// --- Clipping changes no pixel ----------------------------------------------

class QtSurfaceHugeCircle : public testing::TestWithParam<std::tuple<int, double>> {};

// Against QPainter stroking the whole circle. Qt's ellipse is four cubic
// curves, which stray up to two pixels from a circle this large except near
// their ends at multiples of 90°, so the outline crosses the small image
// there. Only pixels on the ring's edge, to the raster engine's precision, may differ.
TEST_P(QtSurfaceHugeCircle, GivesThePixelsOfTheWholeCircleStrokedByQPainter) {
    const auto [widthPx, angleDeg] = GetParam();
    const RingRow row = Through("", widthPx, 8500.0, angleDeg);
    auto surface = PixelSurface(160, 120);
    surface->DrawWidth = widthPx;
    surface->Circle(row.centreX, row.centreY, row.radiusPx);
    const QImage& image = surface->image();
    QImage reference = WhiteImage(160, 120);
    QPainter painter(&reference);
    painter.setPen(ReferencePen(widthPx));
    painter.drawEllipse(QPointF(row.centreX, row.centreY), row.radiusPx, row.radiusPx);
    painter.end();
    EXPECT_GT(InkCount(reference), 0);
    // Only pixels on the ring's edge may differ from the painter's.
    const double halfWidth = widthPx / 2.0;
    const Mismatches wrong = FindMismatches(image.width(), image.height(), [&](int x, int y) {
        return Inked(image, x, y) != Inked(reference, x, y) &&
               InRing(x, y, row.centreX, row.centreY, row.radiusPx, halfWidth, kEdgeTiePx)
                   .has_value();
    });
    EXPECT_EQ(wrong.count, 0) << "first at " << wrong.firstX << ", " << wrong.firstY;
}

INSTANTIATE_TEST_SUITE_P(QtSurface, QtSurfaceHugeCircle,
                         testing::Combine(testing::Values(55, 3),
                                          testing::Values(0.0, 90.0, 180.0, 270.0)));

TEST(QtSurfaceHugeCircle, RingMissingTheImageLeavesItWhite) {
    auto surface = PixelSurface(160, 120);
    surface->DrawWidth = 55;
    // The image lies in the hole, then wholly outside the ring.
    surface->Circle(80, 60, 1000);
    surface->Circle(-8500 - 40, 60, 8500);
    EXPECT_EQ(InkCount(surface->image()), 0);
}

struct LineRow {
    std::string name;
    double x1, y1, x2, y2;
};

void PrintTo(const LineRow& row, std::ostream* os) {
    *os << row.name;
}

class QtSurfaceLongLine : public testing::TestWithParam<std::tuple<LineRow, int>> {};

// Against QPainter stroking the whole segment with round caps: only pixels
// whose centre lies on the stroke's edge, to the line rasterizer's
// precision, may differ.
TEST_P(QtSurfaceLongLine, GivesThePixelsOfTheUnclippedLine) {
    const auto& [row, widthPx] = GetParam();
    auto surface = PixelSurface(160, 120);
    surface->DrawWidth = widthPx;
    surface->Line(row.x1, row.y1, row.x2, row.y2);
    const QImage& image = surface->image();
    // The surface hands coordinates on in single precision.
    const QPointF a(static_cast<float>(row.x1), static_cast<float>(row.y1));
    const QPointF b(static_cast<float>(row.x2), static_cast<float>(row.y2));
    QImage reference = WhiteImage(160, 120);
    QPainter painter(&reference);
    painter.setPen(ReferencePen(widthPx));
    painter.drawLine(a, b);
    painter.end();
    // Only pixels on the stroke's edge may differ from the painter's.
    const double halfWidth = widthPx / 2.0;
    const Mismatches wrong = FindMismatches(image.width(), image.height(), [&](int x, int y) {
        const double edge = DistanceToSegment(PixelCentre(x, y), a, b) - halfWidth;
        return Inked(image, x, y) != Inked(reference, x, y) && std::abs(edge) >= kStrokeEdgeTiePx;
    });
    EXPECT_EQ(wrong.count, 0) << "first at " << wrong.firstX << ", " << wrong.firstY;
    EXPECT_GT(InkCount(image), 0);
}

INSTANTIATE_TEST_SUITE_P(
    QtSurface, QtSurfaceLongLine,
    testing::Combine(testing::Values(LineRow{"FromFarAwayToFarAway", -3000.3, 4000.1, 3000.7,
                                             -3500.2},
                                     LineRow{"FromInsideToFarAway", 80.3, 60.7, 9000.2, 7000.9},
                                     LineRow{"FarAwayShallow", 100.2, 50.1, -12000.0, 200.3},
                                     LineRow{"Horizontal", -5000.0, 61.3, 5000.0, 61.3},
                                     LineRow{"Vertical", 80.5, -9000.0, 80.5, 9000.0}),
                     testing::Values(55, 3, 2)),
    [](const auto& info) {
        return std::get<0>(info.param).name + std::to_string(std::get<1>(info.param));
    });

class QtSurfaceThinLine : public testing::TestWithParam<LineRow> {};

// A one-pixel line has, at every pixel along its major axis whose centre lies
// between its ends, the one pixel across that holds the line at that centre,
// and nothing else.
TEST_P(QtSurfaceThinLine, HasOnePixelAtEachStepWhereTheLineCrosses) {
    const LineRow& row = GetParam();
    auto surface = PixelSurface(160, 120);
    surface->Line(row.x1, row.y1, row.x2, row.y2);
    const QImage& image = surface->image();
    // The surface hands coordinates on in single precision.
    const double x1 = static_cast<float>(row.x1);
    const double y1 = static_cast<float>(row.y1);
    const double x2 = static_cast<float>(row.x2);
    const double y2 = static_cast<float>(row.y2);
    const bool xMajor = std::abs(x2 - x1) >= std::abs(y2 - y1);
    const int steps = xMajor ? image.width() : image.height();
    const int across = xMajor ? image.height() : image.width();
    int inked = 0;
    for (int i = 0; i < steps; ++i) {
        const double centre = i + 0.5;
        const double from = xMajor ? std::min(x1, x2) : std::min(y1, y2);
        const double to = xMajor ? std::max(x1, x2) : std::max(y1, y2);
        const bool onLine = centre >= from && centre <= to;
        const double at = xMajor ? y1 + (centre - x1) * (y2 - y1) / (x2 - x1)
                                 : x1 + (centre - y1) * (x2 - x1) / (y2 - y1);
        for (int j = 0; j < across; ++j) {
            const bool lit = xMajor ? Inked(image, i, j) : Inked(image, j, i);
            inked += lit ? 1 : 0;
            EXPECT_EQ(lit, onLine && j == static_cast<int>(std::floor(at))) << i << ", " << j;
        }
    }
    EXPECT_GT(inked, 0);
}

INSTANTIATE_TEST_SUITE_P(
    QtSurface, QtSurfaceThinLine,
    testing::Values(LineRow{"FromFarAwayToFarAway", -3000.3, 4000.1, 3000.7, -3500.2},
                    LineRow{"FromFarAwayDownward", -3000.3, -3800.2, 3000.7, 3700.1},
                    LineRow{"FarAwayShallow", 100.2, 50.1, -12000.0, 200.3},
                    LineRow{"Horizontal", -5000.0, 61.3, 5000.0, 61.3},
                    LineRow{"OnAPixelEdge", 5000.0, 61.0, -5000.0, 61.0},
                    LineRow{"Vertical", 80.5, -9000.0, 80.5, 9000.0},
                    LineRow{"Diagonal", -100.0, -100.0, 300.0, 300.0}),
    [](const auto& info) { return info.param.name; });

TEST(QtSurfaceLongLine, WidePenReachesInFromOutsideTheImage) {
    // The line runs 20.3 pixels above the image, and one ends 10.2 pixels
    // left of it: the pen's half width and round cap still reach in.
    auto surface = PixelSurface(160, 120);
    surface->DrawWidth = 55;
    surface->Line(-5000, -20.3, 5000, -20.3);
    surface->Line(-10000, 60.5, -10.2, 60.5);
    const QImage& image = surface->image();
    EXPECT_EQ(InkBox(image.copy(0, 0, 160, 30)), QRect(0, 0, 160, 7));
    EXPECT_EQ(InkBox(image.copy(0, 60, 160, 1)), QRect(0, 0, 17, 1));
}

// --- Text -------------------------------------------------------------------

class QtSurfaceText : public testing::TestWithParam<bool> {};

TEST_P(QtSurfaceText, TopLeftCornerIsAtTheTextPosition) {
    const bool bold = GetParam();
    auto surface = PixelSurface(300, 100);
    surface->ForeColor = RGB(200, 0, 0);
    surface->FontBold = bold;
    surface->CurrentX = 40;
    surface->CurrentY = 30;
    surface->Print("HHH total FORCE");
    const double lineHeight = surface->CurrentY - 30;
    ASSERT_GT(lineHeight, 5);
    const QImage& image = surface->image();
    const QRect box = InkBox(image);
    EXPECT_GE(box.left(), 40);
    EXPECT_LE(box.left(), 43);
    EXPECT_GE(box.top(), 30);
    EXPECT_LE(box.top(), 30 + lineHeight / 2);
    EXPECT_LE(box.bottom(), 30 + lineHeight);
    // Some glyph pixels are fully covered, in exactly the colour.
    bool exact = false;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
            exact = exact || image.pixel(x, y) == qRgb(200, 0, 0);
        }
    }
    EXPECT_TRUE(exact);
}

INSTANTIATE_TEST_SUITE_P(QtSurface, QtSurfaceText, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Bold" : "Regular"; });

TEST(QtSurfaceText, BoldIsHeavier) {
    auto regular = PixelSurface(300, 60);
    regular->Print("total FORCE");
    auto bold = PixelSurface(300, 60);
    bold->FontBold = true;
    bold->Print("total FORCE");
    EXPECT_GT(InkCount(bold->image()), InkCount(regular->image()) * 11 / 10);
}

TEST(QtSurfaceText, LinesFollowOneAnotherAndTheFontSetsTheirHeight) {
    QFont small;
    small.setPixelSize(10);
    QFont large;
    large.setPixelSize(30);
    const auto lineHeight = [](const QFont& font) {
        auto surface = PixelSurface(300, 200);
        surface->setFont(font);
        surface->Print("Hg");
        const double height = surface->CurrentY;
        const QRect first = InkBox(surface->image());
        surface->Print("Hg");
        const QRect both = InkBox(surface->image());
        // The second line's ink lies about a line lower.
        EXPECT_GT(both.bottom(), first.bottom() + height / 2);
        EXPECT_GE(first.height(), height / 2);
        EXPECT_LE(first.height(), height);
        return height;
    };
    const double smallHeight = lineHeight(small);
    const double largeHeight = lineHeight(large);
    EXPECT_GE(smallHeight, 10);
    EXPECT_LE(smallHeight, 15);
    EXPECT_GE(largeHeight, 30);
    EXPECT_LE(largeHeight, 45);
}

// Antialiased glyphs blend with what lies under them, so a label printed at
// every tick darkens, for a hundred printings or so, until it stops changing;
// a dot painted over it then starts that again. The surface must give the
// painter's pixels after every printing, however few it really paints.
TEST(QtSurfaceText, PrintedAgainAndAgainGivesThePaintersPixelsEachTime) {
    auto surface = PixelSurface(200, 60);
    QImage reference = WhiteImage(200, 60);
    QStaticText label(QStringLiteral("total FORCE"));
    label.setTextFormat(Qt::PlainText);
    QImage previous;
    int dotAt = -1;
    for (int i = 0; i < 1000 && (dotAt < 0 || i < dotAt + 20); ++i) {
        surface->ForeColor = RGB(200, 0, 0);
        surface->CurrentX = 40;
        surface->CurrentY = 20;
        surface->Print("total FORCE");
        {
            QPainter painter(&reference);
            painter.setFont(QFont());
            painter.setPen(QColor(200, 0, 0));
            painter.drawStaticText(QPointF(40, 20), label);
        }
        ASSERT_EQ(surface->image(), reference) << "after printing " << i + 1 << " times";
        // Once printing changes nothing, a white dot over a pixel in the
        // label's colour.
        if (dotAt < 0 && reference == previous) {
            dotAt = i;
            QPoint glyph(-1, -1);
            for (int y = 0; y < reference.height(); ++y) {
                for (int x = 0; x < reference.width(); ++x) {
                    if (glyph.x() < 0 && reference.pixel(x, y) == qRgb(200, 0, 0)) {
                        glyph = QPoint(x, y);
                    }
                }
            }
            ASSERT_GE(glyph.x(), 0);
            QPainter(&reference).fillRect(QRect(glyph - QPoint(1, 1), QSize(3, 3)), Qt::white);
            surface->DrawWidth = 3;
            surface->PSet(glyph.x() + 0.5, glyph.y() + 0.5, kWhiteColour);
            ASSERT_EQ(surface->image(), reference);
        }
        previous = reference.copy();
    }
    EXPECT_GE(dotAt, 0) << "the label never stopped changing";
}

// --- Strokes drawn again and again ------------------------------------------

// The narrow strokes a tick draws again keep their pixel runs and are looked
// up in the order they came last time. Whatever the order, and after the
// store has been emptied for being full, they must give the pixels of
// strokes drawn afresh (a change of scale forgets every kept run).
TEST(QtSurfaceStrokes, KeptRunsGiveTheFreshPixelsInAnyOrder) {
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
    constexpr std::size_t kFiller = 1000;
    for (std::size_t i = 0; i < strokes.size(); ++i) {
        order.push_back(i);
    }

    auto kept = PixelSurface(160, 100);
    auto fresh = PixelSurface(160, 100);
    const auto draw = [](QtSurface& surface, const Stroke& stroke) {
        surface.DrawWidth = stroke.width;
        surface.DrawStyle = stroke.style;
        surface.Line(stroke.x0, stroke.y0, stroke.x1, stroke.y1, stroke.colour);
    };
    std::size_t step = 0;
    for (const std::size_t i : order) {
        if (step == 3 * strokes.size() + strokes.size() + strokes.size() / 2) {
            for (int twice = 0; twice < 2; ++twice) {
                for (std::size_t k = 0; k < kFiller / 2; ++k) {
                    const std::size_t fillerRow = k / 150;
                    const Stroke filler{1.0 + k % 150,
                                        1.0 + fillerRow * 9.0,
                                        5.0 + k % 150,
                                        3.0 + fillerRow * 9.0,
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
        ASSERT_EQ(kept->image(), fresh->image()) << "stroke " << i << ", step " << step;
    }
}

// --- What the image may hold where ------------------------------------------

class QtSurfaceInkMap : public testing::TestWithParam<double> {};

// The erasers write only where the ink map says there may be ink, so every
// pixel that is not white must lie where the map is marked, after whatever
// the window draws: runs with every box, clicked circles, rescaling, the
// labels and the dash-dot arrows, and a circle too large to fill row by row.
TEST_P(QtSurfaceInkMap, MarksEveryPixelThatIsNotWhiteThroughARun) {
    const double ratio = GetParam();
    QtSurface surface(480, 320, 15.0, ratio);
    SimulationState state;
    Zerkan form(state, surface);
    form.SetLogCapacity(0);
    FixedScreen host(surface, 480, 320);
    form.Main(host);
    const auto firstUnmarked = [&surface] {
        const QImage& image = surface.image();
        return FirstUnmarkedInk(reinterpret_cast<const std::uint32_t*>(image.constBits()),
                                static_cast<int>(image.bytesPerLine() / 4), surface.inkMap());
    };
    ASSERT_EQ(firstUnmarked(), -1);
    form.Check1.SetValue(1);
    form.Check2.SetValue(1);
    form.Check3.SetValue(1);
    for (const int poltax : {20, 7}) {
        form.POLTAX.SetValue(poltax);
        form.Command1.Press();
        for (int tick = 1; tick <= 1200 && form.Timer1.Active(); ++tick) {
            form.Timer1.Elapse();
            if (tick % 200 == 0) {
                ASSERT_EQ(firstUnmarked(), -1) << "POLTAX " << poltax << ", tick " << tick;
            }
            if (tick == 400) {
                form.Check2.SetValue(0);
                const auto x = static_cast<float>(state.PosX / 2.0);
                form.MouseDown(1, 0, x, static_cast<float>(CurveHeight(state.a, state.b, x)));
            }
        }
        form.klimax.SetValue(poltax == 20 ? 3 : 1);
        ASSERT_EQ(firstUnmarked(), -1) << "rescaled";
    }
    surface.DrawWidth = 3;
    surface.Circle(0.0, 0.0, 1e9, RGB(0, 0, 255));
    surface.DrawStyle = kDashDot;
    surface.Line(0.0, 0.0, state.BaseWidth, state.BaseHeight, RGB(200, 0, 0));
    EXPECT_EQ(firstUnmarked(), -1);
}

INSTANTIATE_TEST_SUITE_P(QtSurface, QtSurfaceInkMap, testing::Values(1.0, 2.0));

}  // namespace
}  // namespace zorva
