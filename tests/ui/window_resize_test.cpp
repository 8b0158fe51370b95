// The window during a run that never ends by itself, while the user resizes,
// minimises and restores it. Run at device pixel ratios 1, 1.5 and 2 (set
// with QT_SCALE_FACTOR from outside).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/form/state_checks.h"
#include "ui/backing_store_guard.h"
#include "ui/qt_window.h"

namespace zorva {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// The launch-speed bar's value at which the body turns back below the
// summit, so the run goes on until it is stopped.
constexpr int kNeverEndingPoltax = 5;
constexpr int kTickWaitMs = 20000;

double ExpectedPixelRatio() {
    const QString factor = qEnvironmentVariable("QT_SCALE_FACTOR");
    return factor.isEmpty() ? 1.0 : factor.toDouble();
}

bool IsWhite(const QColor& c) {
    return c == QColor(Qt::white);
}

// The device pixel of an image under a point given in logical pixels.
QPoint DevicePixel(const QImage& image, QPointF logical) {
    const double ratio = image.devicePixelRatio();
    return {static_cast<int>(std::floor(logical.x() * ratio)),
            static_cast<int>(std::floor(logical.y() * ratio))};
}

// Whether anything is drawn within a device pixel of the point: a one-pixel
// line may fall on either side of a pixel edge.
bool DrawnNear(const QImage& image, QPointF logical) {
    const QPoint centre = DevicePixel(image, logical);
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint p = centre + QPoint(dx, dy);
            if (image.valid(p) && !IsWhite(image.pixelColor(p))) {
                return true;
            }
        }
    }
    return false;
}

// The program as main starts it, with the run under way at the slow launch.
struct Running {
    SimulationState state;
    QtWindow window{state};
    Zerkan& form = window.form();

    Running() {
        form.Main(window);
        widget<QScrollBar>(form.POLTAX)->setValue(kNeverEndingPoltax);
        widget<QPushButton>(form.Command1)->click();
        EXPECT_TRUE(ticksGoOn());
    }

    template <typename W>
    W* widget(const Control& control) {
        return qobject_cast<W*>(window.widgetFor(control));
    }

    // Lets the window's own timer run until `ticks` more ticks are done.
    bool ticksGoOn(int ticks = 10) {
        const std::int64_t target = state.StepCount + ticks;
        return QTest::qWaitFor([&] { return state.StepCount >= target; }, kTickWaitMs);
    }

    QPointF pixelOf(double x, double y) {
        const PixelPoint p = window.surface().Frame().toPixel({x, y});
        return {p.x, p.y};
    }

    bool insideWindow(QPointF p) const {
        return p.x() >= 0 && p.y() >= 0 && p.x() < window.width() && p.y() < window.height();
    }

    // The start-up curve samples that the tick redraws, where the window
    // shows them.
    std::vector<QPointF> curvePixels() {
        std::vector<QPointF> points;
        for (int i = 1; i <= 100; ++i) {
            const QPointF p = pixelOf(state.PlotX[i], state.PlotY[i]);
            if (insideWindow(p)) {
                points.push_back(p);
            }
        }
        return points;
    }

    // Points of the horizontal axis, which every tick redraws last.
    std::vector<QPointF> axisPixels() {
        std::vector<QPointF> points;
        for (double x = -0.9 * state.BaseWidth; x < state.BaseHeight; x += 0.1 * state.BaseWidth) {
            points.push_back(pixelOf(x, 0.0));
        }
        return points;
    }

    // Where a click at a control's centre lands.
    QWidget* hitAtCentreOf(QWidget* control) const {
        const QPoint centre = control->mapTo(&window, control->rect().center());
        return window.childAt(centre);
    }
};

bool Reaches(QWidget* hit, QWidget* control) {
    return hit != nullptr && (hit == control || control->isAncestorOf(hit));
}

