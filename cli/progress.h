// Listens to a running solve: shows progress on stderr and ends the search at the time limit.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "solver/solve_driver.h"

namespace ringmarch::cli {

struct ProgressSettings {
  std::FILE* stream = nullptr;  // where progress goes; nullptr shows nothing
  bool terminal = false;        // rewrite one line in place instead of printing new lines
  std::optional<double> timeLimitSeconds;
  // Asked at every report; true stops the search (Ctrl-C).
  std::function<bool()> stopRequested;
  double firstReportAfter = 1.0;  // short solves show nothing
  double terminalInterval = 0.25;
  double plainInterval = 10.0;
};

class ProgressMonitor final : public SolveMonitor {
 public:
  // elapsedSeconds measures the time since the solve began (a steady clock by default).
  explicit ProgressMonitor(ProgressSettings settings,
                           std::function<double()> elapsedSeconds = nullptr);

  bool onProgress(const SolveProgress& progress) override;
  // Ctrl-C and the time limit, without a report, for the search's long stretches between nodes.
  bool keepGoing(const SolveProgress& progress) override;
  // Clears the in-place line, so that the result starts on a clean line.
  void finish();

  bool timeLimitReached() const { return timeLimitReached_; }
  bool interrupted() const { return interrupted_; }
  int reportsShown() const { return reportsShown_; }

 private:
  ProgressSettings settings_;
  std::function<double()> elapsedSeconds_;
  double nextReportAt_;
  bool timeLimitReached_ = false;
  bool interrupted_ = false;
  bool lineOpen_ = false;
  int reportsShown_ = 0;
};

// One progress line without line end: elapsed time, evaluated nodes, best length so far, and the
// proven lower bound with the gap once the search knows one.
std::string progressLine(double elapsedSeconds, const SolveProgress& progress);

// (length - lowerBound) / length: how far a tour may be above the optimum; 0 once proven.
double relativeGap(std::int32_t length, std::int32_t lowerBound);

}  // namespace ringmarch::cli
