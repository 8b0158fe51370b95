#include "ui/repeated_messages.h"

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace zorva {
namespace {

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void ToStandardError(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

// Qt hands its messages to a plain function, which can reach no object: the
// one log is made once and never taken down, as messages may come from other
// threads and from other libraries' exit; it shows the counts left at exit.
RepeatedLines& QtLog() {
    static RepeatedLines& log = *new RepeatedLines(ToStandardError, SteadySeconds);
    static const bool flushedAtExit = std::atexit([] { QtLog().flush(); }) == 0;
    static_cast<void>(flushedAtExit);
    return log;
}

void CollapseQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const std::string line = qFormatLogMessage(type, context, message).toStdString();
    if (type == QtFatalMsg) {
        // Qt ends the program once this returns.
        QtLog().flush();
        ToStandardError(line);
        return;
    }
    QtLog().take(line);
}

}  // namespace

RepeatedLines::RepeatedLines(std::function<void(const std::string&)> show,
                             std::function<double()> clock)
    : show_(std::move(show)), clock_(std::move(clock)) {}

void RepeatedLines::take(const std::string& line) {
    const std::lock_guard<std::mutex> hold(lock_);
    const double now = clock_();
    const auto found = seen_.find(line);
    if (found == seen_.end()) {
        if (seen_.size() < kMostKept) {
            seen_.emplace(line, Seen{0, now});
        }
        show_(line);
        return;
    }
    ++found->second.count;
    if (now - found->second.shownAt >= kReportSeconds) {
        showCount(line, found->second, now);
    }
}

void RepeatedLines::flush() {
    const std::lock_guard<std::mutex> hold(lock_);
    const double now = clock_();
    for (auto& [line, seen] : seen_) {
        if (seen.count > 0) {
            showCount(line, seen, now);
        }
    }
}

void RepeatedLines::showCount(const std::string& line, Seen& seen, double now) {
    show_(line + " (repeated " + std::to_string(seen.count) +
          (seen.count == 1 ? " time)" : " times)"));
    seen.count = 0;
    seen.shownAt = now;
}

void CollapseRepeatedQtMessages() {
    QtLog();
    qInstallMessageHandler(CollapseQtMessage);
}

}  // namespace zorva
