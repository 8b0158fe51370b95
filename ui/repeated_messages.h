// Qt's messages while the window lives. A failure that Qt meets at every
// frame, such as a screen buffer it cannot map, would otherwise reach
// standard error thousands of times a second.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace zorva {

/// Lines to be shown, each once: the same line again is counted, and
/// "LINE (repeated N times)" is shown at most once every kReportSeconds while
/// it goes on, and by flush() for what is left. Safe to call from any thread.
class RepeatedLines {
  public:
    static constexpr double kReportSeconds = 10.0;
    /// At most this many different lines are kept; beyond them a new line
    /// is shown every time.
    static constexpr std::size_t kMostKept = 256;

    /// show takes a line to be shown (no newline); clock tells seconds.
    RepeatedLines(std::function<void(const std::string&)> show, std::function<double()> clock);
    void take(const std::string& line);
    /// Shows the counts not yet shown.
    void flush();

  private:
    struct Seen {
        long long count = 0;  ///< repeats not yet shown
        double shownAt = 0.0;
    };
    void showCount(const std::string& line, Seen& seen, double now);

    std::mutex lock_;
    std::function<void(const std::string&)> show_;
    std::function<double()> clock_;
    std::unordered_map<std::string, Seen> seen_;
};

/// From now to the program's exit, Qt's messages go to standard error
/// through one RepeatedLines, whose counts left are shown at exit. A fatal
/// message is shown at once, after the counts left.
void CollapseRepeatedQtMessages();

}  // namespace zorva
