// A run that never ends by itself, for as many ticks as asked: the real
// window with its form, tick and retained drawing on the offscreen platform
// (or, with --no-drawing, the form and tick alone), launched at speed factor
// 0.5, so the body turns back below the summit and slides down for ever.
// After every tick the state must be finite, the body on the curve and the
// run timer running; along the way the resident memory, the tick times and
// the body's position and velocity are reported, and a verdict line ends the
// output. Exit status 0 on PASS, 1 on FAIL, 2 on a bad command line.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/fixed_screen.h"
#include "plot/null_surface.h"
#include "tests/form/state_checks.h"
#include "ui/qt_window.h"

namespace zorva {
namespace {

constexpr std::int64_t kDefaultTicks = 10'000'000;
constexpr int kDefaultReports = 20;
// Memory is compared from this share of the run on, or from the tick that
// fills the window's run log if that comes later: by then every cache,
// buffer and log of the window has reached its working size.
constexpr double kBaselineShare = 0.1;
constexpr double kDefaultRssGrowthPct = 5.0;
// The window copies its drawing to the screen at most every 16 ms and a tick
// may come every millisecond.
constexpr int kTicksPerRepaint = 16;
// The launch-speed bar's value at which the body cannot reach the summit.
constexpr int kNeverEndingPoltax = 5;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

struct Options {
    bool drawing = true;
    std::int64_t ticks = kDefaultTicks;
    int reports = kDefaultReports;
    double maxRssGrowthPct = kDefaultRssGrowthPct;
};

const char* const kUsage =
    "usage: zorva_soak [TICKS] [--no-drawing] [--reports N] [--max-rss-growth PCT]\n"
    "  TICKS                 ticks to run (default 10000000)\n"
    "  --no-drawing          the form and tick without the window, drawing into\n"
    "                        nothing: the motion alone, for a day's worth of ticks\n"
    "  --reports N           progress lines over the run (default 20)\n"
    "  --max-rss-growth PCT  allowed growth of resident memory from 10% of the\n"
    "                        run (or the tick that fills the run log) to its end\n"
    "                        (default 5; not judged under the address sanitizer,\n"
    "                        whose quarantine holds on to freed memory)\n";

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && rest == end;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--no-drawing") {
            options.drawing = false;
        } else if (arg == "--reports" && hasValue) {
            if (!ParseNumber(argv[++i], options.reports) || options.reports < 1) {
                return std::nullopt;
            }
        } else if (arg == "--max-rss-growth" && hasValue) {
            if (!ParseNumber(argv[++i], options.maxRssGrowthPct) ||
                !(options.maxRssGrowthPct >= 0.0)) {
                return std::nullopt;
            }
        } else if (!ParseNumber(arg, options.ticks) || options.ticks < 1) {
            return std::nullopt;
        }
    }
    return options;
}

/// Resident memory of this process in kB, or -1 when it cannot be read.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

/// Tick times of one report interval, in microseconds.
class TickTimes {
  public:
    explicit TickTimes(std::size_t expected) {
        // Written through once, so that filling it later adds nothing to
        // the resident memory being watched.
        times_.assign(expected, 0.0);
        times_.clear();
    }
    void add(double us, std::int64_t tick) {
        times_.push_back(us);
        intervalMaxUs_ = std::max(intervalMaxUs_, us);
        if (us > maxUs_) {
            maxUs_ = us;
            maxTick_ = tick;
        }
    }
    double median() {
        if (times_.empty()) {
            return 0.0;
        }
        const auto middle = times_.begin() + static_cast<std::ptrdiff_t>(times_.size() / 2);
        std::nth_element(times_.begin(), middle, times_.end());
        return *middle;
    }
    double mean() const {
        double sum = 0.0;
        for (const double t : times_) {
            sum += t;
        }
        return times_.empty() ? 0.0 : sum / static_cast<double>(times_.size());
    }
    double intervalMax() const { return intervalMaxUs_; }
    void restart() {
        times_.clear();
        intervalMaxUs_ = 0.0;
    }
    double maxUs() const { return maxUs_; }
    std::int64_t maxTick() const { return maxTick_; }

  private:
    std::vector<double> times_;
    double intervalMaxUs_ = 0.0;
    double maxUs_ = 0.0;
    std::int64_t maxTick_ = 0;
};

