// What every engine asks while it runs: may it go on? A time limit (measured from the moment the
// control is made, on the steady clock) and a watcher (progress reports, a stop request) are the
// only things that end a run early; neither takes part in any decision of the engine, so a run
// that is not stopped gives the same result however often it was asked.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace ringmarch {

// Why a run ended before its proof; None for a run that finished.
enum class StopReason : std::uint8_t { None, TimeLimit, Stopped, Interrupted, OutOfMemory };

// What an engine reports of itself; fields an engine does not know stay at their defaults.
struct RunProgress {
  std::uint64_t nodes = 0;                 // search nodes evaluated (or tours tried)
  std::optional<std::int64_t> bestLength;  // the best tour so far
  std::optional<std::int64_t> lowerBound;  // a proven bound on every tour
  double lpSeconds = 0.0;                  // time spent in the LP solver, where there is one
};

// Implemented by front ends. Both calls come from the solving thread.
class RunWatcher {
 public:
  virtual ~RunWatcher() = default;
  // Called now and then with the run's state: the answer says whether to go on (false stops the
  // run with StopReason::Stopped, or with the reason interruption() gives).
  virtual bool onProgress(const RunProgress& progress) = 0;
  // Why a stop asked for by onProgress happened: Stopped unless the watcher knows better (a
  // Ctrl-C handler answers Interrupted).
  virtual StopReason interruption() const { return StopReason::Stopped; }
};

class RunControl {
 public:
  RunControl() = default;
  RunControl(std::optional<double> timeLimitSeconds, RunWatcher* watcher)
      : watcher_(watcher), start_(Clock::now()) {
    if (timeLimitSeconds) {
      hasDeadline_ = true;
      deadline_ = start_ + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(*timeLimitSeconds));
    }
  }

  // Asked often by engines (between nodes, every so many moves): true when the run must end.
  // Once it answered true it keeps answering true.
  bool shouldStop(const RunProgress& progress) {
    if (reason_ != StopReason::None) return true;
    if (hasDeadline_ && Clock::now() >= deadline_) {
      reason_ = StopReason::TimeLimit;
      return true;
    }
    if (watcher_ != nullptr && !watcher_->onProgress(progress)) {
      reason_ = watcher_->interruption();
      if (reason_ == StopReason::None) reason_ = StopReason::Stopped;
      return true;
    }
    return false;
  }
  // A stop that is not asked for: memory ran out.
  void stopFor(StopReason reason) {
    if (reason_ == StopReason::None) reason_ = reason;
  }

  StopReason reason() const { return reason_; }
  bool stopped() const { return reason_ != StopReason::None; }
  double elapsedSeconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
  }
  // The seconds left before the deadline (nullopt without a time limit; 0 once it has passed).
  std::optional<double> secondsLeft() const {
    if (!hasDeadline_) return std::nullopt;
    const double left = std::chrono::duration<double>(deadline_ - Clock::now()).count();
    return left > 0.0 ? left : 0.0;
  }

 private:
  using Clock = std::chrono::steady_clock;
  RunWatcher* watcher_ = nullptr;
  Clock::time_point start_ = Clock::now();
  bool hasDeadline_ = false;
  Clock::time_point deadline_{};
  StopReason reason_ = StopReason::None;
};

}  // namespace ringmarch
