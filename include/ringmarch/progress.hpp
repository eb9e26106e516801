// What a caller sees of a running solve: the progress an engine reports, the watcher that hears
// it and may stop the run, and why a run ended before its proof. The watcher takes no part in
// any decision of the engine, so a run that is not stopped gives the same result however often
// it was asked.
#pragma once

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

// Implemented by the caller of a solve. Both calls come from the solving thread.
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

}  // namespace ringmarch
