#include "cli/commands.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "cli/default_instance.h"
#include "cli/interrupt.h"
#include "cli/json_output.h"
#include "cli/output_paths.h"
#include "cli/progress.h"
#include "cli/svg_drawing.h"
#include "cli/temp_file.h"
#include "model/asymmetric_solve.h"
#include "model/generation.h"
#include "model/ringmarch_object.h"
#include "solve/solve.h"
#include "tsplib/tolerant_tsp_reader.h"
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

// Writes a whole text to a named file; the answer is the system error text, empty on success.
std::string writeTextFile(const std::string& path, std::string_view text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return std::strerror(errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
  const int saved = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !flushed || !closed) return std::strerror(saved != 0 ? saved : errno);
  return {};
}

// Finds the first pair that the distance check objects to, visiting the pairs in the check's
// own order so that the pair agrees with its answer.
struct DistanceFault {
  int from = -1;
  int to = -1;
  ErrorCode code = ErrorCode::Success;
};

DistanceFault firstDistanceFault(const ProblemData& problem) {
  for (int i = 0; i < problem.count; ++i) {
    for (int j = i; j < problem.count; ++j) {
      const std::int32_t d = problem.rows[i].dist[j];
      if (d != problem.rows[j].dist[i]) return {i, j, ErrorCode::DistanceNotSymmetric};
      if (i == j && d != 0) return {i, j, ErrorCode::SameCityDistanceNotZero};
      if (i != j && d == 0) return {i, j, ErrorCode::DistanceNotPositive};
    }
  }
  return {};
}

std::string describeFault(const ProblemData& problem, const DistanceFault& fault) {
  const int a = fault.from;
  const int b = fault.to;
  const std::string cityA = "city " + std::to_string(a + 1);
  const std::string cityB = "city " + std::to_string(b + 1);
  switch (fault.code) {
    case ErrorCode::DistanceNotSymmetric:
      return "not symmetric: " + cityA + " to " + cityB + " is " +
             std::to_string(problem.rows[a].dist[b]) + " but " + cityB + " to " + cityA + " is " +
             std::to_string(problem.rows[b].dist[a]);
    case ErrorCode::SameCityDistanceNotZero:
      return "the distance of " + cityA + " to itself is " +
             std::to_string(problem.rows[a].dist[a]) + ", not 0";
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

// Standard input read whole, for the readers, which take named files. Bounded: no TSP file of
// at most 127 cities comes near the limit.
std::optional<std::string> readStandardInput(std::string& problem) {
  constexpr std::size_t kLimit = std::size_t{256} << 20;
  std::string text;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    text.append(buffer, n);
    if (text.size() > kLimit) {
      problem = "more than 256 MiB";
      return std::nullopt;
    }
  }
  if (std::ferror(stdin)) {
    problem = std::strerror(errno);
    return std::nullopt;
  }
  return text;
}

// The first line of a file that the tolerant reader takes but the strict reader's line rules do
// not: DIMENSION first, keywords in upper case from the first column, section lines alone.
std::string strictLineRuleBroken(const std::string& location) {
  const std::optional<std::string> text = readWholeFile(location);
  const std::string general =
      "the file breaks the strict reader's line rules (DIMENSION before the other keywords, "
      "keywords in upper case from the first column, section lines without blanks); it reads "
      "without --strict";
  if (!text) return general;
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text->size();) {
    const std::size_t end = std::min(text->find('\n', at), text->size());
    std::string line = text->substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    at = end + 1;
  }
  auto upperTrimmed = [](const std::string& line) {
    std::string word;
    for (const char c : line) {
      if (c != ' ' && c != '\t') word += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return word;
  };
  auto at = [](std::size_t index) { return "line " + std::to_string(index + 1) + ": "; };
  std::size_t dimension = lines.size();
  for (std::size_t i = 0; i < lines.size() && dimension == lines.size(); ++i) {
    if (upperTrimmed(lines[i]).starts_with("DIMENSION")) dimension = i;
  }
  if (dimension == lines.size()) return general;
  if (!lines[dimension].starts_with("DIMENSION")) {
    return at(dimension) +
           "with --strict, DIMENSION must be written in upper case from the first " +
           "column; the file reads without --strict";
  }
  constexpr std::string_view kKeywords[] = {"EDGE_WEIGHT_TYPE", "EDGE_WEIGHT_FORMAT",
                                            "DISPLAY_DATA_TYPE"};
  constexpr std::string_view kSections[] = {"NODE_COORD_SECTION", "EDGE_WEIGHT_SECTION",
                                            "DISPLAY_DATA_SECTION"};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string word = upperTrimmed(lines[i]);
    for (const std::string_view keyword : kKeywords) {
      if (!word.starts_with(keyword)) continue;
      if (i < dimension) {
        return at(i) + std::string(keyword) + " comes before DIMENSION (line " +
               std::to_string(dimension + 1) +
               "); with --strict it is looked for only after; the file reads without --strict";
      }
      if (!lines[i].starts_with(keyword)) {
        return at(i) + "with --strict, " + std::string(keyword) +
               " must be written in upper case from the first column; the file reads without "
               "--strict";
      }
    }
    for (const std::string_view section : kSections) {
      if (word == section && lines[i] != section) {
        return at(i) + "with --strict, the section line must be " + std::string(section) +
               " alone, without blanks or other case; the file reads without --strict";
      }
    }
  }
  return general;
}

