#include "ui/qt_window.h"

#include "ui/graph_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

namespace zorva {
namespace {

// The program as main starts it, on the offscreen platform's 800 × 800 screen.
struct Started {
    SimulationState state;
    QtWindow window{state};
    Started() { window.form().Main(window); }

    QPoint pixelOf(double x, double y) {
        const PixelPoint p = window.surface().Frame().toPixel({x, y});
        return {static_cast<int>(p.x), static_cast<int>(p.y)};
    }
    QColor colourAt(QPoint p) { return ImageOf(window.surface()).pixelColor(p); }
    template <typename W>
    W* widget(const Control& control) {
        return qobject_cast<W*>(window.widgetFor(control));
    }
};

bool IsDark(const QColor& c) {
    return c.lightness() < 100;
}

TEST(QtWindow, StartsScreenSizedWhiteWithTheBlackCurve) {
    Started s;
    EXPECT_EQ(s.window.windowTitle(), "ZORVA");
    EXPECT_EQ(s.window.objectName(), "zerkan");
    EXPECT_TRUE(s.window.isVisible());
    EXPECT_EQ(s.window.frameGeometry().size(), QSize(800, 800));
    EXPECT_NEAR(s.state.BaseWidth, 0.1, 1e-15);
    const double x = 0.05;
    const double y = (1.0 - std::pow(3 * 9.81 * 0.5 * x, 2.0 / 3.0)) / (2 * 9.81);
    EXPECT_TRUE(IsDark(s.colourAt(s.pixelOf(x, y))));
    EXPECT_EQ(s.colourAt(s.pixelOf(0.05, 0.04)), QColor(Qt::white));
    EXPECT_FALSE(s.window.runTimer().isActive());
    EXPECT_EQ(s.widget<QLabel>(s.window.form().Label1)->text(), "Velocity x =  2.0  alfa");
}

TEST(QtWindow, ControlsSitWhereTheFormPutsThem) {
    Started s;
    const auto* bar = s.window.widgetFor(s.window.form().POLTAX);
    // 796 px wide inside the frame: the bars start W/40 from the left, W/5
    // wide, fourth row.
    EXPECT_EQ(bar->geometry(), QRect(20, 75, 159, 25));
    EXPECT_EQ(s.window.widgetFor(s.window.form().Command1)->pos(), QPoint(0, 0));
    // The check box's designed place would reach past the right edge: it is
    // moved just inside.
    const auto* place = s.window.findChild<QWidget*>("Check1Place");
    EXPECT_EQ(place->geometry(), QRect(796 - 369, 8, 369, 41));
}

TEST(QtWindow, MovingABarRunsItsHandlerOnceAndSettingItMovesTheBar) {
    Started s;
    Zerkan& form = s.window.form();
    auto* poltax = s.widget<QScrollBar>(form.POLTAX);
    poltax->setValue(10);
    EXPECT_EQ(form.POLTAX.Value(), 10);
    EXPECT_TRUE(s.widget<QLabel>(form.Label1)->text().contains("FY= 0.00"));
    form.klimax.SetValue(3);
    EXPECT_EQ(s.widget<QScrollBar>(form.klimax)->value(), 3);
    EXPECT_EQ(s.widget<QLabel>(form.Label3)->text(), QString::fromUtf8(" Scale \u03a73"));
    s.widget<QScrollBar>(form.vimaxrono)->setValue(500);
    EXPECT_EQ(form.vimaxrono.Value(), 10);
}

TEST(QtWindow, ScreenReadersHearTheBarsAsSlidersWithTheirReadoutsText) {
    Started s;
    Zerkan& form = s.window.form();
    QAccessibleInterface* bar =
        QAccessible::queryAccessibleInterface(s.window.widgetFor(form.POLTAX));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::Slider);
    EXPECT_EQ(bar->text(QAccessible::Name), "Launch speed");
    form.POLTAX.SetValue(10);
    const QString readout = s.widget<QLabel>(form.Label1)->text();
    EXPECT_TRUE(readout.contains("FY= 0.00"));
    EXPECT_EQ(bar->text(QAccessible::Value), readout);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 10);
    // The readout itself gives its text first, then what it means.
    EXPECT_TRUE(s.widget<QLabel>(form.Label1)->accessibleDescription().startsWith(readout));
}

