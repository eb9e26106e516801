// The exact search's listener made from a run control: every question the search asks (between
// nodes, and inside the first level's long evaluation) becomes one shouldStop of the control, so
// that the time limit and the watcher of a request reach the search in one place for every front
// end. The search's 32-bit progress is handed on as the control's 64-bit progress; a lower bound of
// 0 is the search's way of saying it has none yet, and is handed on as unknown. A node limit,
// when set, also ends the search (without stopping the control): a count of nodes, never a
// clock, so where it ends is the same on every run.
#pragma once

#include <cstdint>

#include "instance/run_control.h"
#include "solver/solve_driver.h"

namespace ringmarch {

RunProgress runProgressOf(const SolveProgress& progress);

class RunControlMonitor final : public SolveMonitor {
 public:
  explicit RunControlMonitor(RunControl& control, std::uint64_t nodeLimit = 0)
      : control_(control), nodeLimit_(nodeLimit) {}

  bool onProgress(const SolveProgress& progress) override { return goOn(progress); }
  bool keepGoing(const SolveProgress& progress) override { return goOn(progress); }
  // The search ended at the node limit (and not for the control).
  bool reachedNodeLimit() const { return reachedNodeLimit_; }

 private:
  bool goOn(const SolveProgress& progress) {
    if (nodeLimit_ > 0 && progress.evaluatedNodes >= nodeLimit_ && !control_.stopped()) {
      reachedNodeLimit_ = true;
      return false;
    }
    return !control_.shouldStop(runProgressOf(progress));
  }

  RunControl& control_;
  std::uint64_t nodeLimit_;
  bool reachedNodeLimit_ = false;
};

}  // namespace ringmarch