// Why the strict reader refused a file, in words: the tolerant reader names the line and reason
// of a fault both would see; when it reads the file, the strict reader's narrower rules are why.
std::string strictRefusalReason(const std::string& location) {
  auto scratch = std::make_unique<ProblemData>();
  initProblemData(*scratch);
  const TspReadReport tolerant =
      readTspFileTolerant(*scratch, FileName::fromNarrow(location.c_str()));
  if (tolerant.code != ErrorCode::Success) return tolerant.where();
  const std::string& type = tolerant.edgeWeightType;
  const std::string& format = tolerant.edgeWeightFormat;
  const std::string typeLine = "line " + std::to_string(tolerant.edgeWeightTypeLine) + ": ";
  if (type != "EUC_2D" && type != "ATT" && type != "EXPLICIT") {
    return typeLine + "EDGE_WEIGHT_TYPE " + type +
           " has no distance rule with --strict (the file reads without --strict)";
  }
  if (type == "EXPLICIT" && format != "FULL_MATRIX" && format != "UPPER_ROW" &&
      format != "LOWER_DIAG_ROW") {
    return "EDGE_WEIGHT_FORMAT " + format +
           " is not read with --strict (the file reads without --strict)";
  }
  return strictLineRuleBroken(location);
}

// Empty when the tour visits every city of the instance once; otherwise what is wrong.
std::string tourFault(const TourRecord& tour, std::int32_t cities) {
  std::vector<int> seen(static_cast<std::size_t>(cities > 0 ? cities : 0), 0);
  std::string fault;
  for (int i = 0; i < tour.count; ++i) {
    const std::int32_t city = tour.order[i];
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
  Session(const Request& request, const Console& console)
      : request_(request), console_(console), object_(std::make_unique<RingmarchObject>()) {}

  int run();

 private:
  int runSolve();
  int runRandom();
  int runCheck();
  int runConvert();

  // Loads the named file ("-": standard input), or the built-in instance when path is empty.
  int load(const std::string& path);
  // Refuses before any work when an output file cannot be written or is an input file.
  int checkOutputs(const std::vector<std::pair<std::string, std::string>>& outputs);
  // The same for the files of a solve (--tour, --svg).
  int checkSolveOutputs();
  // Solves the loaded instance with the request's solve options and prints the result.
  int solveLoaded(const JsonObject& extraFields);
  int writeInstanceToStandardOutput(std::int32_t format, const std::string& name);

  // Reports the failure of an operation of the object: its result value, code name and text,
  // with the reason and the line of the file it concerns when known.
  int failOperation(std::string_view action, std::string_view file, const std::string& detail = {},
                    int line = 0);
  // Reports a failure that is not an operation's, in words.
  int failPlain(const std::string& message, std::string_view file = {});
  void printError(const std::string& message, std::optional<ErrorCode> code, std::string_view file,
                  const std::string& reason = {}, int fileLine = 0);

  bool json() const { return request_.solve.json; }
  void warn(const std::string& message) {
    if (!request_.solve.quiet)
      std::fprintf(console_.err, "ringmarch: warning: %s\n", message.c_str());
  }

  const Request& request_;
  const Console& console_;
  std::unique_ptr<RingmarchObject> object_;
  std::string displayName_;
  TspReadReport report_;               // what the tolerant reader said of the loaded file
  std::optional<TempFile> stdinCopy_;  // standard input, staged for the reader
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

int Session::failOperation(std::string_view action, std::string_view file,
                           const std::string& detail, int line) {
  const LastError error = lastError();
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
  printError(message, error.code, file, detail, line);
  return kExitBadInput;
}

int Session::failPlain(const std::string& message, std::string_view file) {
  printError(message, std::nullopt, file);
  return kExitBadInput;
}

int Session::load(const std::string& path) {
  if (!path.empty()) {
    displayName_ = path;
    std::string location = path;
    if (path == kStandardStream) {
      std::string problem;
      const std::optional<std::string> text = readStandardInput(problem);
      if (!text) return failPlain("cannot read standard input: " + problem, path);
      std::optional<TempFile> staged = TempFile::create(".tsp", *text);
      if (staged) stdinCopy_.emplace(std::move(*staged));
      if (!stdinCopy_) {
        return failPlain(std::string("cannot stage standard input in the temporary directory: ") +
                         std::strerror(errno));
      }
      location = stdinCopy_->path();
    }
    const FileName file = FileName::fromNarrow(location.c_str());
    if (request_.strict) {
      if (object_->ReadTspFile(file) != kSuccessResult) {
        return failOperation("cannot read", path, strictRefusalReason(location));
      }
      return kExitSuccess;
    }
    if (object_->ReadTspFileTolerant(file, &report_) != kSuccessResult) {
      return failOperation("cannot read", path, report_.where(), report_.line);
    }
    for (const std::string& note : report_.notes) warn(inQuotes(path) + ": " + note);
    return kExitSuccess;
  }
  const std::string_view text = defaultInstanceText();
  displayName_ = tspNameOf(text);
  const std::optional<TempFile> file = TempFile::create(".tsp", text);
  if (!file) {
    return failPlain(std::string("cannot stage the built-in instance in the temporary "
                                 "directory: ") +
                     std::strerror(errno));
  }
  if (object_->ReadTspFile(FileName::fromNarrow(file->path().c_str())) != kSuccessResult) {
    return failOperation("cannot read the built-in instance", displayName_);
  }
  return kExitSuccess;
}

int Session::checkSolveOutputs() {
  std::vector<std::pair<std::string, std::string>> outputs;
  if (request_.solve.tourPath) outputs.emplace_back("the tour", *request_.solve.tourPath);
  if (request_.solve.svgPath) outputs.emplace_back("the picture", *request_.solve.svgPath);
  return checkOutputs(outputs);
}

int Session::checkOutputs(const std::vector<std::pair<std::string, std::string>>& outputs) {
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    const auto& [what, path] = outputs[k];
    std::string problem = outputPathProblem(path, request_.files);
    for (std::size_t earlier = 0; earlier < k && problem.empty(); ++earlier) {
      if (outputs[earlier].second == path)
        problem = "is also where " + outputs[earlier].first + " goes";
    }
    if (!problem.empty()) {
      return failPlain(
          "cannot write " + what + " to " + inQuotes(path) + ": " + problem + " (nothing was done)",
          path);
    }
  }
  return kExitSuccess;
}

int Session::solveLoaded(const JsonObject& extraFields) {
  const SolveRequest& options = request_.solve;
  const ProblemData& instance = object_->instance();
  if (options.svgPath && !hasDrawableCoordinates(instance)) {
    return failPlain(inQuotes(displayName_) + " has no coordinates to draw (--svg)", displayName_);
  }
  // The warning names what the engine will make of asymmetric distances; the solve layer decides
  // the rest.
  const bool asymmetric = hasAsymmetricDistances(instance);
  const Engine engine = options.engine == Engine::Auto
                            ? automaticEngine(instance.count, !asymmetric)
                            : options.engine;
  std::int32_t check = 0;
  if (object_->CheckDistance(&check) == kSuccessResult && check != 0) {
    DistanceFault fault = firstDistanceFault(instance);
    std::string consequence = "; the tour is the shortest for the distances as given";
    if (asymmetric) {
      // Name the asymmetry, also when a diagonal entry comes first in the check's order.
      for (int i = 0; i < instance.count && fault.code != ErrorCode::DistanceNotSymmetric; ++i) {
        for (int j = i + 1; j < instance.count; ++j) {
          if (instance.rows[i].dist[j] != instance.rows[j].dist[i]) {
            fault = {i, j, ErrorCode::DistanceNotSymmetric};
            break;
          }
        }
      }
      if (engine == Engine::Tour) {
        consequence =
            "; the tour engine seeks a directed tour, measured in the listed direction; the tour "
            "is not proven optimal unless its lower bound meets it";
      } else if (instance.count <= kMaxAsymmetricCities) {
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
  if (object_->AdoptTour(solved.tour.data(), static_cast<std::int32_t>(solved.tour.size())) !=
      kSuccessResult) {
    return failOperation("cannot keep the tour of", displayName_,
                         "its length does not fit 32 bits");
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
  const TourRecord& tour = object_->tour();
  const int tourCount = tour.count < 0 ? 0 : tour.count;
  const std::span<const std::int32_t> order(tour.order, static_cast<std::size_t>(tourCount));
  const SolveCounts& statistics = solved.counts;

  // Files first, so that the printed result can say what was written.
  std::vector<std::pair<std::string, std::optional<ErrorCode>>> writeFailures;
  if (options.tourPath) {
    if (object_->WriteTourFile(FileName::fromNarrow(options.tourPath->c_str())) != kSuccessResult) {
      writeFailures.emplace_back("cannot write the tour to " + inQuotes(*options.tourPath),
                                 lastError().code);
    }
  }
  if (options.svgPath) {
    std::string title = displayName_ + ": " + std::to_string(instance.count) + " cities, length " +
                        std::to_string(length) + (proven ? "" : " (not proven optimal)");
    const std::optional<std::string> svg = drawTourSvg(instance, tour, title);
    const std::string problem =
        svg ? writeTextFile(*options.svgPath, *svg) : std::string("the tour cannot be drawn");
    if (!problem.empty()) {
      writeFailures.emplace_back(
          "cannot write the picture to " + inQuotes(*options.svgPath) + ": " + problem,
          std::nullopt);
    }
  }

  if (json()) {
    JsonObject document = extraFields;
    document.add("name", displayName_)
        .add("cities", instance.count)
        .add("asymmetric", asymmetric)
        .add("length", length)
        .add("optimal", proven);
    if (!proven) document.add("not_proven_reason", notProvenReason);
    document.add("tour", order)
        .add("nodes", statistics.nodes)
        .add("seconds", seconds)
        .add("initial_length", statistics.initialLength)
        .add("improved_length", statistics.improvedLength)
        .add("lower_bound", lowerBound)
        .add("gap", relativeGap(length, lowerBound));
    document.add("stages", stagesOf(statistics.stages));
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
    std::fprintf(console_.out, "name: %s\ncities: %d\n", displayName_.c_str(), instance.count);
    if (asymmetric) {
      std::fprintf(console_.out, "asymmetric: yes (a directed tour, measured as listed)\n");
    }
    std::fprintf(console_.out, "length: %lld\n", static_cast<long long>(length));
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
  if (const int checked = checkSolveOutputs(); checked != kExitSuccess) return checked;
  const int loaded = load(request_.files.empty() ? std::string() : request_.files[0]);
  if (loaded != kExitSuccess) return loaded;
  return solveLoaded(JsonObject{});
}

int Session::writeInstanceToStandardOutput(std::int32_t format, const std::string& name) {
  std::optional<TempFile> file = TempFile::create(".tsp", "");
  if (!file) {
    return failPlain(std::string("cannot create a file in the temporary directory: ") +
                     std::strerror(errno));
  }
  if (object_->WriteTspFile(FileName::fromNarrow(file->path().c_str()), format) != kSuccessResult) {
    return failOperation("cannot write the instance", "");
  }
  std::optional<std::string> text = readWholeFile(file->path());
  if (!text) return failPlain("cannot read back the written instance");
  // The writer names the instance after the file it wrote; here that file was only a stage.
  if (text->starts_with("NAME: ")) {
    const std::size_t end = text->find('\n');
    text->replace(0, end, "NAME: " + name);
  }
  if (std::fwrite(text->data(), 1, text->size(), console_.out) != text->size() ||
      std::fflush(console_.out) != 0) {
    return failPlain("cannot write to standard output");
  }
  return kExitSuccess;
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
  if (request_.solveRandom) {
    if (const int checked = checkSolveOutputs(); checked != kExitSuccess) return checked;
  }
  if (request_.outputPath && *request_.outputPath != kStandardStream) {
    if (const int checked = checkOutputs({{"the instance", *request_.outputPath}});
        checked != kExitSuccess) {
      return checked;
    }
  }
  const std::string name =
      "random-" + std::to_string(request_.cityCount) + "-seed-" + std::to_string(seed);
  displayName_ = name;
  if (object_->NewTspWithSeed(request_.cityCount, seed) != kSuccessResult) {
    return failOperation("cannot generate " + std::to_string(request_.cityCount) + " cities", "");
  }
  const std::int32_t format = request_.format.value_or(kTspFileEuc2d);
  const bool toStandardOutput = (request_.outputPath && *request_.outputPath == kStandardStream) ||
                                (!request_.outputPath && !request_.solveRandom);
  if (toStandardOutput) return writeInstanceToStandardOutput(format, name);
  if (request_.outputPath &&
      object_->WriteTspFile(FileName::fromNarrow(request_.outputPath->c_str()), format) !=
          kSuccessResult) {
    return failOperation("cannot write the instance to", *request_.outputPath);
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
  const ProblemData& instance = object_->instance();
  std::int32_t answer = 0;
  if (object_->CheckDistance(&answer) != kSuccessResult) return failOperation("cannot check", path);
  const auto code = static_cast<ErrorCode>(answer);
  const DistanceFault fault = firstDistanceFault(instance);
  // The pair is shown only when it explains the check's own answer.
  const bool faultAgrees = fault.code == code;
  const bool solvable = instance.count >= 3 && tourLengthsFit(instance);
  const bool asymmetric = hasAsymmetricDistances(instance);

  // The tour, read against the instance by the tour file rules.
  std::optional<std::string> tourProblem;
  if (request_.tourToCheck) {
    if (object_->ReadTourFile(FileName::fromNarrow(request_.tourToCheck->c_str())) !=
        kSuccessResult) {
      std::string detail;
      if (lastError().code == ErrorCode::CityIdOutOfRange) {
        detail = "its DIMENSION differs from the instance's " + citiesText(instance.count) +
                 ", or it names a city outside 1 to " + std::to_string(instance.count);
      }
      return failOperation("cannot read the tour", *request_.tourToCheck, detail);
    }
    tourProblem = tourFault(object_->tour(), instance.count);
  }
  const TourRecord& tour = object_->tour();
  const std::span<const std::int32_t> tourOrder(
      tour.order, static_cast<std::size_t>(tour.count > 0 ? tour.count : 0));

  if (json()) {
    JsonObject document;
    document.add("name", path)
        .add("cities", instance.count)
        .add("coordinates", instance.hasCoordinates == 1)
        .add("asymmetric", asymmetric)
        .add("valid", answer == 0 && instance.count >= 1)
        .add("code", answer);
    if (answer != 0) {
      document.add("error_name", errorName(code))
          .add("result", resultValueText(code))
          .add("text", errorText(code));
      if (faultAgrees) {
        JsonObject pair;
        pair.add("from", fault.from)
            .add("to", fault.to)
            .add("distance", instance.rows[fault.from].dist[fault.to])
            .add("reverse", instance.rows[fault.to].dist[fault.from]);
        document.add("first_fault", pair);
      }
    }
    document.add("solvable", solvable);
    if (tourProblem) {
      document.add("tour_file", *request_.tourToCheck)
          .add("tour_valid", tourProblem->empty())
          .add("tour_length", tour.length)
          .add("tour", tourOrder);
      if (!tourProblem->empty()) document.add("tour_fault", *tourProblem);
    }
    std::fprintf(console_.out, "%s\n", document.text().c_str());
  } else {
    std::fprintf(console_.out, "%s: %s, %s\n", path.c_str(), citiesText(instance.count).c_str(),
                 instance.hasCoordinates == 1 ? "with coordinates" : "without coordinates");
    if (instance.count < 1) {
      std::fprintf(console_.out, "distances: none (the file declares no cities)\n");
    } else if (answer == 0) {
      std::fprintf(console_.out,
                   "distances: valid (symmetric, 0 from each city to itself, positive between "
                   "different cities)\n");
    } else {
      std::string words = faultAgrees ? describeFault(instance, fault) : std::string("invalid");
      std::fprintf(console_.out, "distances: %s (%s %s: %s)\n", words.c_str(),
                   resultValueText(code).c_str(), std::string(errorName(code)).c_str(),
                   std::string(errorText(code)).c_str());
      if (asymmetric) {
        std::fprintf(console_.out,
                     "asymmetric: solve finds a shortest directed tour for up to %d cities\n",
                     kMaxAsymmetricCities);
      }
    }
    if (!solvable) {
      std::fprintf(console_.out, "solvable: no (%s)\n",
                   instance.count < 3 ? "fewer than 3 cities"
                                      : "tour lengths could exceed the 32-bit range");
    }
    if (tourProblem) {
      std::fprintf(console_.out, "tour: %s: %s, length %d\n", request_.tourToCheck->c_str(),
                   tourProblem->empty() ? "valid, every city once"
                                        : ("not a tour of the instance: " + *tourProblem).c_str(),
                   tour.length);
    }
  }
  if (tourProblem) return tourProblem->empty() ? kExitSuccess : kExitBadInput;
  return answer == 0 && instance.count >= 1 ? kExitSuccess : kExitBadInput;
}

int Session::runConvert() {
  const std::string& input = request_.files[0];
  const std::string& output = request_.files[1];
  const bool toStandardOutput = output == kStandardStream;
  if (!toStandardOutput) {
    if (const int checked = checkOutputs({{"the instance", output}}); checked != kExitSuccess) {
      return checked;
    }
  }
  const int loaded = load(input);
  if (loaded != kExitSuccess) return loaded;
  const std::int32_t format = request_.format.value_or(kTspFileFullMatrix);
  const ProblemData& instance = object_->instance();
  if (instance.count < 1) {
    return failPlain(
        inQuotes(input) + " declares " + citiesText(instance.count) + "; there is nothing to write",
        input);
  }
  // EUC_2D files hold coordinates only: without coordinates there is nothing to write, even
  // with --force.
  if (format == kTspFileEuc2d && instance.hasCoordinates != 1) {
    return failPlain(inQuotes(input) +
                         " has no coordinates: euc2d would lose its distances (use --format "
                         "fullmatrix)",
                     input);
  }
  if (format == kTspFileEuc2d && !request_.force) {
    // EUC_2D keeps only whole coordinates; refuse when the distances read back would differ.
    for (int i = 0; i < instance.count; ++i) {
      for (int j = 0; j < instance.count; ++j) {
        const double dx = truncateToWhole(instance.rows[i].x) - truncateToWhole(instance.rows[j].x);
        const double dy = truncateToWhole(instance.rows[i].y) - truncateToWhole(instance.rows[j].y);
        std::int32_t written = 0;
        const bool fits = roundedDistance(std::hypot(dx, dy), 1.0, &written);
        if (!fits || written != instance.rows[i].dist[j]) {
          return failPlain(inQuotes(input) + ": city " + std::to_string(i + 1) + " to city " +
                               std::to_string(j + 1) + " is " +
                               std::to_string(instance.rows[i].dist[j]) +
                               ", but its whole coordinates give " +
                               (fits ? std::to_string(written) : std::string("no distance")) +
                               "; euc2d would change the instance (use --format fullmatrix, or "
                               "--force)",
                           input);
        }
      }
    }
  }
  if (toStandardOutput) return writeInstanceToStandardOutput(format, displayName_);
  if (object_->WriteTspFile(FileName::fromNarrow(output.c_str()), format) != kSuccessResult) {
    return failOperation("cannot write", output);
  }
  return kExitSuccess;
}

int Session::run() {
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
    std::fprintf(console.out, "ringmarch %s\n", RINGMARCH_VERSION);
    return kExitSuccess;
  }
  clearLastError();
  Session session(request, console);
  return session.run();
}

}  // namespace ringmarch::cli
