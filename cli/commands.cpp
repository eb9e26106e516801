// The four commands of `ringmarch`: each reads its input once and bounded into an Instance
// (tolerantly, or with --strict by the component's reader), checks its output paths before any
// work, and prints its result as text or one JSON object. A solve goes through the solve layer;
// the exit status says whether the tour is proven, and a failure names the file, line and reason.
#include "cli/commands.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include <ringmarch/version.hpp>

#include "cli/default_instance.h"
#include "cli/distance_check.h"
#include "cli/input_bytes.h"
#include "cli/interrupt.h"
#include "cli/json_output.h"
#include "cli/output_paths.h"
#include "cli/progress.h"
#include "cli/random_instance.h"
#include "cli/replace_file.h"
#include "cli/svg_drawing.h"
#include "instance/problem_conversion.h"
#include "model/generation.h"
#include "solve/solve.h"
#include "solver/solve_driver.h"
#include "solver/tour_record.h"
#include "tsplib/strict_tsp_reader.h"
#include "tsplib/tolerant_tour_reader.h"
#include "tsplib/tolerant_tsp_reader.h"
#include "tsplib/tour_file.h"
#include "tsplib/tsp_file.h"

namespace ringmarch::cli {
namespace {

std::string resultValueText(ErrorCode code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, resultValueOf(code));
  return text;
}

std::string inQuotes(std::string_view name) {
  std::string text;
  text.reserve(name.size() + 2);
  text.push_back('\'');
  text.append(name);
  text.push_back('\'');
  return text;
}

std::string citiesText(std::int32_t count) {
  return std::to_string(count) + (count == 1 ? " city" : " cities");
}

// The closed tour's length measured in the listed direction, in 64 bits: no sum of 32-bit
// distances over at most kMaxInstanceCities cities can wrap there. Entries that name no city of
// the instance are passed over.
std::int64_t closedTourLength(const Instance& instance, std::span<const std::int32_t> order) {
  std::int64_t total = 0;
  const int cities = instance.size();
  for (std::size_t k = 0; k < order.size(); ++k) {
    const std::int32_t from = order[k];
    const std::int32_t to = order[(k + 1) % order.size()];
    if (from < 0 || from >= cities || to < 0 || to >= cities) continue;
    total += instance.distance(from, to);
  }
  return total;
}

std::string describeFault(const Instance& instance, const DistanceFault& fault) {
  const int a = fault.from;
  const int b = fault.to;
  const std::string cityA = "city " + std::to_string(a + 1);
  const std::string cityB = "city " + std::to_string(b + 1);
  switch (fault.code) {
    case ErrorCode::DistanceNotSymmetric:
      return "not symmetric: " + cityA + " to " + cityB + " is " +
             std::to_string(instance.distance(a, b)) + " but " + cityB + " to " + cityA + " is " +
             std::to_string(instance.distance(b, a));
    case ErrorCode::SameCityDistanceNotZero:
      return "the distance of " + cityA + " to itself is " +
             std::to_string(instance.distance(a, a)) + ", not 0";
    case ErrorCode::DistanceNotPositive:
      return cityA + " and " + cityB + " are 0 apart; different cities must be apart";
    default:
      return {};
  }
}

// Seconds of each stage of the solve, as the solver measured them.
JsonObject stagesOf(const SolveStageSeconds& seconds) {
  JsonObject stages;
  stages.add("load", seconds.load)
      .add("initial_tour", seconds.initialTour)
      .add("search", seconds.search);
  return stages;
}

// Empty when the tour visits every city of the instance once; otherwise what is wrong.
std::string tourFault(std::span<const std::int32_t> tour, std::int32_t cities) {
  std::vector<int> seen(static_cast<std::size_t>(cities > 0 ? cities : 0), 0);
  std::string fault;
  for (const std::int32_t city : tour) {
    if (city < 0 || city >= cities) return "city " + std::to_string(city + 1) + " is not a city";
    if (++seen[city] == 2) {
      fault +=
          (fault.empty() ? "" : "; ") + ("city " + std::to_string(city + 1)) + " is visited twice";
    }
  }
  for (int city = 0; city < cities; ++city) {
    if (seen[city] == 0) {
      fault +=
          (fault.empty() ? "" : "; ") + ("city " + std::to_string(city + 1)) + " is not visited";
      break;
    }
  }
  return fault;
}

class Session {
 public:
  Session(const Request& request, const Console& console) : request_(request), console_(console) {}

  int run();

 private:
  // An output file of the run: what goes there, the option that names it, and its path.
  struct Output {
    std::string what;
    std::string option;
    std::string path;
  };

  int dispatch();
  int runSolve();
  int runRandom();
  int runCheck();
  int runConvert();

