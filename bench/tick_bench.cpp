// What one tick costs: the whole tick drawing into the window's retained
// image at full-HD and 4K, the tick's physics alone, and the drawing
// operations that dominate a tick. Each tick benchmark reports the median
// and the 95th percentile of single ticks over POLTAX 20 runs with all three
// boxes ticked, the busiest picture the window draws.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "form/fixed_screen.h"
#include "form/form.h"
#include "plot/null_surface.h"
#include "plot/surface.h"
#include "sim/state.h"
#include "ui/qt_surface.h"

namespace zorva {
namespace {

constexpr double kTwipsPerPixel = 15.0;

double Percentile(std::vector<double>& values, double fraction) {
    if (values.empty()) {
        return 0.0;
    }
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at),
                     values.end());
    return values[at];
}

// The main window started on surface, POLTAX 20 with all three boxes
// ticked: the busiest picture it draws.
struct BusyWindow {
    SimulationState state;
    Zerkan form;
    FixedScreen host;

    BusyWindow(Surface& surface, int width, int height)
        : form(state, surface), host(surface, width, height) {
        form.SetLogCapacity(0);
        form.Main(host);
        form.POLTAX.SetValue(20);
        form.Check1.SetValue(1);
        form.Check2.SetValue(1);
        form.Check3.SetValue(1);
    }
};

// One tick of form, timed alone, in microseconds.
double TimedTick(Zerkan& form) {
    const auto start = std::chrono::steady_clock::now();
    form.Timer1.Elapse();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(end - start).count();
}

// Ticks of POLTAX 20 runs, one run after another, each tick timed alone.
void RunTicks(benchmark::State& bench, Surface& surface, int width, int height) {
    BusyWindow window(surface, width, height);
    Zerkan& form = window.form;
    form.Command1.Press();

    std::vector<double> micros;
    micros.reserve(1 << 16);
    for (auto _ : bench) {
        if (!form.Timer1.Active()) {
            bench.PauseTiming();
            form.Command1.Press();
            bench.ResumeTiming();
        }
        micros.push_back(TimedTick(form));
    }
    bench.counters["median_us"] = Percentile(micros, 0.5);
    bench.counters["p95_us"] = Percentile(micros, 0.95);
}

void BM_Tick(benchmark::State& bench) {
    const int width = static_cast<int>(bench.range(0));
    const int height = static_cast<int>(bench.range(1));
    QtSurface surface(width, height, kTwipsPerPixel);
    surface.setFont(QGuiApplication::font());
    RunTicks(bench, surface, width, height);
}
BENCHMARK(BM_Tick)->Args({1920, 1080})->Args({3840, 2160})->MinTime(2.0);

// The window's surface, timing each drawing operation a tick makes, so that
// the tick's drawing time can be split by kind of operation.
class TimedSurface : public QtSurface {
  public:
    using QtSurface::QtSurface;
    enum Kind { kThinLine, kWideLine, kThinCircle, kWideCircle, kDot, kText, kKinds };
    std::array<double, kKinds> micros{};
    std::array<double, kKinds> calls{};

  protected:
    void drawDot(Point centre, Colour colour, int diameterPx) override {
        Timed(kDot, [&] { QtSurface::drawDot(centre, colour, diameterPx); });
    }
    void drawLine(Point from, Point to, const Pen& pen) override {
        Timed(pen.width > 3 ? kWideLine : kThinLine, [&] { QtSurface::drawLine(from, to, pen); });
    }
    void drawCircle(Point centre, float radius, const Pen& pen) override {
        Timed(pen.width > 3 ? kWideCircle : kThinCircle,
              [&] { QtSurface::drawCircle(centre, radius, pen); });
    }
    void drawText(Point topLeft, std::string_view text, Colour colour, bool bold) override {
        Timed(kText, [&] { QtSurface::drawText(topLeft, text, colour, bold); });
    }

  private:
    template <typename F>
    void Timed(Kind kind, F&& draw) {
        const auto start = std::chrono::steady_clock::now();
        draw();
        calls[kind] += 1;
        micros[kind] +=
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
    }
};

void BM_TickDrawingSplit(benchmark::State& bench) {
    TimedSurface surface(1920, 1080, kTwipsPerPixel);
    surface.setFont(QGuiApplication::font());
    RunTicks(bench, surface, 1920, 1080);
    const char* names[] = {"thin_line_us",   "wide_line_us", "thin_circle_us",
                           "wide_circle_us", "dot_us",       "text_us"};
    for (int k = 0; k < TimedSurface::kKinds; ++k) {
        bench.counters[names[k]] =
            surface.micros[static_cast<std::size_t>(k)] / static_cast<double>(bench.iterations());
        bench.counters[std::string(names[k]) + "_n"] =
            surface.calls[static_cast<std::size_t>(k)] / static_cast<double>(bench.iterations());
    }
}
BENCHMARK(BM_TickDrawingSplit)->MinTime(1.0);