// Everything the tick draws last is on the retained image wherever the
// window shows it.
void ExpectDrawingShown(Running& r) {
    const QImage image = ImageOf(r.window.surface());
    const std::vector<QPointF> curve = r.curvePixels();
    ASSERT_FALSE(curve.empty());
    for (const QPointF& p : curve) {
        EXPECT_TRUE(DrawnNear(image, p)) << "curve at " << p.x() << ", " << p.y();
    }
    for (const QPointF& p : r.axisPixels()) {
        if (r.insideWindow(p)) {
            EXPECT_TRUE(DrawnNear(image, p)) << "axis at " << p.x() << ", " << p.y();
        }
    }
}

// Every control lies in the window, a click at it reaches it, and it does
// what it should in the middle of a run.
void ExpectControlsUsable(Running& r) {
    const QRect client(QPoint(0, 0), r.window.size());
    Zerkan& form = r.form;
    const Control* const controls[] = {
        &form.Command1,  &form.Command2, &form.Command3, &form.Command4, &form.klimax,
        &form.vimaxrono, &form.POLTAX,   &form.Label1,   &form.Label2,   &form.Label3};
    for (const Control* control : controls) {
        QWidget* widget = r.window.widgetFor(*control);
        EXPECT_TRUE(widget->isVisible()) << control->Name();
        EXPECT_TRUE(client.contains(widget->geometry())) << control->Name();
    }
    const auto click = [&r](const Control& control) {
        QWidget* widget = r.window.widgetFor(control);
        QWidget* hit = r.hitAtCentreOf(widget);
        ASSERT_TRUE(Reaches(hit, widget)) << control.Name() << " is covered";
        QTest::mouseClick(hit, Qt::LeftButton, {}, hit->rect().center());
    };

    click(form.Command2);  // STOP
    EXPECT_FALSE(r.window.runTimer().isActive());
    const std::int64_t before = r.state.StepCount;
    click(form.Command3);  // step
    EXPECT_EQ(r.state.StepCount, before + 1);
    click(form.Command4);  // CONTINUE
    EXPECT_TRUE(r.window.runTimer().isActive());

    // The arrow at the right end of a horizontal bar adds one step.
    auto* bar = r.widget<QScrollBar>(form.vimaxrono);
    ASSERT_TRUE(Reaches(r.hitAtCentreOf(bar), bar));
    const int value = form.vimaxrono.Value();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, bar->height() / 2));
    EXPECT_EQ(form.vimaxrono.Value(), std::min(value + 1, form.vimaxrono.Max()));
    EXPECT_TRUE(r.widget<QLabel>(form.Label2)->text().startsWith(QString::fromUtf8(" \u03b4")));

    // The check boxes stay at their designed places, which start inside
    // every window from 800 pixels wide.
    auto* box = r.widget<QCheckBox>(form.Check3);
    QWidget* place = box->parentWidget();
    EXPECT_TRUE(client.contains(place->geometry().topLeft()));
    const QPoint onBox = box->mapTo(&r.window, QPoint(4, box->height() / 2));
    ASSERT_TRUE(client.contains(onBox));
    QWidget* hit = r.window.childAt(onBox);
    ASSERT_TRUE(Reaches(hit, place)) << "the check box is covered";
    const int checked = form.Check3.Value();
    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(&r.window, onBox));
    EXPECT_EQ(form.Check3.Value(), 1 - checked);

    EXPECT_TRUE(r.ticksGoOn());
    EXPECT_EQ(r.form.FailureCount(), 0);
}

