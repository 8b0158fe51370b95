// The program's entry point: with no options, one state, one window, then
// the window's events; with options, the same run without a window.
#include <QApplication>
#include <QGuiApplication>
#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "sim/state.h"
#include "ui/cli.h"
#include "ui/headless.h"
#include "ui/qt_window.h"
#include "ui/version.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const zorva::CommandLine line = zorva::ParseCommandLine(args);
    switch (line.action) {
        case zorva::CommandLine::Action::Help:
            std::cout << zorva::UsageText();
            return 0;
        case zorva::CommandLine::Action::Version:
            std::cout << "zorva " << zorva::kVersion << '\n';
            return 0;
        case zorva::CommandLine::Action::Error:
            std::cerr << line.error << '\n';
            return 2;
        case zorva::CommandLine::Action::Run: {
            // Nothing is shown, so no display is needed.
            qputenv("QT_QPA_PLATFORM", "offscreen");
            int qtArgc = 1;
            QGuiApplication app(qtArgc, argv);
            return zorva::RunHeadless(line, std::cerr);
        }
        case zorva::CommandLine::Action::Window:
            break;
    }
    QApplication app(argc, argv);
    zorva::SimulationState state;
    zorva::QtWindow window(state);
    // For measuring start-up: the wall-clock time of the first frame.
    if (qEnvironmentVariableIsSet("ZORVA_REPORT_FIRST_FRAME")) {
        window.firstPainted = [] {
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::cerr << "first frame at "
                      << std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()
                      << " ns\n";
        };
    }
    window.form().Main(window);
    return QApplication::exec();
}
