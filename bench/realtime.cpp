// Drives the real main window as a user would: sets POLTAX and vimaxrono,
// ticks the three boxes, clicks "Time on" and lets the window's own timer run
// the whole climb. Reports the ticks delivered against the rate the timer
// asks for, and the repaints per second. With --memory, runs POLTAX 5 (the
// body never reaches the summit) for a minute and reports resident memory at
// 5 s and at 60 s.
//
//   zorva_realtime [--vimaxrono N] [--poltax N]      one whole run
//   zorva_realtime --memory [--seconds S]            memory growth
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
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
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

int WholeRun(zorva::QtWindow& window, zorva::SimulationState& state, int poltax, int vimaxrono) {
    Prepare(window, poltax, vimaxrono);
    zorva::Zerkan& form = window.form();
    const long long repaintsBefore = window.repaintCount();
    QElapsedTimer clock;
    clock.start();
    Widget<QPushButton>(window, form.Command1)->click();
    while (window.runTimer().isActive() && clock.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double asked = seconds * 1000.0 / form.Timer1.Interval();
    const double repaints = static_cast<double>(window.repaintCount() - repaintsBefore);
    std::printf(
        "vimaxrono=%d poltax=%d ticks=%lld wall_s=%.3f asked=%.0f ratio=%.4f "
        "repaints_per_s=%.1f stopped=%d\n",
        vimaxrono, poltax, static_cast<long long>(state.StepCount), seconds, asked,
        static_cast<double>(state.StepCount) / asked, repaints / seconds,
        window.runTimer().isActive() ? 0 : 1);
    return window.runTimer().isActive() ? 1 : 0;
}

int MemoryRun(zorva::QtWindow& window, double seconds) {
    Prepare(window, 5, 1);
    Widget<QPushButton>(window, window.form().Command1)->click();
    QElapsedTimer clock;
    clock.start();
    long early = -1;
    while (clock.elapsed() < seconds * 1000.0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (early < 0 && clock.elapsed() >= 5000) {
            early = ResidentKb();
        }
    }
    const long late = ResidentKb();
    const bool running = window.runTimer().isActive();
    std::printf("rss_5s_kb=%ld rss_end_kb=%ld seconds=%.0f growth_pct=%.2f running=%d\n", early,
                late, seconds, 100.0 * (late - early) / static_cast<double>(early),
                running ? 1 : 0);
    return running ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int vimaxrono = 1;
    int poltax = 10;
    bool memory = false;
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
        } else {
            std::cerr << "usage: zorva_realtime [--vimaxrono N] [--poltax N] | --memory "
                         "[--seconds S]\n";
            return 2;
        }
    }
    zorva::SimulationState state;
    zorva::QtWindow window(state);
    window.form().Main(window);
    return memory ? MemoryRun(window, seconds) : WholeRun(window, state, poltax, vimaxrono);
}