// How many device pixels wholly inside `part` the window paints otherwise
// than `picture` has them, when that part alone is exposed.
int DevicePixelsPaintedOtherwise(QtWindow& window, const QRect& part, const QImage& picture) {
    const double ratio = picture.devicePixelRatio();
    QPixmap exposed(QSize(part.right() + 1, part.bottom() + 1) * ratio);
    exposed.setDevicePixelRatio(ratio);
    exposed.fill(Qt::magenta);
    window.render(&exposed, part.topLeft(), QRegion(part), QWidget::RenderFlags());
    const QImage painted = exposed.toImage();
    const auto inner = [ratio](int from, int to) {
        return std::pair(static_cast<int>(std::ceil(from * ratio)),
                         static_cast<int>(std::floor(to * ratio)));
    };
    const auto [left, right] = inner(part.left(), part.right() + 1);
    const auto [top, bottom] = inner(part.top(), part.bottom() + 1);
    int differing = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            differing += painted.pixelColor(x, y) != picture.pixelColor(x, y) ? 1 : 0;
        }
    }
    return differing;
}

// A window size in logical pixels.
struct SizeRow {
    int width;
    int height;
    QSize size() const { return {width, height}; }
};

void PrintTo(const SizeRow& row, std::ostream* os) {
    *os << row.width << "x" << row.height;
}

std::string SizeName(const testing::TestParamInfo<SizeRow>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

class AtEverySize : public testing::TestWithParam<SizeRow> {};

TEST_P(AtEverySize, TheRunTheDrawingAndTheControlsAllCarryOn) {
    const QSize size = GetParam().size();
    Running r;
    r.window.resize(size);
    ASSERT_TRUE(r.ticksGoOn());
    EXPECT_EQ(r.window.size(), size);
    EXPECT_TRUE(r.window.runTimer().isActive());

    // The drawing is kept at the screen's resolution.
    const double ratio = ExpectedPixelRatio();
    EXPECT_EQ(r.window.devicePixelRatio(), ratio);
    const QImage image = ImageOf(r.window.surface());
    EXPECT_EQ(image.devicePixelRatio(), ratio);
    EXPECT_GE(image.width(), std::ceil(size.width() * ratio));
    EXPECT_GE(image.height(), std::ceil(size.height() * ratio));
    ExpectDrawingShown(r);

    // What the window paints is the retained drawing, pixel for pixel, where
    // no control covers it. Grabbing paints without letting a tick in.
    const QRect grabbed(0, 0, std::min(r.window.width(), 1024), std::min(r.window.height(), 1024));
    const QImage shown = r.window.grab(grabbed).toImage();
    const QImage picture = r.window.picture();
    EXPECT_EQ(picture.size(), size * ratio);
    EXPECT_EQ(picture.devicePixelRatio(), ratio);
    EXPECT_EQ(shown.size(), grabbed.size() * ratio);
    int compared = 0;
    for (const QPointF& p : r.curvePixels()) {
        if (grabbed.contains(p.toPoint()) && r.window.childAt(p.toPoint()) == nullptr) {
            const QPoint device = DevicePixel(picture, p);
            EXPECT_EQ(shown.pixelColor(device), picture.pixelColor(device))
                << "at " << p.x() << ", " << p.y();
            ++compared;
        }
    }
    EXPECT_GE(compared, 20);

    // A part of the window exposed on its own, at odd logical coordinates
    // whose edges fall inside device pixels when the ratio is not whole.
    const QPointF anchor = r.pixelOf(r.state.PlotX[30], r.state.PlotY[30]);
    const QRect part(anchor.toPoint() - QPoint(111, 121), QSize(333, 201));
    ASSERT_TRUE(QRect(QPoint(0, 0), r.window.size()).contains(part));
    EXPECT_EQ(DevicePixelsPaintedOtherwise(r.window, part, picture), 0);

    ExpectControlsUsable(r);
}

INSTANTIATE_TEST_SUITE_P(WindowResize, AtEverySize,
                         testing::Values(SizeRow{800, 600}, SizeRow{1280, 720}, SizeRow{1920, 1080},
                                         SizeRow{2560, 1440}, SizeRow{3840, 2160}),
                         SizeName);

TEST(WindowResize, UpAndDownThroughTheSizesTheRunGoesOnAndNothingDrawnIsLost) {
    Running r;
    const QPointF sample = r.pixelOf(r.state.PlotX[50], r.state.PlotY[50]);
    const QSize sizes[] = {{800, 600},   {1280, 720},  {1920, 1080}, {2560, 1440}, {3840, 2160},
                           {2560, 1440}, {1920, 1080}, {1280, 720},  {800, 600},   {3840, 2160}};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        const QImage before = ImageOf(r.window.surface()).copy();
        const std::int64_t ticks = r.state.StepCount;
        r.window.resize(size);
        // The resize itself runs no tick, so the image must be exactly what
        // it was, grown where the window grew.
        ASSERT_EQ(r.state.StepCount, ticks);
        const QImage after = ImageOf(r.window.surface());
        ASSERT_GE(after.width(), std::ceil(size.width() * ExpectedPixelRatio()));
        ASSERT_GE(after.height(), std::ceil(size.height() * ExpectedPixelRatio()));
        EXPECT_TRUE(after.copy(before.rect()) == before);
        // The drawing neither moves nor stretches.
        const QPointF now = r.pixelOf(r.state.PlotX[50], r.state.PlotY[50]);
        EXPECT_NEAR(now.x(), sample.x(), 1e-9);
        EXPECT_NEAR(now.y(), sample.y(), 1e-9);

        ASSERT_TRUE(r.ticksGoOn());
        EXPECT_TRUE(r.window.runTimer().isActive());
        EXPECT_EQ(checks::FirstNonFinite(r.state), "");
        EXPECT_TRUE(checks::OnCurve(r.state));
        ExpectDrawingShown(r);
    }
    EXPECT_EQ(r.form.FailureCount(), 0);
}

