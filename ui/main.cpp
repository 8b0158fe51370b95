// The program's entry point: with no options, one state, one window, then
// the window's events; with options, the same run without a window.
#include <QApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "form/atomic_file.h"
#include "form/cli.h"
#include "sim/state.h"
#include "ui/backing_store_guard.h"
#include "ui/headless.h"
#include "ui/qt_window.h"
#include "ui/repeated_messages.h"
#include "ui/version.h"

namespace {

QByteArray DisplayName() {
    return qgetenv("DISPLAY");
}

// Qt cannot open a window without a display: it says so in several lines of
// its own and then aborts. While the application starts, one line says what
// is wrong instead, and the program ends with status 1. The platform's own
// lines are left out then, as they only lead up to that failure; any other
// message is written as Qt would write it.
void ReportStartupMessage(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (type == QtFatalMsg) {
        const QByteArray display = DisplayName();
        if (display.isEmpty()) {
            std::fputs("zorva: cannot open the window: no display is set (DISPLAY is empty)\n",
                       stderr);
        } else {
            std::fprintf(stderr, "zorva: cannot open the window: no display answers at %s\n",
                         display.constData());
        }
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (context.category != nullptr && QByteArray(context.category).startsWith("qt.qpa")) {
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// Without any font the readouts, captions and labels show nothing at all.
void WarnWithoutFonts() {
    // Fontconfig names its generic families even when it has no font to give
    // them, so the test is whether the default font resolves to a real one.
    if (QFontInfo(QGuiApplication::font()).family().isEmpty()) {
        std::cerr << "zorva: no fonts are installed, so no text will show (install a font "
                     "package such as fonts-dejavu-core)\n";
    }
}

// Standard output may be a full disk or a closed pipe: the text only counts
// as shown once it has been handed over whole.
int Written(const char* what) {
    errno = 0;
    std::cout.flush();
    if (std::cout) {
        return 0;
    }
    std::cerr << "zorva: could not write " << what << ": "
              << zorva::ReasonInWords(errno != 0 ? errno : EIO) << '\n';
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const zorva::CommandLine line = zorva::ParseCommandLine(args);
    switch (line.action) {
        case zorva::CommandLine::Action::Help:
            std::cout << zorva::UsageText();
            return Written("the help");
        case zorva::CommandLine::Action::Version:
            std::cout << "zorva " << zorva::kVersion << '\n';
            return Written("the version");
        case zorva::CommandLine::Action::Error:
            std::cerr << line.error << '\n';
            return 2;
        case zorva::CommandLine::Action::Run: {
            // A file-size limit or a reader that went away is then a failed
            // write, reported with its reason, rather than a silent end.
            std::signal(SIGXFSZ, SIG_IGN);
            std::signal(SIGPIPE, SIG_IGN);
            // Nothing is shown, so no display is needed.
            qputenv("QT_QPA_PLATFORM", "offscreen");
            int qtArgc = 1;
            QGuiApplication app(qtArgc, argv);
            WarnWithoutFonts();
            return zorva::RunHeadless(line, std::cerr);
        }
        case zorva::CommandLine::Action::Window:
            break;
    }
    qInstallMessageHandler(ReportStartupMessage);
    QApplication app(argc, argv);
    // From here on a failure that repeats, at every frame or every tick, is
    // written once and then counted.
    zorva::CollapseRepeatedQtMessages();
    WarnWithoutFonts();
    zorva::SimulationState state;
    zorva::QtWindow window(state);
    const zorva::BackingStoreGuard guard(window);
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
