// The run timer's pace, kept the same in every front end: the front end
// wakes when it can and tells the time; the pacer says how many timer events
// fell due since it last asked.
#pragma once

#include <functional>

namespace zorva {

class Timer;

class RunPacer {
  public:
    /// The most a wake-up catches up on: this long's worth of events, plus
    /// kExtraEvents. A longer stall (a hidden tab, a dragged window, a busy
    /// machine) is forgotten rather than made up, so the body never races.
    static constexpr double kLongestCatchUpMs = 50.0;
    static constexpr long long kExtraEvents = 4;

    /// Starts the clock at nowMs (any clock in milliseconds) with an event
    /// every intervalMs (≤ 0 delivers none).
    void start(double nowMs, int intervalMs);
    void stop() { running_ = false; }
    bool running() const { return running_ && intervalMs_ > 0; }
    int intervalMs() const { return intervalMs_; }

    /// The events that fell due by nowMs since the last call, at most the
    /// catch-up's worth; those beyond it are dropped. 0 when not running or
    /// when the clock went back.
    long long due(double nowMs);
    /// Milliseconds from nowMs until the next event falls due (0 when one is
    /// due already; a whole interval when not running).
    double untilNext(double nowMs) const;

  private:
    bool running_ = false;
    int intervalMs_ = 0;
    double startMs_ = 0.0;
    /// Events counted since the start: delivered or dropped.
    long long counted_ = 0;
};

/// The form's run timer driven by a front end's wake-ups at the pacer's
/// pace: the front end wakes when it can and calls wake(); `changed` tells it
/// when the timer starts or stops delivering, so that it can wake or sleep.
class RunTimer {
  public:
    /// Takes over timer's view hook; timer must outlive this, and clockMs
    /// (milliseconds on any steady clock) is read whenever the timer changes
    /// and at every wake-up.
    RunTimer(Timer& timer, std::function<double()> clockMs);
    ~RunTimer();
    RunTimer(const RunTimer&) = delete;
    RunTimer& operator=(const RunTimer&) = delete;

    /// Raises the timer events that fell due since the last wake-up (as
    /// RunPacer::due), stopping early if the timer stops; returns how many.
    long long wake();
    /// Whether the timer is delivering: the front end should keep waking.
    bool running() const { return pacer_.running(); }
    /// Milliseconds until the next event falls due.
    double untilNext() const { return pacer_.untilNext(clockMs_()); }
    /// Replaces the clock, for tests that set the time themselves.
    void setClock(std::function<double()> clockMs) { clockMs_ = std::move(clockMs); }

    /// Called after the timer started, stopped or changed its interval.
    std::function<void()> changed;

  private:
    void timerChanged();

    Timer& timer_;
    std::function<double()> clockMs_;
    RunPacer pacer_;
};

}  // namespace zorva
