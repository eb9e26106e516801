// The command line's watcher of a solve: progress lines on stderr at fixed intervals (in place on
// a terminal) and Ctrl-C as a stop request. Reads the progress the engine reports; changes only
// the stream. Its answers never reach an engine's decisions, only whether it goes on.
#include "cli/progress.h"

#include <chrono>

namespace ringmarch::cli {

std::string progressLine(double elapsedSeconds, const RunProgress& progress) {
  char line[200];
  const long long best = progress.bestLength.value_or(0);
  const int written =
      std::snprintf(line, sizeof line, "searching: %.1f s, %llu nodes evaluated, best length %lld",
                    elapsedSeconds, static_cast<unsigned long long>(progress.nodes), best);
  std::string shown = written > 0 ? line : "";
  if (progress.lowerBound && *progress.lowerBound > 0) {
    std::snprintf(line, sizeof line, ", lower bound %lld (gap %.2f %%)",
                  static_cast<long long>(*progress.lowerBound),
                  100.0 * relativeGap(best, *progress.lowerBound));
    shown += line;
  }
  // Engines with an LP say how much of the time it took.
  if (progress.lpSeconds > 0.0) {
    std::snprintf(line, sizeof line, ", LP %.1f s", progress.lpSeconds);
    shown += line;
  }
  return shown;
}

double relativeGap(std::int64_t length, std::int64_t lowerBound) {
  if (length <= 0 || lowerBound >= length) return 0.0;
  return static_cast<double>(length - lowerBound) / static_cast<double>(length);
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

bool ProgressMonitor::onProgress(const RunProgress& progress) {
  if (settings_.stopRequested && settings_.stopRequested()) {
    interrupted_ = true;
    return false;
  }
  if (settings_.stream == nullptr) return true;
  const double elapsed = elapsedSeconds_();
  if (elapsed >= nextReportAt_) {
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
