// Measures the branch-and-cut engine on the instances named on the command line and prints one
// table row per instance: the tour's length, the published optimum, whether the tour was proven,
// the lower bound, the nodes, the root's bound and its gap, the cuts found per family, the LP's
// seconds, user CPU and wall seconds, the process's peak resident memory, and the reference time
// of another exact solver on this machine with the ratio of our user seconds to it.
//
//   cut_engine_table [--time-limit=S] [--index=INDEX.tsv] [--no-header]
//                    [--canonical=FILE [--canonical-time-limit=S] [--canonical-node-limit=N]]
//                    INSTANCE[:OPTIMUM] ...
//
// An INSTANCE is a TSPLIB file (TSP or ATSP, read by the tour table's reader) or the name of a
// structured instance (bench/cut/structured_instances.h). The optimum comes from :OPTIMUM, from
// the INDEX.tsv's sixth column for the file's name, or from the structured set's record.
// --canonical also solves each instance with the canonical engine (after the cut engine, so the
// peak memory is the cut engine's; 60 s and no node limit unless given) and appends a row
// comparing the two engines to FILE: both engines' results, nodes and seconds, so that the node
// count after which `auto` should hand an instance to the cut engine can be read off.
// Exits 1 on a fault: an invalid tour, a proven length other than the optimum, a bound above the
// optimum or the tour, two proofs that differ.
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bench/cut/structured_instances.h"
#include "bench/tour/tsplib_file_reader.h"
#include "cut/branch_and_cut.h"
#include "solve/solve.h"

namespace {

using ringmarch::Instance;
using ringmarch::StopReason;

// Another exact solver's seconds on this machine, one run each (for the structured instances a
// range over the lattice and the grids with holes).
const std::map<std::string, std::string>& referenceSeconds() {
  static const std::map<std::string, std::string> table = {
      {"ch130", "0.20"},  {"pr136", "0.60"},   {"gr137", "0.74"},   {"pr144", "0.24"},
      {"ch150", "0.46"},  {"kroA150", "0.63"}, {"kroB150", "0.29"}, {"pr152", "0.97"},
      {"u159", "0.11"},   {"si175", "2.05"},   {"brg180", "1.52"},  {"rat195", "2.02"},
      {"d198", "1.31"},   {"kroA200", "0.49"}, {"kroB200", "0.29"}, {"gr202", "0.67"},
      {"ts225", "18.9"},  {"tsp225", "1.18"},  {"pr226", "0.30"},   {"gr229", "5.7"},
      {"gil262", "1.34"}, {"pr264", "0.22"},   {"a280", "0.36"},    {"pr299", "1.27"},
      {"lin318", "1.07"}, {"rd400", "12.2"},   {"fl417", "11.3"},   {"gr431", "7.7"},
      {"pr439", "12.9"},  {"pcb442", "14.7"},  {"pa561", "45"},     {"u574", "3.2"},
      {"rat575", "33"},   {"p654", "1.6"},     {"d657", "25"},      {"rat783", "6.0"},
      {"pr1002", "4.2"},  {"si1032", "2.8"},   {"u1060", "44"},     {"vm1084", "52"},
  };
  return table;
}

std::string referenceOf(const std::string& name) {
  const auto found = referenceSeconds().find(name);
  if (found != referenceSeconds().end()) return found->second;
  if (name.starts_with("lattice-11x11") || name.starts_with("holes-")) return "0.13-0.7";
  return "";
}

double userSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
}

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The published optima of an INDEX.tsv (file name -> sixth column).
std::map<std::string, std::int64_t> readIndex(const std::string& path) {
  std::map<std::string, std::int64_t> optima;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::vector<std::string> columns;
    std::string column;
    while (std::getline(fields, column, '\t')) columns.push_back(column);
    if (columns.size() < 6 || columns[0] == "file") continue;
    try {
      optima[columns[0]] = std::stoll(columns[5]);
    } catch (const std::exception&) {
      // No number: no optimum for this file.
    }
  }
  return optima;
}

std::string stopText(StopReason reason) {
  switch (reason) {
    case StopReason::None:
      return "finished";
    case StopReason::TimeLimit:
      return "time limit";
    case StopReason::Stopped:
      return "node limit";
    case StopReason::Interrupted:
      return "interrupted";
    case StopReason::OutOfMemory:
      return "out of memory";
  }
  return "stopped";
}

// Ends the canonical engine's run after so many nodes.
class NodeLimit final : public ringmarch::RunWatcher {
 public:
  explicit NodeLimit(std::uint64_t limit) : limit_(limit) {}
  bool onProgress(const ringmarch::RunProgress& progress) override {
    return progress.nodes < limit_;
  }