// The program under soak: the form with its state, and whatever shows the run.
class Rig {
  public:
    virtual ~Rig() = default;
    virtual Zerkan& form() = 0;
    virtual const SimulationState& state() const = 0;
    /// Whether whatever drives the run timer still runs it.
    virtual bool timerRunning() const = 0;
    /// Lets the screen catch up, as the window's event loop does between ticks.
    virtual void catchUp() {}
    /// How often the picture reached the screen; -1 when nothing is shown.
    virtual long long repaints() const { return -1; }
    virtual std::string describe() const = 0;
    /// What broke in a tick that ran while the screen caught up, if anything.
    virtual std::string brokenMeanwhile() const { return ""; }
};

std::string Broken(Rig& rig);

// The real window, on the offscreen platform's screen.
class WindowRig final : public Rig {
  public:
    WindowRig() {
        // Set up as a user would: every vector shown, the slow launch, "Time on".
        Zerkan& f = window_.form();
        f.Main(window_);
        for (const CheckBox* box : {&f.Check1, &f.Check2, &f.Check3}) {
            qobject_cast<QCheckBox*>(window_.widgetFor(*box))->setChecked(true);
        }
        qobject_cast<QScrollBar*>(window_.widgetFor(f.POLTAX))->setValue(kNeverEndingPoltax);
        qobject_cast<QPushButton*>(window_.widgetFor(f.Command1))->click();
        QCoreApplication::processEvents();
        // The window's own timer delivers ticks while the screen catches up;
        // each of them is checked as it is drawn.
        f.tickDrawn = [this, graphs = f.tickDrawn](const TickSample& sample) {
            if (graphs) {
                graphs(sample);
            }
            if (catchingUp_ && brokenMeanwhile_.empty()) {
                brokenMeanwhile_ = Broken(*this);
            }
        };
    }
    Zerkan& form() override { return window_.form(); }
    const SimulationState& state() const override { return state_; }
    bool timerRunning() const override { return window_.runTimer().isActive(); }
    void catchUp() override {
        catchingUp_ = true;
        window_.update();
        QCoreApplication::processEvents();
        catchingUp_ = false;
    }
    std::string brokenMeanwhile() const override { return brokenMeanwhile_; }
    long long repaints() const override { return window_.repaintCount(); }
    std::string describe() const override {
        return "window " + std::to_string(window_.width()) + "x" + std::to_string(window_.height());
    }

  private:
    SimulationState state_;
    QtWindow window_{state_};
    bool catchingUp_ = false;
    std::string brokenMeanwhile_;
};

// The form and its tick with no window at all, drawing into nothing.
class DrawingFreeRig final : public Rig {
  public:
    DrawingFreeRig() {
        form_.Main(screen_);
        for (CheckBox* box : {&form_.Check1, &form_.Check2, &form_.Check3}) {
            box->SetValue(1);
        }
        form_.POLTAX.SetValue(kNeverEndingPoltax);
        form_.Command1.Press();
    }
    Zerkan& form() override { return form_; }
    const SimulationState& state() const override { return state_; }
    bool timerRunning() const override { return form_.Timer1.Active(); }
    std::string describe() const override { return "no drawing"; }

  private:
    SimulationState state_;
    // Draws nothing: the motion alone, fast enough for a day's worth of ticks.
    NullSurface surface_{1920, 1080, 15.0};
    FixedScreen screen_{surface_, 1920, 1080};
    Zerkan form_{state_, surface_};
};

/// What is wrong with the run after a tick, or "" when nothing is.
std::string Broken(Rig& rig) {
    if (std::string meanwhile = rig.brokenMeanwhile(); !meanwhile.empty()) {
        return meanwhile + " (in a tick of the window's own timer)";
    }
    const SimulationState& state = rig.state();
    if (const std::string name = checks::FirstNonFinite(state); !name.empty()) {
        return name + " is not finite";
    }
    if (!checks::OnCurve(state)) {
        return "the body left the curve";
    }
    if (rig.form().FailureCount() != 0) {
        return "an event failed";
    }
    if (!rig.form().Timer1.Active() || !rig.timerRunning()) {
        return "the run timer stopped";
    }
    return "";
}

void PrintState(const SimulationState& s) {
    std::printf(" PosX=%.9g PosY=%.9g VelX=%.9g VelY=%.9g", s.PosX, s.PosY, s.VelX, s.VelY);
}