TEST(QtWindow, TimeOnStartsThePreciseTimerAndStopStopsIt) {
    Started s;
    Zerkan& form = s.window.form();
    s.widget<QPushButton>(form.Command4)->click();  // CONTINUE before "Time on"
    EXPECT_FALSE(s.window.runTimer().isActive());
    s.widget<QPushButton>(form.Command1)->click();
    EXPECT_TRUE(s.window.runTimer().isActive());
    // At least once a screen refresh: each wake-up raises what fell due.
    EXPECT_LE(s.window.runTimer().interval(), 16);
    EXPECT_EQ(s.window.runTimer().timerType(), Qt::PreciseTimer);
    s.widget<QPushButton>(form.Command2)->click();
    EXPECT_FALSE(s.window.runTimer().isActive());
    EXPECT_EQ(s.state.VelX, -2.0);
}

TEST(QtWindow, ClickingTheCheckBoxPlaceTogglesTheBox) {
    Started s;
    Zerkan& form = s.window.form();
    auto* box = s.widget<QCheckBox>(form.Check2);
    auto* place = s.window.findChild<QWidget*>("Check2Place");
    QTest::mouseClick(place, Qt::LeftButton, {}, QPoint(5, 30));
    EXPECT_EQ(form.Check2.Value(), 1);
    EXPECT_TRUE(box->isChecked());
    form.Check2.SetValue(0);
    EXPECT_FALSE(box->isChecked());
}

TEST(QtWindow, AClickOnTheDrawingDrawsTheCircleButAClickOnAReadoutDoesNot) {
    Started s;
    s.state.VelX = 5.0;
    auto* readout = s.widget<QLabel>(s.window.form().Label2);
    QTest::mouseClick(readout, Qt::LeftButton, {}, QPoint(4, 12));
    QTest::mouseClick(readout, Qt::LeftButton, {}, QPoint(readout->width() - 2, 12));
    EXPECT_EQ(s.state.VelX, 5.0);
    // Zoomed out so far that the centre of curvature of the start point lies
    // on the screen.
    s.window.form().klimax.SetValue(20);
    s.state.VelX = 5.0;
    const QPoint centre = s.pixelOf(0.322800, 0.509684);
    ASSERT_TRUE(s.window.rect().contains(centre));
    ASSERT_FALSE(IsDark(s.colourAt(centre)));
    QTest::mouseClick(&s.window, Qt::RightButton, {}, s.pixelOf(1 / 14.715, 0.0));
    EXPECT_EQ(s.state.VelX, -2.0);
    // The centre, drawn as a 4-px dot.
    EXPECT_TRUE(IsDark(s.colourAt(centre)));
}

TEST(QtWindow, AWholeRunStopsByItselfWithRepaintsCoalesced) {
    Started s;
    Zerkan& form = s.window.form();
    s.widget<QScrollBar>(form.POLTAX)->setValue(10);
    const long long before = s.window.repaintCount();
    QElapsedTimer clock;
    clock.start();
    s.widget<QPushButton>(form.Command1)->click();
    while (s.window.runTimer().isActive() && clock.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double seconds = clock.elapsed() / 1000.0;
    EXPECT_FALSE(s.window.runTimer().isActive());
    EXPECT_NEAR(s.state.PosY, 1 / 19.62, 0.001 / 19.62);
    EXPECT_GT(s.state.StepCount, 2000);
    // Repaints come, but no more often than the screen refreshes. A run of
    // two seconds or more copies the drawing many times; a window that never
    // repainted would copy it not at all.
    const long long repaints = s.window.repaintCount() - before;
    EXPECT_GE(repaints, 2);
    EXPECT_LT(repaints / seconds, 120.0);
}

TEST(QtWindow, TheGraphsFollowTheRunAndCtrlGOpensAndClosesThem) {
    Started s;
    Zerkan& form = s.window.form();
    GraphWindow& graphs = s.window.graphs();
    EXPECT_FALSE(graphs.isVisible());
    s.widget<QPushButton>(form.Command1)->click();
    for (int i = 0; i < 5; ++i) {
        form.Timer1_Timer();
    }
    // Closed graphs still receive the run, so opening them shows it whole.
    EXPECT_EQ(graphs.sampleCount(), form.Log().rows().size());
    EXPECT_GT(graphs.sampleCount(), 0u);
    EXPECT_FALSE(graphs.refreshPending());
    s.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s.window));
    QTest::keyClick(&s.window, Qt::Key_G, Qt::ControlModifier);
    ASSERT_TRUE(graphs.isVisible());
    graphs.refreshNow();
    EXPECT_EQ(graphs.plottedPoints(), graphs.sampleCount());
    s.window.toggleGraphs();
    EXPECT_FALSE(graphs.isVisible());
    // A new run starts a new trace.
    s.widget<QPushButton>(form.Command1)->click();
    EXPECT_EQ(graphs.sampleCount(), 0u);
}

