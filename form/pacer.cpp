#include "form/pacer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "form/controls.h"

namespace zorva {

void RunPacer::start(double nowMs, int intervalMs) {
    running_ = true;
    intervalMs_ = intervalMs;
    startMs_ = nowMs;
    counted_ = 0;
}

long long RunPacer::due(double nowMs) {
    if (!running()) {
        return 0;
    }
    // Events are counted from the start rather than from the last wake-up, so
    // that wake-ups that come a little late or early do not drift the pace.
    const double elapsed = nowMs - startMs_;
    if (!(elapsed >= 0.0)) {
        return 0;
    }
    const auto fallen = static_cast<long long>(std::floor(elapsed / intervalMs_));
    const auto cap =
        static_cast<long long>(std::ceil(kLongestCatchUpMs / intervalMs_)) + kExtraEvents;
    const long long owed = std::clamp(fallen - counted_, 0LL, cap);
    counted_ = std::max(counted_, fallen);
    return owed;
}

double RunPacer::untilNext(double nowMs) const {
    if (!running()) {
        return intervalMs_ > 0 ? intervalMs_ : 0.0;
    }
    const double next = startMs_ + static_cast<double>(counted_ + 1) * intervalMs_;
    return std::max(next - nowMs, 0.0);
}

RunTimer::RunTimer(Timer& timer, std::function<double()> clockMs)
    : timer_(timer), clockMs_(std::move(clockMs)) {
    timer_.viewChanged = [this] { timerChanged(); };
    timerChanged();
}

RunTimer::~RunTimer() {
    timer_.viewChanged = nullptr;
}

void RunTimer::timerChanged() {
    // A timer already delivering at the same interval keeps its pace
    // (CONTINUE during a run); anything else starts the pace anew.
    if (!timer_.Active()) {
        pacer_.stop();
    } else if (!pacer_.running() || pacer_.intervalMs() != timer_.Interval()) {
        pacer_.start(clockMs_(), timer_.Interval());
    }
    if (changed) {
        changed();
    }
}

long long RunTimer::wake() {
    const long long due = pacer_.due(clockMs_());
    long long delivered = 0;
    for (; delivered < due && timer_.Active(); ++delivered) {
        timer_.Elapse();
    }
    return delivered;
}

}  // namespace zorva
