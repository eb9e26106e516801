// What every engine asks while it runs: may it go on? A time limit (measured from the moment the
// control is made, on the steady clock) and a watcher (progress reports, a stop request) are the
// only things that end a run early; neither takes part in any decision of the engine, so a run
// that is not stopped gives the same result however often it was asked.
#pragma once

#include <chrono>
#include <optional>

#include <ringmarch/progress.hpp>

namespace ringmarch {

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
    if (watcher_ != nullptr && !watcher_->onProgress(shown_ != nullptr ? *shown_ : progress)) {
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

  // While it lives, the watcher is shown `progress` in place of what the engine reports: an engine
  // that runs another search inside its own (a tour search between a cut engine's nodes) keeps
  // the watcher on its own counts, so that the nodes never go back and the best length never
  // rises because the inner search counts its own kicks and tours.
  class ShowProgress {
   public:
    ShowProgress(RunControl& control, const RunProgress& progress)
        : control_(control), previous_(control.shown_) {
      control_.shown_ = &progress;
    }
    ShowProgress(RunControl& control, RunProgress&& progress) = delete;  // it would dangle
    ~ShowProgress() { control_.shown_ = previous_; }
    ShowProgress(const ShowProgress&) = delete;
    ShowProgress& operator=(const ShowProgress&) = delete;

   private:
    RunControl& control_;
    const RunProgress* previous_;
  };

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
  const RunProgress* shown_ = nullptr;  // see ShowProgress
};

// Seconds on the steady clock since `start`: for reports, never for a decision.
inline double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace ringmarch