  // Loads the named file ("-": standard input), or the built-in instance when path is empty.
  int load(const std::string& path);
  int loadBounded(const std::string& path);
  // Refuses before any work when an output file cannot be written, is an input file, or is the
  // file of another output.
  int checkOutputs(const std::vector<Output>& outputs);
  // The files of a solve (--tour, --svg).
  std::vector<Output> solveOutputs() const;
  // The files this run reads (standard input and the built-in instance are none).
  std::vector<std::string> inputFiles() const;
  // Solves the loaded instance with the request's solve options and prints the result.
  int solveLoaded(const JsonObject& extraFields);
  int writeInstanceToStandardOutput(std::int32_t format, const std::string& name);

  // Reports a failure with its code: "action 'file' (detail)", the result value, code name and
  // text, with the reason and the line of the file it concerns when known.
  int failWithCode(std::string_view action, std::string_view file, ErrorCode code,
                   const std::string& detail = {}, int line = 0);
  // Reports a failure that is not an operation's, in words.
  int failPlain(const std::string& message, std::string_view file = {});
  void printError(const std::string& message, std::optional<ErrorCode> code, std::string_view file,
                  const std::string& reason = {}, int fileLine = 0);

  // "-" names no instance: a solve's result shows the file's own NAME instead, when it has one.
  void useNameFromStandardInput(const std::string& path, const std::string& name) {
    if (request_.command == Command::Solve && path == kStandardStream && !name.empty()) {
      displayName_ = name.substr(0, kTextCapacity - 1);
    }
  }

  bool json() const { return request_.solve.json; }
  void warn(const std::string& message) {
    if (!request_.solve.quiet)
      std::fprintf(console_.err, "ringmarch: warning: %s\n", message.c_str());
  }

  const Request& request_;
  const Console& console_;
  std::optional<Instance> instance_;  // the loaded instance
  std::string displayName_;
  TspReadReport report_;  // what the reader said of the loaded file
};

void Session::printError(const std::string& message, std::optional<ErrorCode> code,
                         std::string_view file, const std::string& reason, int fileLine) {
  std::string line = "ringmarch: " + message;
  if (code) {
    line += ": " + resultValueText(*code) + " " + std::string(errorName(*code)) + ": " +
            std::string(errorText(*code));
  }
  std::fprintf(console_.err, "%s\n", line.c_str());
  if (json()) {
    JsonObject error;
    error.add("message", message);
    if (!file.empty()) error.add("file", file);
    if (!reason.empty()) error.add("reason", reason);
    if (fileLine > 0) error.add("line", fileLine);
    if (code) {
      error.add("code", static_cast<std::int32_t>(*code))
          .add("name", errorName(*code))
          .add("result", resultValueText(*code))
          .add("text", errorText(*code))
          .add("gloss", errorGloss(*code));
    }
    JsonObject document;
    document.add("error", error);
    std::fprintf(console_.out, "%s\n", document.text().c_str());
  }
}

int Session::failWithCode(std::string_view action, std::string_view file, ErrorCode code,
                          const std::string& detail, int line) {
  std::string message(action);
  if (!file.empty()) {
    message += ' ';
    message += inQuotes(file);
  }
  if (!detail.empty()) {
    message += " (";
    message += detail;
    message += ')';
  }
  printError(message, code, file, detail, line);
  return kExitBadInput;
}

int Session::failPlain(const std::string& message, std::string_view file) {
  printError(message, std::nullopt, file);
  return kExitBadInput;
}

int Session::load(const std::string& path) {
  try {
    return loadBounded(path);
  } catch (const std::bad_alloc&) {
    // Whatever the reading held is released by now; the message needs only a little.
    const std::string reason = "not enough memory to read the instance";
    printError("cannot read " + inQuotes(path) + " (" + reason + ")", ErrorCode::OutOfMemory, path,
               reason);
    return kExitBadInput;
  }
}

int Session::loadBounded(const std::string& path) {
  if (path.empty()) {
    const std::string_view text = defaultInstanceText();
    displayName_ = strictNameOf(text);
    TspRead read = readTspTextStrict(text, displayName_);
    if (!read.instance) {
      return failWithCode("cannot read the built-in instance", "", read.report.code,
                          read.report.where(), read.report.line);
    }
    instance_ = std::move(read.instance);
    report_ = std::move(read.report);
    return kExitSuccess;
  }
  displayName_ = path;
  // Read once and bounded: a FIFO or standard input cannot be read again, an endless device
  // must not be read forever, and a refusal is explained from the very bytes the reader saw.
  const InputRead input = readInput(path);
  if (input.code != ErrorCode::Success) {
    printError("cannot read " + inQuotes(path) + " (" + input.reason + ")", input.code, path,
               input.reason);
    return kExitBadInput;
  }
  TspRead read = request_.strict ? readTspTextStrict(input.bytes.view(), path)
                                 : readTspTextTolerant(input.bytes.view(), path);
  if (!read.instance) {
    // The message names the line; JSON gives the line and the reason apart, as the C interface
    // and the Python module do.
    const TspReadReport& report = read.report;
    printError("cannot read " + inQuotes(path) + " (" + report.where() + ")", report.code, path,
               report.reason, report.line);
    return kExitBadInput;
  }
  instance_ = std::move(read.instance);
  report_ = std::move(read.report);
  for (const std::string& note : report_.notes) warn(inQuotes(path) + ": " + note);
  // The tolerant reader also finds a NAME written in other case or with leading blanks.
  useNameFromStandardInput(path, report_.nameKeyword);
  return kExitSuccess;
}

std::vector<Session::Output> Session::solveOutputs() const {
  std::vector<Output> outputs;
  if (request_.solve.tourPath) outputs.push_back({"the tour", "--tour", *request_.solve.tourPath});
  if (request_.solve.svgPath) outputs.push_back({"the picture", "--svg", *request_.solve.svgPath});
  return outputs;
}

std::vector<std::string> Session::inputFiles() const {
  std::vector<std::string> inputs;
  switch (request_.command) {
    case Command::Solve:
    case Command::Check:
    case Command::Convert:
      // convert's second file is its output, not an input.
      if (!request_.files.empty()) inputs.push_back(request_.files[0]);
      break;
    default:
      break;
  }
  if (request_.tourToCheck) inputs.push_back(*request_.tourToCheck);
  return inputs;
}

int Session::checkOutputs(const std::vector<Output>& outputs) {
  const std::vector<std::string> inputs = inputFiles();
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    const Output& output = outputs[k];
    std::string problem = outputPathProblem(output.path, inputs);
    for (std::size_t earlier = 0; earlier < k && problem.empty(); ++earlier) {
      const Output& other = outputs[earlier];
      if (other.path == output.path || sameFile(other.path, output.path)) {
        problem = "is also where " + other.what + " goes (" + other.option + " " +
                  inQuotes(other.path) + "); " + other.option + " and " + output.option +
                  " must name different files";
      }
    }
    if (!problem.empty()) {
      return failPlain("cannot write " + output.what + " to " + inQuotes(output.path) + ": " +
                           problem + " (nothing was done)",
                       output.path);
    }
  }
  return kExitSuccess;
}