 private:
  std::uint64_t limit_;
};

struct Options {
  std::optional<double> timeLimit;
  std::string canonicalFile;
  std::optional<double> canonicalTimeLimit = 60.0;
  std::uint64_t canonicalNodeLimit = 0;  // 0: none
  std::map<std::string, std::int64_t> index;
  bool header = true;
};

struct Measured {
  double user = 0.0;
  double wall = 0.0;
};

template <typename Run>
Measured measure(Run run) {
  const double userBefore = userSeconds();
  const auto wallBefore = std::chrono::steady_clock::now();
  run();
  return {userSeconds() - userBefore,
          std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count()};
}

double percentBelow(std::int64_t reference, std::int64_t bound) {
  return reference == 0
             ? 0.0
             : 100.0 * static_cast<double>(reference - bound) / static_cast<double>(reference);
}

void printHeader() {
  std::printf(
      "| instance | cities | length | optimum | proven | lower bound | nodes | root bound | root "
      "gap | subtour | blossom | comb | local | from pool | LP s | user s | wall s | peak MB | "
      "other s | "
      "user / other |\n");
  std::printf(
      "|---|---:|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---"
      ":|---"
      ":|\n");
}

// Solves one instance with the cut engine (and the canonical engine, when asked); prints its row.
// Returns the number of faults.
int measureInstance(const std::string& argument, const Options& options) {
  std::string path = argument;
  std::optional<std::int64_t> optimum;
  const auto colon = argument.rfind(':');
  if (colon != std::string::npos && colon + 1 < argument.size() &&
      argument.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
    path = argument.substr(0, colon);
    optimum = std::stoll(argument.substr(colon + 1));
  }
  const std::string fileName = path.substr(path.rfind('/') + 1);
  const std::string name = fileName.substr(0, fileName.find('.'));
  std::optional<Instance> instance = ringmarch::bench::structuredInstance(path);
  if (instance) {
    if (!optimum && ringmarch::bench::structuredOptimum(path) >= 0) {
      optimum = ringmarch::bench::structuredOptimum(path);
    }
  } else {
    instance = ringmarch::bench::readTsplibFile(path);
    if (!optimum && options.index.contains(fileName)) optimum = options.index.at(fileName);
  }
  if (!instance) {
    std::printf("| %s | unreadable |\n", name.c_str());
    std::fprintf(stderr, "FAULT: %s: unreadable\n", path.c_str());
    return 1;
  }

  ringmarch::cut::CutEngineResult result;
  const Measured cost = measure([&] {
    ringmarch::RunControl control(options.timeLimit, nullptr);
    result = ringmarch::cut::solveByBranchAndCut(*instance, {}, control);
  });
  const double peak = peakMegabytes();
  const auto& s = result.statistics;

  int faults = 0;
  auto fault = [&](const std::string& what) {
    std::fprintf(stderr, "FAULT: %s: %s\n", name.c_str(), what.c_str());
    ++faults;
  };
  if (!instance->isTour(result.tour) || instance->tourLength(result.tour) != result.length) {
    fault("the cut engine's tour is not one of the given length");
  }
  if (result.lowerBound && *result.lowerBound > result.length) fault("bound above the tour");
  if (optimum) {
    if (result.lowerBound && *result.lowerBound > *optimum) fault("bound above the optimum");
    if (s.rootBound > *optimum) fault("root bound above the optimum");
    if (result.optimal && result.length != *optimum) fault("proven length is not the optimum");
    if (result.length < *optimum) fault("tour shorter than the optimum");
  }
  if (result.optimal && (!result.lowerBound || *result.lowerBound != result.length)) {
    fault("proven without a bound that meets the tour");
  }

  const std::int64_t reference = optimum.value_or(result.length);
  const std::string proven = result.optimal ? "yes"
                             : result.stopReason != StopReason::None
                                 ? "no (" + stopText(result.stopReason) + ")"
                                 : "no (" + result.reason + ")";
  const std::string other = referenceOf(name);
  std::string ratio = "-";
  if (!other.empty() && other.find('-') == std::string::npos) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", cost.user / std::stod(other));
    // A run stopped before its proof would have taken longer: its ratio is a lower one.
    ratio = (result.optimal ? "" : "> ") + std::string(text);
  }
  using Family = ringmarch::cut::CutFamily;
  auto family = [&](Family f) {
    return static_cast<unsigned long long>(s.cutsFound[static_cast<std::size_t>(f)]);
  };
  std::printf(
      "| %s | %d | %lld | %s | %s | %s | %llu | %lld | %.2f %% | %llu | %llu | %llu | %llu | %llu "
      "| "
      "%.2f | %.2f | %.2f | %.0f | %s | %s |\n",
      name.c_str(), instance->size(), static_cast<long long>(result.length),
      optimum ? std::to_string(*optimum).c_str() : "-", proven.c_str(),
      result.lowerBound ? std::to_string(*result.lowerBound).c_str() : "-",
      static_cast<unsigned long long>(s.nodes), static_cast<long long>(s.rootBound),
      percentBelow(reference, s.rootBound), family(Family::Subtour), family(Family::Blossom),
      family(Family::Comb), family(Family::Local), static_cast<unsigned long long>(s.cutsFromPool),
      s.lpSeconds, cost.user, cost.wall, peak, other.empty() ? "-" : other.c_str(), ratio.c_str());
  std::fflush(stdout);

  if (options.canonicalFile.empty()) return faults;
  ringmarch::SolveRequest request;
  request.engine = ringmarch::Engine::Canonical;
  request.timeLimitSeconds = options.canonicalTimeLimit;
  NodeLimit limit(options.canonicalNodeLimit);
  if (options.canonicalNodeLimit > 0) request.watcher = &limit;
  ringmarch::SolveResult canonical;
  const Measured canonicalCost = measure([&] { canonical = ringmarch::solve(*instance, request); });
  // Nodes: those of the proof; "> N" for a search stopped by a limit; none where the engine has
  // no exact search for the instance (asymmetric beyond its size).
  std::string outcome;
  std::string canonicalNodes = std::to_string(canonical.counts.nodes);
  if (canonical.refused()) {
    outcome = "refused: " + canonical.reason;
    canonicalNodes = "-";
  } else {
    if (!instance->isTour(canonical.tour) ||
        instance->tourLength(canonical.tour) != canonical.length) {
      fault("the canonical engine's tour is not one of the given length");
    }
    if (optimum && canonical.length < *optimum) fault("canonical tour shorter than the optimum");
    if (canonical.optimal()) {
      outcome = "proven";
      if (optimum && canonical.length != *optimum) {
        fault("canonical proven length is not the optimum");
      }
      if (result.optimal && canonical.length != result.length) fault("the two proofs differ");
    } else if (!canonical.reason.empty()) {
      outcome = canonical.asymmetric ? "not exact (asymmetric)" : "not exact";
      canonicalNodes = "-";
    } else {
      outcome = "not finished (" + stopText(canonical.stopReason) + ")";
      canonicalNodes = "> " + canonicalNodes;
    }
  }
  const std::string cutOutcome =
      result.optimal ? "proven" : "not proven (" + stopText(result.stopReason) + ")";
  std::ofstream compare(options.canonicalFile, std::ios::app);
  char row[512];
  std::snprintf(row, sizeof row,
                "| %s | %d | %s | %s | %llu | %.2f | %.2f | %s | %s | %.2f | %.2f | %s |\n",
                name.c_str(), instance->size(), optimum ? std::to_string(*optimum).c_str() : "-",
                cutOutcome.c_str(), static_cast<unsigned long long>(s.nodes), cost.user, cost.wall,
                outcome.c_str(), canonicalNodes.c_str(), canonicalCost.user, canonicalCost.wall,
                other.empty() ? "-" : other.c_str());
  compare << row;
  return faults;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::vector<std::string> instances;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.starts_with("--time-limit=")) {
      options.timeLimit = std::stod(argument.substr(13));
    } else if (argument.starts_with("--index=")) {
      options.index = readIndex(argument.substr(8));
      if (options.index.empty()) {
        std::fprintf(stderr, "no optima in %s\n", argument.substr(8).c_str());
        return 2;
      }
    } else if (argument.starts_with("--canonical=")) {
      options.canonicalFile = argument.substr(12);
    } else if (argument.starts_with("--canonical-time-limit=")) {
      options.canonicalTimeLimit = std::stod(argument.substr(23));
    } else if (argument.starts_with("--canonical-node-limit=")) {
      options.canonicalNodeLimit = std::stoull(argument.substr(23));
    } else if (argument == "--no-header") {
      options.header = false;
    } else if (argument.starts_with("--")) {
      std::fprintf(stderr, "unknown option %s\n", argument.c_str());
      return 2;
    } else {
      instances.push_back(argument);
    }
  }
  if (options.header) printHeader();
  int faults = 0;
  for (const std::string& argument : instances) faults += measureInstance(argument, options);
  return faults == 0 ? 0 : 1;
}
