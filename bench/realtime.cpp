// Drives the real main window as a user would: sets POLTAX and vimaxrono,
// ticks the three boxes, clicks "Time on" and lets the window's own timer run
// the whole climb. Reports the ticks delivered against the rate the timer
// asks for, timed from the click to the repaint that shows the last tick
// drawn, and the repaints per second. With --memory, runs POLTAX 5 (the body
// never reaches the summit) for a minute and reports resident memory at 5 s
// and at 60 s. With --cpu, runs POLTAX 5 for a while and reports the
// processor time the whole process took meanwhile, as the kernel counts it,
// and that of another process (the X server) over the same time.
//
//   zorva_realtime [--vimaxrono N] [--poltax N]      one whole run
//   zorva_realtime --memory [--seconds S]            memory growth
//   zorva_realtime --cpu [--seconds S] [--other PID] processor time
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "sim/state.h"
#include "ui/qt_window.h"

namespace {

// Resident memory of this process in kB, from the kernel's own account.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Processor time, user and system, of process pid (0: this one) and all its
// threads, in seconds; −1 when it cannot be read.
double ProcessorSeconds(long pid) {
    std::ifstream stat(pid == 0 ? std::string("/proc/self/stat")
                                : "/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    // The command name, in parentheses, may hold spaces: the fields are
    // counted from after its closing parenthesis (the third field on).
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) {
        return -1.0;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0.0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14 || n == 15) {  // utime, stime
            ticks += std::strtod(field.c_str(), nullptr);
        }
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Runs the application's event loop, as the program itself does, until
// done() holds (asked every 10 ms) or limitMs have passed.
template <typename Done>
void RunEventLoop(Done done, double limitMs) {
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || static_cast<double>(clock.elapsed()) >= limitMs) {
            loop.quit();
        }
    });
    check.start(10);
    loop.exec();
}