TEST(WindowResize, MinimisedAndRestoredTheRunGoesOnAndTheControlsStillWork) {
    Running r;
    r.window.resize(1280, 720);
    ASSERT_TRUE(r.ticksGoOn());
    for (int round = 0; round < 3; ++round) {
        r.window.showMinimized();
        EXPECT_TRUE(r.window.isMinimized());
        ASSERT_TRUE(r.ticksGoOn());
        EXPECT_TRUE(r.window.runTimer().isActive());
        r.window.showNormal();
        EXPECT_FALSE(r.window.isMinimized());
        ASSERT_TRUE(r.ticksGoOn());
    }
    EXPECT_EQ(r.window.size(), QSize(1280, 720));
    EXPECT_TRUE(r.window.isVisible());
    ExpectDrawingShown(r);
    ExpectControlsUsable(r);
}

// The buffer the window is shown from is the system's to give: a size it has
// no memory for (here more than any memory holds) is given back, and the
// window goes on at its last size, no widget having tried to paint into
// nothing.
TEST(WindowResize, ASizeWithoutMemoryToShowItIsGivenBack) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "the address sanitizer ends the program at a request for more memory "
                        "than there is, rather than failing it";
    }
    Running r;
    const BackingStoreGuard guard(r.window);
    const long long painted = r.window.repaintCount();
    r.window.update();
    ASSERT_TRUE(QTest::qWaitFor([&] { return r.window.repaintCount() > painted; }, kTickWaitMs));
    const QSize before = r.window.size();
    // Qt's messages of painting that failed, counted while the test runs.
    static int failedPaints = 0;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
            if (message.startsWith("QPainter") || message.startsWith("QWidget::paintEngine")) {
                ++failedPaints;
            }
        });
    r.window.resize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const bool givenBack = QTest::qWaitFor(
        [&] { return r.window.size() == before && r.window.repaintCount() > 0; }, kTickWaitMs);
    qInstallMessageHandler(previous);
    ASSERT_TRUE(givenBack) << "the window stayed " << r.window.width() << "x" << r.window.height();
    EXPECT_EQ(failedPaints, 0);
    const long long repaints = r.window.repaintCount();
    EXPECT_TRUE(r.ticksGoOn());
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.window.repaintCount() > repaints; }, kTickWaitMs));
    EXPECT_EQ(r.form.FailureCount(), 0);
}

}  // namespace
}  // namespace zorva
