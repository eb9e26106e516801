// Watches a running solve: shows progress on stderr and passes Ctrl-C on as an interruption. The
// time limit is not the watcher's: the solve layer's run control keeps it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "instance/run_control.h"

namespace ringmarch::cli {

struct ProgressSettings {
  std::FILE* stream = nullptr;  // where progress goes; nullptr shows nothing
  bool terminal = false;        // rewrite one line in place instead of printing new lines
  // Asked at every report; true stops the search (Ctrl-C).
  std::function<bool()> stopRequested;
  double firstReportAfter = 1.0;  // short solves show nothing
  double terminalInterval = 0.25;
  double plainInterval = 10.0;
};

class ProgressMonitor final : public RunWatcher {
 public:
  // elapsedSeconds measures the time since the solve began (a steady clock by default).
  explicit ProgressMonitor(ProgressSettings settings,
                           std::function<double()> elapsedSeconds = nullptr);

  bool onProgress(const RunProgress& progress) override;
  StopReason interruption() const override { return StopReason::Interrupted; }
  // Clears the in-place line, so that the result starts on a clean line.
  void finish();

  bool interrupted() const { return interrupted_; }
  int reportsShown() const { return reportsShown_; }

 private:
  ProgressSettings settings_;
  std::function<double()> elapsedSeconds_;
  double nextReportAt_;
  bool interrupted_ = false;
  bool lineOpen_ = false;
  int reportsShown_ = 0;
};

// One progress line without line end: elapsed time, evaluated nodes, best length so far, and the
// proven lower bound with the gap once the search knows one.
std::string progressLine(double elapsedSeconds, const RunProgress& progress);

// (length - lowerBound) / length: how far a tour may be above the optimum; 0 once proven.
double relativeGap(std::int64_t length, std::int64_t lowerBound);

}  // namespace ringmarch::cli