int Session::solveLoaded(const JsonObject& extraFields) {
  const SolveRequest& options = request_.solve;
  const Instance& instance = *instance_;
  const int cities = instance.size();
  if (options.svgPath && !hasDrawableCoordinates(instance)) {
    return failPlain(inQuotes(displayName_) + " has no coordinates to draw (--svg)", displayName_);
  }
  // The warning names what the engine will make of asymmetric distances; the solve layer decides
  // the rest.
  const bool asymmetric = !instance.isSymmetric();
  const Engine engine =
      options.engine == Engine::Auto ? automaticEngine(cities, !asymmetric) : options.engine;
  DistanceFault fault = firstDistanceFault(instance);
  if (fault.code != ErrorCode::Success) {
    std::string consequence = engine != Engine::Tour
                                  ? "; the tour is the shortest for the distances as given"
                                  : "; the tour is sought for the distances as given";
    if (asymmetric) {
      // Name the asymmetry, also when a diagonal entry comes first in the check's order.
      if (fault.code != ErrorCode::DistanceNotSymmetric) fault = firstAsymmetricPair(instance);
      if (engine == Engine::Tour) {
        consequence =
            "; the tour engine seeks a directed tour, measured in the listed direction; the tour "
            "is not proven optimal unless its lower bound meets it";
      } else if (engine == Engine::Cut || cities <= kMaxAsymmetricCities) {
        consequence =
            "; solved exactly as a directed tour, its length measured in the listed "
            "direction";
      } else {
        consequence =
            "; the tour is not proven optimal (the distances are not symmetric, and exact solves "
            "of asymmetric instances take at most " +
            std::to_string(kMaxAsymmetricCities) + " cities)";
      }
    }
    warn(inQuotes(displayName_) + ": distances are " + describeFault(instance, fault) +
         consequence);
  }

  ProgressSettings settings;
  settings.stream = options.quiet ? nullptr : console_.err;
  settings.terminal = console_.errIsTerminal;
  settings.stopRequested = &InterruptCatcher::caught;
  ProgressMonitor monitor(settings);
  ringmarch::SolveRequest solveRequest;
  solveRequest.engine = options.engine;
  solveRequest.timeLimitSeconds = options.timeLimitSeconds;
  // Always listened to, for Ctrl-C.
  solveRequest.watcher = &monitor;
  SolveResult solved;
  {
    const InterruptCatcher catcher;
    // Up to kMaxCities cities the canonical engine takes the instance as the object's problem
    // (problemOf): the start city and neighbour order the object's readers give.
    solved = solve(instance, solveRequest);
  }
  const double seconds = solved.counts.seconds;
  monitor.finish();
  if (solved.refused()) {
    std::string message = "cannot solve " + inQuotes(displayName_);
    if (!solved.reason.empty()) message += " (" + solved.reason + ")";
    std::optional<ErrorCode> code;
    if (solved.refusal != ErrorCode::Success) code = solved.refusal;
    printError(message, code, displayName_, solved.reason);
    return kExitBadInput;
  }
  std::string notProvenReason = solved.reason;
  if (solved.stopReason == StopReason::Interrupted || solved.stopReason == StopReason::Stopped) {
    notProvenReason = "interrupted; best tour found so far";
  } else if (solved.stopReason == StopReason::TimeLimit) {
    char text[96];
    std::snprintf(text, sizeof text, "time limit of %g s reached; best tour found so far",
                  *options.timeLimitSeconds);
    notProvenReason = text;
  } else if (solved.stopReason == StopReason::OutOfMemory) {
    notProvenReason = "memory ran out; best tour found so far";
  }
  const bool proven = solved.optimal();
  const std::int64_t length = solved.length;
  const std::int64_t lowerBound = solved.lowerBound.value_or(0);
  const std::span<const std::int32_t> order(solved.tour);
  // What is printed and written is measured here in 64 bits, not taken from the solver's sum.
  const std::int64_t measured = closedTourLength(instance, order);
  const SolveCounts& statistics = solved.counts;

  // Files first, so that the printed result can say what was written. Each is replaced whole or
  // left as it was.
  std::vector<std::pair<std::string, std::optional<ErrorCode>>> writeFailures;
  if (options.tourPath) {
    const std::string& path = *options.tourPath;
    const std::string problem = replaceFile(path, [&](std::FILE* stream) {
      return writeTourText(order, cities, stream, path, measured);
    });
    if (!problem.empty()) {
      writeFailures.emplace_back("cannot write the tour to " + inQuotes(path) + ": " + problem,
                                 ErrorCode::FileWriteFailed);
    }
  }
  if (options.svgPath) {
    std::string title = displayName_ + ": " + std::to_string(cities) + " cities, length " +
                        std::to_string(measured) + (proven ? "" : " (not proven optimal)");
    const std::optional<std::string> svg = drawTourSvg(instance, order, title);
    const std::string problem =
        svg ? replaceFileWithText(*options.svgPath, *svg) : std::string("the tour cannot be drawn");
    if (!problem.empty()) {
      writeFailures.emplace_back(
          "cannot write the picture to " + inQuotes(*options.svgPath) + ": " + problem,
          std::nullopt);
    }
  }

  if (json()) {
    JsonObject document = extraFields;
    document.add("name", displayName_)
        .add("cities", cities)
        .add("asymmetric", asymmetric)
        .add("length", measured)
        .add("optimal", proven);
    if (!proven) document.add("not_proven_reason", notProvenReason);
    document.add("engine", std::string(engineName(solved.engine)))
        .add("tour", order)
        .add("nodes", statistics.nodes)
        .add("seconds", seconds)
        .add("initial_length", statistics.initialLength)
        .add("improved_length", statistics.improvedLength)
        .add("lower_bound", lowerBound)
        .add("gap", relativeGap(length, lowerBound));
    document.add("stages", stagesOf(statistics.stages));
    if (solved.handedOverAfter > 0) document.add("handed_over_after", solved.handedOverAfter);
    if (solved.engine == Engine::Cut) {
      JsonObject cuts;
      cuts.add("subtour", statistics.subtourCuts)
          .add("blossom", statistics.blossomCuts)
          .add("comb", statistics.combCuts)
          .add("local", statistics.localCuts)
          .add("from_pool", statistics.poolCuts);
      document.add("cuts", cuts)
          .add("cut_rounds", statistics.cutRounds)
          .add("root_bound", statistics.rootBound)
          .add("lp_iterations", statistics.lpIterations)
          .add("lp_seconds", statistics.lpSeconds)
          .add("priced_edges", statistics.pricedEdges)
          .add("eliminated_edges", statistics.eliminatedEdges);
    }
    if (options.timeLimitSeconds) document.add("time_limit", *options.timeLimitSeconds);
    if (options.tourPath) document.add("tour_file", *options.tourPath);
    if (options.svgPath) document.add("svg_file", *options.svgPath);
    if (!writeFailures.empty()) {
      JsonObject error;
      error.add("message", writeFailures.front().first);
      if (writeFailures.front().second) {
        const ErrorCode code = *writeFailures.front().second;
        error.add("code", static_cast<std::int32_t>(code))
            .add("name", errorName(code))
            .add("result", resultValueText(code))
            .add("text", errorText(code))
            .add("gloss", errorGloss(code));
      }
      document.add("error", error);
    }
    std::fprintf(console_.out, "%s\n", document.text().c_str());
  } else {
    std::fprintf(console_.out, "name: %s\ncities: %d\n", displayName_.c_str(), cities);
    if (asymmetric) {
      std::fprintf(console_.out, "asymmetric: yes (a directed tour, measured as listed)\n");
    }
    std::fprintf(console_.out, "length: %lld\n", static_cast<long long>(measured));
    if (proven) {
      std::fprintf(console_.out, "optimal: yes\n");
    } else {
      std::fprintf(console_.out, "optimal: not proven (%s)\n", notProvenReason.c_str());
    }
    if (lowerBound > 0 && !proven) {
      std::fprintf(console_.out, "lower bound: %lld (gap %.2f %%)\n",
                   static_cast<long long>(lowerBound), 100.0 * relativeGap(length, lowerBound));
    }
    std::fprintf(console_.out, "tour:");
    for (const std::int32_t city : order) std::fprintf(console_.out, " %d", city + 1);
    std::fprintf(console_.out, "\nnodes: %llu\nseconds: %.3f\n",
                 static_cast<unsigned long long>(statistics.nodes), seconds);
    if (solved.engine == Engine::Cut) {
      std::fprintf(console_.out, "engine: cut");
      if (solved.handedOverAfter > 0) {
        std::fprintf(console_.out, " (after %llu nodes of the canonical search)",
                     static_cast<unsigned long long>(solved.handedOverAfter));
      }
      std::fprintf(console_.out, "\ncuts: %llu subtour, %llu blossom, %llu comb",
                   static_cast<unsigned long long>(statistics.subtourCuts),
                   static_cast<unsigned long long>(statistics.blossomCuts),
                   static_cast<unsigned long long>(statistics.combCuts));
      // Local cuts come only where the other families leave a wide gap: named when there are any.
      if (statistics.localCuts > 0) {
        std::fprintf(console_.out, ", %llu local",
                     static_cast<unsigned long long>(statistics.localCuts));
      }
      std::fprintf(console_.out, "; LP %.3f s\n", statistics.lpSeconds);
    }
  }
  for (const auto& [message, code] : writeFailures) {
    std::string line = "ringmarch: " + message;
    if (code) {
      line += ": " + resultValueText(*code) + " " + std::string(errorName(*code)) + ": " +
              std::string(errorText(*code));
    }
    std::fprintf(console_.err, "%s\n", line.c_str());
  }
  if (!writeFailures.empty()) return kExitBadInput;
  if (solved.stopReason == StopReason::Interrupted) return kExitInterrupted;
  return proven ? kExitSuccess : kExitNotProven;
}

