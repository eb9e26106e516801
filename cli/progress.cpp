#include "cli/progress.h"

#include <chrono>

namespace ringmarch::cli {

std::string progressLine(double elapsedSeconds, const SolveProgress& progress) {
  char line[160];
  std::snprintf(line, sizeof line, "searching: %.1f s, %llu nodes evaluated, best length %d",
                elapsedSeconds, static_cast<unsigned long long>(progress.evaluatedNodes),
                progress.bestLength);
  return line;
}

ProgressMonitor::ProgressMonitor(ProgressSettings settings, std::function<double()> elapsedSeconds)
    : settings_(settings),
      elapsedSeconds_(std::move(elapsedSeconds)),
      nextReportAt_(settings.firstReportAfter) {
  if (!elapsedSeconds_) {
    const auto started = std::chrono::steady_clock::now();
    elapsedSeconds_ = [started] {
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
  }
}

bool ProgressMonitor::onProgress(const SolveProgress& progress) {
  if (settings_.stopRequested && settings_.stopRequested()) {
    interrupted_ = true;
    return false;
  }
  const double elapsed = elapsedSeconds_();
  if (settings_.timeLimitSeconds && elapsed >= *settings_.timeLimitSeconds) {
    timeLimitReached_ = true;
    return false;
  }
  if (settings_.stream != nullptr && elapsed >= nextReportAt_) {
    const std::string line = progressLine(elapsed, progress);
    if (settings_.terminal) {
      // Carriage return, the line, then erase whatever a longer earlier line left behind.
      std::fprintf(settings_.stream, "\r%s\033[K", line.c_str());
      lineOpen_ = true;
    } else {
      std::fprintf(settings_.stream, "%s\n", line.c_str());
    }
    std::fflush(settings_.stream);
    ++reportsShown_;
    nextReportAt_ =
        elapsed + (settings_.terminal ? settings_.terminalInterval : settings_.plainInterval);
  }
  return true;
}

void ProgressMonitor::finish() {
  if (lineOpen_) {
    std::fprintf(settings_.stream, "\r\033[K");
    std::fflush(settings_.stream);
    lineOpen_ = false;
  }
}

}  // namespace ringmarch::cli