// The full-HD tick by the stretch of the run it falls in: the median of the
// ticks 0–99, 100–199 and so on of POLTAX 20 runs (a run stops after about
// 810 ticks), after one run to warm up. The picture changes along a run: the
// circle of curvature shrinks from thousands of pixels across to a dot, and
// the force arrows grow until they cross the legend and its labels.
void BM_TickByStretch(benchmark::State& bench) {
    QtSurface surface(1920, 1080, kTwipsPerPixel);
    surface.setFont(QGuiApplication::font());
    BusyWindow window(surface, 1920, 1080);
    Zerkan& form = window.form;
    constexpr int kStretchTicks = 100;
    constexpr int kStretches = 9;
    std::array<std::vector<double>, kStretches> micros;
    int run = 0;
    for (auto _ : bench) {
        form.Command1.Press();
        for (int tick = 0; form.Timer1.Active(); ++tick) {
            const double tickMicros = TimedTick(form);
            if (run > 0) {
                micros[static_cast<std::size_t>(std::min(tick / kStretchTicks, kStretches - 1))]
                    .push_back(tickMicros);
            }
        }
        ++run;
    }
    for (int k = 0; k < kStretches; ++k) {
        bench.counters["ticks_" + std::to_string(k * kStretchTicks) + "_us"] =
            Percentile(micros[static_cast<std::size_t>(k)], 0.5);
    }
}
BENCHMARK(BM_TickByStretch)->Iterations(6);

void BM_TickPhysicsOnly(benchmark::State& bench) {
    NullSurface surface(1920, 1080, kTwipsPerPixel);
    RunTicks(bench, surface, 1920, 1080);
}
BENCHMARK(BM_TickPhysicsOnly)->MinTime(1.0);

// The single drawing operations of a tick, in pixel coordinates of a
// full-HD image, at the sizes a tick draws them.
struct Canvas {
    QtSurface surface{1920, 1080, kTwipsPerPixel};
    Canvas() {
        surface.setFont(QGuiApplication::font());
        surface.Scale(0, 0, 1920, 1080);
    }
};

void BM_Line(benchmark::State& bench) {
    Canvas c;
    c.surface.DrawWidth = static_cast<int>(bench.range(0));
    c.surface.DrawStyle = static_cast<int>(bench.range(1));
    const double length = static_cast<double>(bench.range(2));
    double y = 100;
    for (auto _ : bench) {
        c.surface.Line(500, y, 500 + length * 0.8, y + length * 0.6, RGB(0, 0, 255));
        y = y > 900 ? 100 : y + 1;
    }
}
BENCHMARK(BM_Line)
    ->ArgNames({"width", "style", "length"})
    ->Args({1, kSolid, 8})
    ->Args({1, kSolid, 55})
    ->Args({2, kSolid, 55})
    ->Args({3, kSolid, 55})
    ->Args({1, kDashDot, 55})
    ->Args({1, kSolid, 400})
    ->Args({1, kSolid, 100000});

// An eraser as a tick paints one: a 55-pixel white stroke over last tick's
// arrow, which lies along its middle.
void BM_Eraser(benchmark::State& bench) {
    Canvas c;
    const double length = static_cast<double>(bench.range(0));
    double y = 100;
    for (auto _ : bench) {
        c.surface.DrawWidth = 3;
        c.surface.Line(500, y, 500 + length * 0.8, y + length * 0.6, RGB(0, 0, 0));
        c.surface.DrawWidth = 55;
        c.surface.Line(500, y, 500 + length * 0.8, y + length * 0.6, RGB(255, 255, 255));
        y = y > 600 ? 100 : y + 1;
    }
}
BENCHMARK(BM_Eraser)->ArgName("length")->Arg(30)->Arg(300);

void BM_Circle(benchmark::State& bench) {
    Canvas c;
    const double radius = static_cast<double>(bench.range(0));
    for (auto _ : bench) {
        c.surface.Circle(900, 500, radius, RGB(0, 0, 0));
    }
}
BENCHMARK(BM_Circle)->ArgName("radius")->Arg(5)->Arg(300)->Arg(5000)->Arg(1000000);

void BM_Dot(benchmark::State& bench) {
    Canvas c;
    c.surface.DrawWidth = static_cast<int>(bench.range(0));
    double x = 100;
    for (auto _ : bench) {
        c.surface.PSet(x, 500, RGB(0, 0, 0));
        x = x > 1800 ? 100 : x + 1;
    }
}
BENCHMARK(BM_Dot)->ArgName("width")->Arg(1)->Arg(3);

// A label printed where it was not printed before: printed again and again
// in one place, a label soon stops changing the pixels under it, and the
// surface then leaves it out.
void BM_Print(benchmark::State& bench) {
    Canvas c;
    c.surface.FontBold = bench.range(0) != 0;
    double x = 100;
    for (auto _ : bench) {
        c.surface.CurrentX = x;
        c.surface.CurrentY = 30;
        c.surface.Print("         N,  M\u00b7g");
        x = x > 1500 ? 100 : x + 1;
    }
}
BENCHMARK(BM_Print)->ArgName("bold")->Arg(0)->Arg(1);

}  // namespace
}  // namespace zorva

int main(int argc, char** argv) {
    // The drawing needs fonts but no screen.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