// The title of the modal dialog that press opens, which is then closed;
// empty when it opens none.
QString DialogTitle(const std::function<void()>& press) {
    QString title;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&title] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            dialog->reject();
        }
    });
    poll.start(10);
    press();
    return title;
}

// Every key of the main window does the same while the graph window is the
// active one; in this order, each row's key finds the window as the row
// before left it.
TEST(QtWindow, EveryKeyOfTheMainWindowWorksFromTheGraphWindow) {
    Started s;
    const Zerkan& form = s.window.form();
    GraphWindow& graphs = s.window.graphs();
    s.window.toggleGraphs();
    using Press = std::function<void()>;
    struct Key {
        QKeySequence keys;
        std::function<bool(const Press&)> works;
    };
    const std::vector<Key> keys{
        {QKeySequence(Qt::Key_F5),
         [&](const Press& press) {
             press();
             return form.Timer1.Active();
         }},
        {QKeySequence(Qt::Key_F6),
         [&](const Press& press) {
             press();
             return !form.Timer1.Active();
         }},
        {QKeySequence(Qt::Key_F7),
         [&](const Press& press) {
             const auto before = s.state.StepCount;
             press();
             return s.state.StepCount == before + 1;
         }},
        {QKeySequence(Qt::Key_F8),
         [&](const Press& press) {
             press();
             return form.Timer1.Active();
         }},
        {QKeySequence(Qt::Key_F1),
         [&](const Press& press) {
             press();
             const auto boxes = s.window.findChildren<QMessageBox*>();
             const bool shown = boxes.size() == 1 && boxes.front()->isVisible();
             for (QMessageBox* box : boxes) {
                 box->close();
             }
             return shown;
         }},
        {QKeySequence(Qt::CTRL | Qt::Key_E),
         [](const Press& press) { return DialogTitle(press) == "Save the drawing"; }},
        {QKeySequence(Qt::CTRL | Qt::Key_D),
         [](const Press& press) { return DialogTitle(press).startsWith("Save the run's data"); }},
        {QKeySequence(Qt::CTRL | Qt::Key_G),
         [&](const Press& press) {
             press();
             return !graphs.isVisible();
         }},
    };
    QList<QKeySequence> tested;
    for (const Key& key : keys) {
        tested.append(key.keys);
        graphs.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &graphs; }));
        EXPECT_TRUE(key.works([&] { QTest::keySequence(&graphs, key.keys); }))
            << key.keys.toString().toStdString();
    }
    QList<QKeySequence> bound;
    for (const QShortcut* shortcut :
         s.window.findChildren<QShortcut*>(Qt::FindDirectChildrenOnly)) {
        bound.append(shortcut->key());
    }
    std::sort(tested.begin(), tested.end());
    std::sort(bound.begin(), bound.end());
    EXPECT_EQ(tested, bound) << "every key of the main window is tried";
}

// Waits, handling the window's events, until done() holds; false after 20 s.
template <typename Done>
bool WaitFor(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done();
}

TEST(QtWindow, EachWakeUpDeliversTheTicksTheRunClockSaysFellDue) {
    Started s;
    Zerkan& form = s.window.form();
    double now = 1000.0;
    s.window.setRunClock([&now] { return now; });
    s.widget<QPushButton>(form.Command1)->click();
    ASSERT_TRUE(s.window.runTimer().isActive());
    now += 30.0;
    ASSERT_TRUE(WaitFor([&] { return s.state.StepCount > 0; }));
    EXPECT_EQ(s.state.StepCount, 30);
    // A long stall is made up only as far as the pace allows, and not later.
    now += 10000.0;
    ASSERT_TRUE(WaitFor([&] { return s.state.StepCount > 30; }));
    EXPECT_EQ(s.state.StepCount, 30 + 50 + RunPacer::kExtraEvents);
}

TEST(QtWindow, ThePaintedWindowShowsTheRetainedDrawing) {
    Started s;
    // The window's own paint, as the screen would receive it.
    const QImage shown = s.window.grab().toImage();
    const QImage retained = s.window.picture();
    ASSERT_EQ(shown.size(), retained.size());
    const double x = 0.05;
    const double y = (1.0 - std::pow(3 * 9.81 * 0.5 * x, 2.0 / 3.0)) / (2 * 9.81);
    const QPoint onCurve = s.pixelOf(x, y);
    EXPECT_EQ(shown.pixelColor(onCurve), retained.pixelColor(onCurve));
}

}  // namespace
}  // namespace zorva