int Session::runSolve() {
  if (const int checked = checkOutputs(solveOutputs()); checked != kExitSuccess) return checked;
  const int loaded = load(request_.files.empty() ? std::string() : request_.files[0]);
  if (loaded != kExitSuccess) return loaded;
  return solveLoaded(JsonObject{});
}

int Session::writeInstanceToStandardOutput(std::int32_t format, const std::string& name) {
  writeTspStream(*instance_, console_.out, name, format);
  if (std::fflush(console_.out) != 0 || std::ferror(console_.out) != 0) {
    return failPlain("cannot write to standard output");
  }
  return kExitSuccess;
}

// Writes the instance as a TSP file through a new file renamed over the target; the NAME line
// holds the path, as the component's writer puts it.
std::string writeInstanceFile(const Instance& instance, const std::string& path,
                              std::int32_t format) {
  return replaceFile(path, [&](std::FILE* stream) {
    writeTspStream(instance, stream, path, format);
    return true;
  });
}

int Session::runRandom() {
  std::uint32_t seed = 0;
  if (request_.seed) {
    seed = *request_.seed;
  } else {
    // A fresh seed for every run; the clock since load would give the same instance each time
    // in a short-lived process.
    std::random_device device;
    seed = device();
  }
  // All outputs at once, so that --output and the solve's files are told apart too.
  std::vector<Output> outputs;
  if (request_.outputPath && *request_.outputPath != kStandardStream) {
    outputs.push_back({"the instance", "--output", *request_.outputPath});
  }
  if (request_.solveRandom) {
    for (Output& output : solveOutputs()) outputs.push_back(std::move(output));
  }
  if (const int checked = checkOutputs(outputs); checked != kExitSuccess) return checked;
  const std::string name =
      "random-" + std::to_string(request_.cityCount) + "-seed-" + std::to_string(seed);
  displayName_ = name;
  instance_ = randomInstance(request_.cityCount, seed);
  if (!instance_) {
    return failPlain("cannot generate " + std::to_string(request_.cityCount) + " cities");
  }
  instance_->name = name;
  const std::int32_t format = request_.format.value_or(kTspFileEuc2d);
  const bool toStandardOutput = (request_.outputPath && *request_.outputPath == kStandardStream) ||
                                (!request_.outputPath && !request_.solveRandom);
  if (toStandardOutput) return writeInstanceToStandardOutput(format, name);
  if (request_.outputPath) {
    const std::string problem = writeInstanceFile(*instance_, *request_.outputPath, format);
    if (!problem.empty()) {
      printError("cannot write the instance to " + inQuotes(*request_.outputPath) + ": " + problem,
                 ErrorCode::FileWriteFailed, *request_.outputPath, problem);
      return kExitBadInput;
    }
  }
  if (!request_.solveRandom) return kExitSuccess;
  JsonObject extra;
  extra.add("seed", static_cast<std::int64_t>(seed));
  if (!json()) std::fprintf(console_.out, "seed: %" PRIu32 "\n", seed);
  return solveLoaded(extra);
}