// Runs the event loop for ms milliseconds.
void RunFor(double ms) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Notes, at every repaint of the window, the ticks drawn so far and when
// the repaint that first showed that many came.
class PaintWatch : public QObject {
  public:
    explicit PaintWatch(const zorva::SimulationState& state) : state_(state) { clock_.start(); }
    long long shownTicks = -1;
    qint64 firstShownNs = 0;
    const QElapsedTimer& clock() const { return clock_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && state_.StepCount != shownTicks) {
            shownTicks = state_.StepCount;
            firstShownNs = clock_.nsecsElapsed();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    const zorva::SimulationState& state_;
    QElapsedTimer clock_;
};

template <typename W>
W* Widget(zorva::QtWindow& window, const zorva::Control& control) {
    return qobject_cast<W*>(window.widgetFor(control));
}

void Prepare(zorva::QtWindow& window, int poltax, int vimaxrono) {
    zorva::Zerkan& form = window.form();
    Widget<QScrollBar>(window, form.vimaxrono)->setValue(vimaxrono);
    Widget<QScrollBar>(window, form.POLTAX)->setValue(poltax);
    for (const zorva::CheckBox* box : {&form.Check1, &form.Check2, &form.Check3}) {
        Widget<QCheckBox>(window, *box)->setChecked(true);
    }
    // Let the window settle on screen before the clock starts.
    RunFor(500);
}

int WholeRun(zorva::QtWindow& window, zorva::SimulationState& state, int poltax, int vimaxrono) {
    Prepare(window, poltax, vimaxrono);
    zorva::Zerkan& form = window.form();
    const long long repaintsBefore = window.repaintCount();
    // The run ends for the user when the picture stops changing: at the
    // repaint that first shows the last tick drawn, which may come after the
    // timer has stopped or before it (the tick that finds the summit draws
    // nothing).
    PaintWatch watch(state);
    window.installEventFilter(&watch);
    Widget<QPushButton>(window, form.Command1)->click();
    RunEventLoop(
        [&] { return !window.runTimer().isActive() && watch.shownTicks == state.StepCount; },
        120000);
    window.removeEventFilter(&watch);
    const bool shown = watch.shownTicks == state.StepCount;
    const double seconds =
        static_cast<double>(shown ? watch.firstShownNs : watch.clock().nsecsElapsed()) / 1e9;
    const double asked = seconds * 1000.0 / form.Timer1.Interval();
    const double repaints = static_cast<double>(window.repaintCount() - repaintsBefore);
    const bool stopped = !window.runTimer().isActive();
    std::printf(
        "vimaxrono=%d poltax=%d ticks=%lld wall_s=%.3f asked=%.0f ratio=%.4f "
        "repaints_per_s=%.1f stopped=%d shown=%d\n",
        vimaxrono, poltax, static_cast<long long>(state.StepCount), seconds, asked,
        static_cast<double>(state.StepCount) / asked, repaints / seconds, stopped ? 1 : 0,
        shown ? 1 : 0);
    return stopped && shown ? 0 : 1;
}

int MemoryRun(zorva::QtWindow& window, double seconds) {
    Prepare(window, 5, 1);
    Widget<QPushButton>(window, window.form().Command1)->click();
    RunFor(5000);
    const long early = ResidentKb();
    RunFor(seconds * 1000.0 - 5000);
    const long late = ResidentKb();
    const bool running = window.runTimer().isActive();
    std::printf("rss_5s_kb=%ld rss_end_kb=%ld seconds=%.0f growth_pct=%.2f running=%d\n", early,
                late, seconds, 100.0 * (late - early) / static_cast<double>(early),
                running ? 1 : 0);
    return running ? 0 : 1;
}

int CpuRun(zorva::QtWindow& window, const zorva::SimulationState& state, double seconds,
           long other) {
    Prepare(window, 5, 1);
    Widget<QPushButton>(window, window.form().Command1)->click();
    const long long ticksBefore = state.StepCount;
    const long long repaintsBefore = window.repaintCount();
    QElapsedTimer clock;
    clock.start();
    const double ownBefore = ProcessorSeconds(0);
    const double otherBefore = other > 0 ? ProcessorSeconds(other) : 0.0;
    RunFor(seconds * 1000.0);
    const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double own = ProcessorSeconds(0) - ownBefore;
    const double otherCpu = other > 0 ? ProcessorSeconds(other) - otherBefore : 0.0;
    const bool running = window.runTimer().isActive();
    std::printf(
        "seconds=%.1f cpu_pct=%.1f other_cpu_pct=%.1f ticks_per_s=%.0f repaints_per_s=%.1f "
        "running=%d\n",
        wall, 100.0 * own / wall, 100.0 * otherCpu / wall,
        static_cast<double>(state.StepCount - ticksBefore) / wall,
        static_cast<double>(window.repaintCount() - repaintsBefore) / wall, running ? 1 : 0);
    return running ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int vimaxrono = 1;
    int poltax = 10;
    bool memory = false;
    bool cpu = false;
    long other = 0;
    double seconds = 60.0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--vimaxrono" && hasValue) {
            vimaxrono = std::atoi(argv[++i]);
        } else if (arg == "--poltax" && hasValue) {
            poltax = std::atoi(argv[++i]);
        } else if (arg == "--seconds" && hasValue) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--memory") {
            memory = true;
        } else if (arg == "--cpu") {
            cpu = true;
        } else if (arg == "--other" && hasValue) {
            other = std::atol(argv[++i]);
        } else {
            std::cerr << "usage: zorva_realtime [--vimaxrono N] [--poltax N] | --memory "
                         "[--seconds S] | --cpu [--seconds S] [--other PID]\n";
            return 2;
        }
    }
    zorva::SimulationState state;
    zorva::QtWindow window(state);
    window.form().Main(window);
    if (cpu) {
        return CpuRun(window, state, seconds, other);
    }
    return memory ? MemoryRun(window, seconds) : WholeRun(window, state, poltax, vimaxrono);
}
