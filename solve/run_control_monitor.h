// The exact search's listener made from a run control: every question the search asks (between
// nodes, and inside the first level's long evaluation) becomes one shouldStop of the control, so
// that the time limit and the watcher of a request reach the search in one place for every front
// end. The search's 32-bit progress is handed on as the control's 64-bit progress; a lower bound of
// 0 is the search's way of saying it has none yet, and is handed on as unknown.
#pragma once

#include "instance/run_control.h"
#include "solver/solve_driver.h"

namespace ringmarch {

RunProgress runProgressOf(const SolveProgress& progress);

class RunControlMonitor final : public SolveMonitor {
 public:
  explicit RunControlMonitor(RunControl& control) : control_(control) {}

  bool onProgress(const SolveProgress& progress) override {
    return !control_.shouldStop(runProgressOf(progress));
  }
  bool keepGoing(const SolveProgress& progress) override {
    return !control_.shouldStop(runProgressOf(progress));
  }

 private:
  RunControl& control_;
};

}  // namespace ringmarch