int Session::runCheck() {
  const std::string& path = request_.files[0];
  const int loaded = load(path);
  if (loaded != kExitSuccess) return loaded;
  const Instance& instance = *instance_;
  const int cities = instance.size();
  // An ATSP file declares one-way distances: they need not equal their reverses, and are checked
  // pair by ordered pair. A TSP file (the default TYPE) promises symmetry, which is checked.
  const bool declaredDirected = !request_.strict && report_.type == "ATSP";
  const DistanceFault fault =
      declaredDirected ? firstDirectedFault(instance) : firstDistanceFault(instance);
  const ErrorCode code = fault.code;
  const auto answer = static_cast<std::int32_t>(code);
  // Up to the object's size the exact search sums tours in 32 bits; the engines beyond it sum
  // in 64.
  bool lengthsFit = true;
  if (cities <= kMaxCities) {
    const std::unique_ptr<ProblemData> problem = problemOf(instance);
    if (!problem) return failPlain("no memory to check " + inQuotes(path), path);
    lengthsFit = tourLengthsFit(*problem);
  }
  const bool solvable = cities >= 3 && lengthsFit;
  const bool asymmetric = !instance.isSymmetric();
  // The component's check lets negative distances pass; "positive" must not be said of them.
  const auto [negativeFrom, negativeTo] = firstNegativeDistance(instance);
  const bool negative = negativeFrom >= 0;

  // The tour, read against the instance: tolerantly, as tours are published, or with --strict by
  // the component's TOUR reader. A list of cities that repeats or misses some is still shown.
  std::optional<std::string> tourProblem;
  std::string tourProblemWhere;  // the tolerant reader's words, with the line
  int tourProblemLine = 0;
  std::vector<std::int32_t> tourOrder;
  if (request_.tourToCheck) {
    const std::string& tourPath = *request_.tourToCheck;
    const InputRead input = readInput(tourPath);
    if (input.code != ErrorCode::Success) {
      printError("cannot read the tour " + inQuotes(tourPath) + " (" + input.reason + ")",
                 input.code, tourPath, input.reason);
      return kExitBadInput;
    }
    if (request_.strict) {
      // The strict reader's instances have at most kMaxCities cities: the object's problem.
      const std::unique_ptr<ProblemData> problem = problemOf(instance);
      auto tourRead = std::make_unique<TourRecord>();
      std::FILE* stream = openMemoryStream(input.bytes.view());
      if (!problem || stream == nullptr) {
        if (stream != nullptr) std::fclose(stream);
        return failPlain("cannot read the tour in memory", tourPath);
      }
      const ErrorCode read = readTourStream(*tourRead, *problem, stream);
      std::fclose(stream);
      if (read != ErrorCode::Success) {
        std::string detail;
        if (read == ErrorCode::CityIdOutOfRange) {
          detail = "its DIMENSION differs from the instance's " + citiesText(cities) +
                   ", or it names a city outside 1 to " + std::to_string(cities);
        }
        return failWithCode("cannot read the tour", tourPath, read, detail);
      }
      tourOrder.assign(tourRead->order,
                       tourRead->order + (tourRead->count > 0 ? tourRead->count : 0));
    } else {
      TourReadReport tourReport = readTourTextTolerant(input.bytes.view(), cities);
      const bool listed =
          tourReport.fault == TourFault::Repeated || tourReport.fault == TourFault::Missing;
      if (tourReport.code != ErrorCode::Success && !listed) {
        printError("cannot read the tour " + inQuotes(tourPath) + " (" + tourReport.where() + ")",
                   tourReport.code, tourPath, tourReport.reason, tourReport.line);
        return kExitBadInput;
      }
      if (listed) {
        tourProblemWhere = tourReport.where();
        tourProblemLine = tourReport.line;
      }
      tourOrder = std::move(tourReport.tour);
    }
    tourProblem = tourFault(tourOrder, cities);
    // The reader's refusal stands even where the list it kept looks whole.
    if (tourProblem->empty() && !tourProblemWhere.empty()) tourProblem = tourProblemWhere;
    if (tourProblemWhere.empty()) tourProblemWhere = *tourProblem;
  }
  // Measured in the listed direction, closing back to the first city.
  const std::int64_t tourLength = closedTourLength(instance, tourOrder);

  if (json()) {
    JsonObject document;
    document.add("name", path)
        .add("cities", cities)
        .add("coordinates", instance.hasPicture())
        .add("asymmetric", asymmetric)
        .add("valid", answer == 0)
        .add("code", answer);
    if (answer != 0) {
      document.add("error_name", errorName(code))
          .add("result", resultValueText(code))
          .add("text", errorText(code));
      JsonObject pair;
      pair.add("from", fault.from)
          .add("to", fault.to)
          .add("distance", instance.distance(fault.from, fault.to))
          .add("reverse", instance.distance(fault.to, fault.from));
      document.add("first_fault", pair);
    }
    document.add("negative_distances", negative);
    if (negative) {
      JsonObject pair;
      pair.add("from", negativeFrom)
          .add("to", negativeTo)
          .add("distance", instance.distance(negativeFrom, negativeTo));
      document.add("first_negative", pair);
    }
    document.add("solvable", solvable);
    if (tourProblem) {
      document.add("tour_file", *request_.tourToCheck)
          .add("tour_valid", tourProblem->empty())
          .add("tour_length", tourLength)
          .add("tour", std::span<const std::int32_t>(tourOrder));
      if (!tourProblem->empty()) {
        document.add("tour_fault", *tourProblem).add("tour_fault_reason", tourProblemWhere);
        if (tourProblemLine > 0) document.add("tour_fault_line", tourProblemLine);
      }
    }
    std::fprintf(console_.out, "%s\n", document.text().c_str());
  } else {
    std::fprintf(console_.out, "%s: %s, %s\n", path.c_str(), citiesText(cities).c_str(),
                 instance.hasPicture() ? "with coordinates" : "without coordinates");
    if (answer == 0 && asymmetric) {
      std::fprintf(console_.out,
                   "distances: valid, asymmetric (TYPE ATSP: one-way distances, 0 from each city "
                   "to itself, positive between different cities)\n");
      const DistanceFault pair = firstAsymmetricPair(instance);
      std::fprintf(console_.out,
                   "asymmetric: yes (city %d to city %d is %d, back %d); solve finds a shortest "
                   "directed tour\n",
                   pair.from + 1, pair.to + 1, instance.distance(pair.from, pair.to),
                   instance.distance(pair.to, pair.from));
    } else if (answer == 0 && negative) {
      std::fprintf(console_.out,
                   "distances: valid by the distance check (symmetric, 0 from each city to "
                   "itself), but negative between different cities: city %d to city %d is %d "
                   "(solve still finds a shortest tour)\n",
                   negativeFrom + 1, negativeTo + 1, instance.distance(negativeFrom, negativeTo));
    } else if (answer == 0) {
      std::fprintf(console_.out,
                   "distances: valid (symmetric, 0 from each city to itself, positive between "
                   "different cities)\n");
    } else {
      const std::string words = describeFault(instance, fault);
      std::fprintf(console_.out, "distances: %s (%s %s: %s)\n", words.c_str(),
                   resultValueText(code).c_str(), std::string(errorName(code)).c_str(),
                   std::string(errorText(code)).c_str());
      if (asymmetric && !declaredDirected) {
        std::fprintf(console_.out,
                     "asymmetric: solve finds a shortest directed tour for up to %d cities; a "
                     "file of one-way distances says TYPE: ATSP\n",
                     kMaxAsymmetricCities);
      }
    }
    if (!solvable) {
      std::fprintf(
          console_.out, "solvable: no (%s)\n",
          cities < 3 ? "fewer than 3 cities" : "tour lengths could exceed the 32-bit range");
    }
    if (tourProblem) {
      std::fprintf(console_.out, "tour: %s: %s, length %lld\n", request_.tourToCheck->c_str(),
                   tourProblem->empty()
                       ? "valid, every city once"
                       : ("not a tour of the instance: " + tourProblemWhere).c_str(),
                   static_cast<long long>(tourLength));
    }
  }
  if (tourProblem) return tourProblem->empty() ? kExitSuccess : kExitBadInput;
  return answer == 0 ? kExitSuccess : kExitBadInput;
}