int Soak(const Options& options, Rig& rig) {
    Zerkan& form = rig.form();
    const SimulationState& state = rig.state();

    const std::int64_t perReport = std::max<std::int64_t>(1, options.ticks / options.reports);
    const std::int64_t baselineTick =
        std::max(static_cast<std::int64_t>(static_cast<double>(options.ticks) * kBaselineShare),
                 static_cast<std::int64_t>(Zerkan::kWindowLogRows));
    const long startKb = ResidentKb();
    long baselineKb = -1;
    std::printf("soak: %lld ticks, %s, time step %g s, rss_kb=%ld\n",
                static_cast<long long>(options.ticks), rig.describe().c_str(), state.TimeStep,
                startKb);
    std::fflush(stdout);

    TickTimes times(static_cast<std::size_t>(perReport) + kTicksPerRepaint);
    std::int64_t nextReport = perReport;
    long long lastRepaints = rig.repaints();
    std::int64_t lastReportTick = 0;
    std::string broken = Broken(rig);
    const auto started = std::chrono::steady_clock::now();
    int sinceRepaint = 0;
    while (broken.empty() && state.StepCount < options.ticks) {
        const auto before = std::chrono::steady_clock::now();
        form.Timer1.Elapse();
        const auto after = std::chrono::steady_clock::now();
        times.add(std::chrono::duration<double, std::micro>(after - before).count(),
                  state.StepCount);
        broken = Broken(rig);
        if (broken.empty() && ++sinceRepaint == kTicksPerRepaint) {
            sinceRepaint = 0;
            rig.catchUp();
            broken = Broken(rig);
        }
        if (baselineKb < 0 && state.StepCount >= baselineTick) {
            baselineKb = ResidentKb();
        }
        if (state.StepCount >= nextReport || !broken.empty()) {
            nextReport += perReport;
            const long long repaints = rig.repaints();
            const bool repaintDue =
                repaints >= 0 && state.StepCount - lastReportTick >= 2LL * kTicksPerRepaint;
            if (broken.empty() && repaintDue && repaints == lastRepaints) {
                broken = "the window stopped repainting";
            }
            lastRepaints = repaints;
            lastReportTick = state.StepCount;
            std::printf(
                "ticks=%lld rss_kb=%ld tick_us_median=%.1f tick_us_mean=%.1f tick_us_max=%.1f "
                "log_rows=%zu",
                static_cast<long long>(state.StepCount), ResidentKb(), times.median(), times.mean(),
                times.intervalMax(), form.Log().rows().size());
            PrintState(state);
            std::printf("\n");
            std::fflush(stdout);
            times.restart();
        }
    }
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (broken.empty() && form.Log().rows().size() > Zerkan::kWindowLogRows) {
        broken = "the run log outgrew its cap";
    }

    const long endKb = ResidentKb();
    const double growthPct =
        baselineKb > 0 ? 100.0 * static_cast<double>(endKb - baselineKb) / baselineKb : 0.0;
    const bool judgeRss = !kAddressSanitizer;
    if (broken.empty() && judgeRss && growthPct > options.maxRssGrowthPct) {
        broken = "resident memory grew too much";
    }
    std::printf(
        "verdict: %s ticks=%lld wall_s=%.1f rss_kb_start=%ld rss_kb_baseline=%ld "
        "rss_kb_end=%ld rss_growth_pct=%.2f%s max_tick_us=%.1f max_tick_at=%lld t_s=%.3f",
        broken.empty() ? "PASS" : "FAIL", static_cast<long long>(state.StepCount), wallSeconds,
        startKb, baselineKb, endKb, growthPct,
        judgeRss ? "" : " (not judged under the address sanitizer)", times.maxUs(),
        static_cast<long long>(times.maxTick()),
        static_cast<double>(state.StepCount) * state.TimeStep);
    PrintState(state);
    if (!broken.empty()) {
        std::printf(" reason=\"%s\"", broken.c_str());
    }
    std::printf("\n");
    return broken.empty() ? 0 : 1;
}

}  // namespace
}  // namespace zorva

int main(int argc, char** argv) {
    const std::optional<zorva::Options> options = zorva::ParseOptions(argc, argv);
    if (!options) {
        std::fputs(zorva::kUsage, stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    if (!options->drawing) {
        zorva::DrawingFreeRig rig;
        return zorva::Soak(*options, rig);
    }
    zorva::WindowRig rig;
    return zorva::Soak(*options, rig);
}