// The first pair whose distance differs once the instance is written as EUC_2D (whole
// coordinates, Euclidean distances rounded) and read back; from < 0 when the layout keeps every
// distance. An EUC_2D instance of whole coordinates keeps them by its own rule and is not walked.
DistanceFault firstChangeInEuc2d(const Instance& instance, std::int32_t& written, bool& fits) {
  const int n = instance.size();
  bool whole = instance.rule() == DistanceRule::Euc2d;
  for (int i = 0; i < n && whole; ++i) {
    const double x = instance.pictureX(i);
    const double y = instance.pictureY(i);
    whole = x == truncateToWhole(x) && y == truncateToWhole(y) && instance.x(i) == x &&
            instance.y(i) == y;
  }
  if (whole) return {};
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const double dx =
          truncateToWhole(instance.pictureX(i)) - truncateToWhole(instance.pictureX(j));
      const double dy =
          truncateToWhole(instance.pictureY(i)) - truncateToWhole(instance.pictureY(j));
      written = 0;
      fits = roundedDistance(std::hypot(dx, dy), 1.0, &written);
      if (!fits || written != instance.distance(i, j)) return {i, j, ErrorCode::Success};
    }
  }
  return {};
}

int Session::runConvert() {
  const std::string& input = request_.files[0];
  const std::string& output = request_.files[1];
  const bool toStandardOutput = output == kStandardStream;
  if (!toStandardOutput) {
    if (const int checked = checkOutputs({{"the instance", "OUT", output}});
        checked != kExitSuccess) {
      return checked;
    }
  }
  const int loaded = load(input);
  if (loaded != kExitSuccess) return loaded;
  const std::int32_t format = request_.format.value_or(kTspFileFullMatrix);
  const Instance& instance = *instance_;
  const auto cities = static_cast<std::size_t>(instance.size());
  // EUC_2D files hold coordinates only: without coordinates there is nothing to write, even
  // with --force.
  if (format == kTspFileEuc2d && !instance.hasPicture()) {
    return failPlain(inQuotes(input) +
                         " has no coordinates: euc2d would lose its distances (use --format "
                         "fullmatrix)",
                     input);
  }
  // A matrix no reader takes back is not written.
  if (format == kTspFileFullMatrix && cities * cities > kMaxMatrixEntries) {
    return failPlain(inQuotes(input) + " has " + citiesText(instance.size()) +
                         ": a full matrix of them lists " + std::to_string(cities * cities) +
                         " numbers, more than a file the readers take can hold (" +
                         std::to_string(kMaxMatrixEntries) + "; use --format euc2d)",
                     input);
  }
  if (format == kTspFileEuc2d && !request_.force) {
    // EUC_2D keeps only whole coordinates; refuse when the distances read back would differ.
    std::int32_t written = 0;
    bool fits = true;
    const DistanceFault change = firstChangeInEuc2d(instance, written, fits);
    if (change.from >= 0) {
      const int i = change.from;
      const int j = change.to;
      return failPlain(inQuotes(input) + ": city " + std::to_string(i + 1) + " to city " +
                           std::to_string(j + 1) + " is " +
                           std::to_string(instance.distance(i, j)) +
                           ", but its whole coordinates give " +
                           (fits ? std::to_string(written) : std::string("no distance")) +
                           "; euc2d would change the instance (use --format fullmatrix, or "
                           "--force)",
                       input);
    }
  }
  if (toStandardOutput) return writeInstanceToStandardOutput(format, displayName_);
  const std::string problem = writeInstanceFile(instance, output, format);
  if (!problem.empty()) {
    printError("cannot write " + inQuotes(output) + ": " + problem, ErrorCode::FileWriteFailed,
               output, problem);
    return kExitBadInput;
  }
  return kExitSuccess;
}

int Session::run() {
  try {
    return dispatch();
  } catch (const std::bad_alloc&) {
    printError("out of memory", ErrorCode::OutOfMemory, {},
               "not enough memory for the command (nothing more was done)");
    return kExitBadInput;
  }
}

int Session::dispatch() {
  switch (request_.command) {
    case Command::Solve:
      return runSolve();
    case Command::Random:
      return runRandom();
    case Command::Check:
      return runCheck();
    case Command::Convert:
      return runConvert();
    case Command::Help:
    case Command::Version:
      break;
  }
  return kExitUsage;
}

}  // namespace

int runRequest(const Request& request, const Console& console) {
  if (request.command == Command::Help) {
    std::fputs(helpText(request.helpTopic).c_str(), console.out);
    return kExitSuccess;
  }
  if (request.command == Command::Version) {
    std::fprintf(console.out, "ringmarch %s\n", ringmarch::kVersion.data());
    return kExitSuccess;
  }
  Session session(request, console);
  return session.run();
}

}  // namespace ringmarch::cli
