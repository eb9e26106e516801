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

#include "cli/default_instance.h"
#include "cli/input_bytes.h"
#include "cli/interrupt.h"
#include "cli/json_output.h"
#include "cli/output_paths.h"
#include "cli/progress.h"
#include "cli/replace_file.h"
#include "cli/svg_drawing.h"
#include "model/generation.h"
#include "object/asymmetric_solve.h"
#include "object/ringmarch_object.h"
#include "solve/solve.h"
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
// distances over at most 127 cities can wrap there, whatever the instance holds.
std::int64_t closedTourLength(const ProblemData& problem, std::span<const std::int32_t> order) {
  std::int64_t total = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const std::int32_t from = order[k];
    const std::int32_t to = order[(k + 1) % order.size()];
    if (from < 0 || from >= problem.count || to < 0 || to >= problem.count) continue;
    total += problem.rows[from].dist[to];
  }
  return total;
}

// The first pair of different cities whose distance is negative, in the distance check's order;
// {-1, -1} when there is none. The component's check lets them pass, but they are not positive.
std::pair<int, int> firstNegativeDistance(const ProblemData& problem) {
  for (int i = 0; i < problem.count; ++i) {
    for (int j = 0; j < problem.count; ++j) {
      if (i != j && problem.rows[i].dist[j] < 0) return {i, j};
    }
  }
  return {-1, -1};
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

// The same for a directed instance, whose distances need not equal their reverses: every ordered
// pair, row by row.
DistanceFault firstDirectedFault(const ProblemData& problem) {
  for (int i = 0; i < problem.count; ++i) {
    for (int j = 0; j < problem.count; ++j) {
      const std::int32_t d = problem.rows[i].dist[j];
      if (i == j && d != 0) return {i, j, ErrorCode::SameCityDistanceNotZero};
      if (i != j && d == 0) return {i, j, ErrorCode::DistanceNotPositive};
    }
  }
  return {};
}

// The first pair whose distance differs from its reverse; from < 0 when there is none.
DistanceFault firstAsymmetricPair(const ProblemData& problem) {
  for (int i = 0; i < problem.count; ++i) {
    for (int j = i + 1; j < problem.count; ++j) {
      if (problem.rows[i].dist[j] != problem.rows[j].dist[i]) {
        return {i, j, ErrorCode::DistanceNotSymmetric};
      }
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

// The bytes of a line with blanks and tabs dropped and letters in upper case, as far as any
// keyword or section name reaches; one byte more shows that the line holds more than the name.
struct SqueezedLine {
  static constexpr std::size_t kKept = 24;
  char text[kKept + 1] = {};
  std::size_t size = 0;

  explicit SqueezedLine(std::string_view line) {
    for (const char c : line) {
      if (c == ' ' || c == '\t') continue;
      text[size++] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      if (size == kKept + 1) break;
    }
  }
  std::string_view view() const { return {text, size}; }
};

// Calls visit(index, line) for each line of the bytes, without its line end (LF or CRLF); stops
// when visit answers false. Nothing is copied, so an input of millions of lines costs no memory.
template <typename Visit>
void forEachLine(std::string_view bytes, Visit visit) {
  std::size_t index = 0;
  for (std::size_t at = 0; at < bytes.size(); ++index) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!visit(index, line)) return;
    at = end + 1;
  }
}

// The first line of a file that the tolerant reader takes but the strict reader's line rules do
// not: DIMENSION first, keywords in upper case from the first column, section lines alone.
std::string strictLineRuleBroken(std::string_view bytes) {
  const std::string general =
      "the file breaks the strict reader's line rules (DIMENSION before the other keywords, "
      "keywords in upper case from the first column, section lines without blanks); it reads "
      "without --strict";
  auto at = [](std::size_t index) { return "line " + std::to_string(index + 1) + ": "; };
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t dimension = kNone;
  bool dimensionInPlace = false;
  forEachLine(bytes, [&](std::size_t index, std::string_view line) {
    if (!SqueezedLine(line).view().starts_with("DIMENSION")) return true;
    dimension = index;
    dimensionInPlace = line.starts_with("DIMENSION");
    return false;
  });
  if (dimension == kNone) return general;
  if (!dimensionInPlace) {
    return at(dimension) +
           "with --strict, DIMENSION must be written in upper case from the first " +
           "column; the file reads without --strict";
  }
  constexpr std::string_view kKeywords[] = {"EDGE_WEIGHT_TYPE", "EDGE_WEIGHT_FORMAT",
                                            "DISPLAY_DATA_TYPE"};
  constexpr std::string_view kSections[] = {"NODE_COORD_SECTION", "EDGE_WEIGHT_SECTION",
                                            "DISPLAY_DATA_SECTION"};
  std::string broken;
  forEachLine(bytes, [&](std::size_t i, std::string_view line) {
    const SqueezedLine word(line);
    for (const std::string_view keyword : kKeywords) {
      if (!word.view().starts_with(keyword)) continue;
      if (i < dimension) {
        broken = at(i) + std::string(keyword) + " comes before DIMENSION (line " +
                 std::to_string(dimension + 1) +
                 "); with --strict it is looked for only after; the file reads without --strict";
        return false;
      }
      if (!line.starts_with(keyword)) {
        broken = at(i) + "with --strict, " + std::string(keyword) +
                 " must be written in upper case from the first column; the file reads without "
                 "--strict";
        return false;
      }
    }
    for (const std::string_view section : kSections) {
      if (word.view() == section && line != section) {
        broken = at(i) + "with --strict, the section line must be " + std::string(section) +
                 " alone, without blanks or other case; the file reads without --strict";
        return false;
      }
    }
    return true;
  });
  return broken.empty() ? general : broken;
}

// Why the strict reader refused the bytes with strictCode, in words: the tolerant reader names
// the line and reason of a fault both would see; when it reads the file, the strict reader's
// narrower rules are why. Reads the bytes through a stream of their own; changes nothing.
std::string strictRefusalReason(std::string_view bytes, ErrorCode strictCode) {
  auto scratch = std::make_unique<ProblemData>();
  initProblemData(*scratch);
  std::FILE* stream = openMemoryStream(bytes);
  if (stream == nullptr) return "the input cannot be read again from memory to say why";
  const TspReadReport tolerant = readTspStreamTolerant(*scratch, stream, "");
  std::fclose(stream);
  if (tolerant.code == ErrorCode::TooManyCities && strictCode == ErrorCode::FileReadFailed) {
    // The strict reader reads DIMENSION as a 32-bit number and takes a larger one for damage.
    return tolerant.where() + "; with --strict a DIMENSION beyond 32 bits is a damaged file";
  }
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
  return strictLineRuleBroken(bytes);
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
  Session(const Request& request, const Console& console)
      : request_(request), console_(console), object_(std::make_unique<RingmarchObject>()) {}

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

  // Reports the failure of an operation of the object: its result value, code name and text,
  // with the reason and the line of the file it concerns when known.
  int failOperation(std::string_view action, std::string_view file, const std::string& detail = {},
                    int line = 0);
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
  std::unique_ptr<RingmarchObject> object_;
  std::string displayName_;
  TspReadReport report_;  // what the tolerant reader said of the loaded file
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
    displayName_ = tspNameOf(text);
    std::FILE* stream = openMemoryStream(text);
    if (stream == nullptr) return failPlain("cannot open the built-in instance in memory");
    const OperationResult read = object_->ReadTspStream(stream, displayName_);
    std::fclose(stream);
    if (read != kSuccessResult) return failOperation("cannot read the built-in instance", "");
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
  std::FILE* stream = openMemoryStream(input.bytes.view());
  if (stream == nullptr) {
    const std::string reason = "no stream over the input in memory";
    printError("cannot read " + inQuotes(path) + " (" + reason + ")", ErrorCode::OutOfMemory, path,
               reason);
    return kExitBadInput;
  }
  if (request_.strict) {
    const OperationResult read = object_->ReadTspStream(stream, path);
    std::fclose(stream);
    if (read != kSuccessResult) {
      const ErrorCode code = lastError().code;
      const std::string reason = strictRefusalReason(input.bytes.view(), code);
      clearLastError();
      printError("cannot read " + inQuotes(path) + " (" + reason + ")", code, path, reason);
      return kExitBadInput;
    }
    useNameFromStandardInput(path, tspNameOf(input.bytes.view()));
    return kExitSuccess;
  }
  const OperationResult read = object_->ReadTspStreamTolerant(stream, path, &report_);
  std::fclose(stream);
  if (read != kSuccessResult) {
    return failOperation("cannot read", path, report_.where(), report_.line);
  }
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
  // What is printed and written is measured here in 64 bits, not taken from the solver's sum.
  const std::int64_t measured = closedTourLength(instance, order);
  const SolveCounts& statistics = solved.counts;

  // Files first, so that the printed result can say what was written. Each is replaced whole or
  // left as it was.
  std::vector<std::pair<std::string, std::optional<ErrorCode>>> writeFailures;
  if (options.tourPath) {
    const std::string& path = *options.tourPath;
    const std::string problem = replaceFile(path, [&](std::FILE* stream) {
      return writeTourStreamWithLength(tour, instance, stream, path, measured);
    });
    if (!problem.empty()) {
      writeFailures.emplace_back("cannot write the tour to " + inQuotes(path) + ": " + problem,
                                 ErrorCode::FileWriteFailed);
    }
  }
  if (options.svgPath) {
    std::string title = displayName_ + ": " + std::to_string(instance.count) + " cities, length " +
                        std::to_string(measured) + (proven ? "" : " (not proven optimal)");
    const std::optional<std::string> svg = drawTourSvg(instance, tour, title);
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
        .add("cities", instance.count)
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
  writeTspStream(object_->instance(), console_.out, name, format);
  if (std::fflush(console_.out) != 0 || std::ferror(console_.out) != 0) {
    return failPlain("cannot write to standard output");
  }
  return kExitSuccess;
}

// Writes the instance as a TSP file through a new file renamed over the target; the NAME line
// holds the path, as the component's writer puts it.
std::string writeInstanceFile(const ProblemData& instance, const std::string& path,
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
  if (object_->NewTspWithSeed(request_.cityCount, seed) != kSuccessResult) {
    return failOperation("cannot generate " + std::to_string(request_.cityCount) + " cities", "");
  }
  const std::int32_t format = request_.format.value_or(kTspFileEuc2d);
  const bool toStandardOutput = (request_.outputPath && *request_.outputPath == kStandardStream) ||
                                (!request_.outputPath && !request_.solveRandom);
  if (toStandardOutput) return writeInstanceToStandardOutput(format, name);
  if (request_.outputPath) {
    const std::string problem =
        writeInstanceFile(object_->instance(), *request_.outputPath, format);
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
  const ProblemData& instance = object_->instance();
  std::int32_t answer = 0;
  if (object_->CheckDistance(&answer) != kSuccessResult) return failOperation("cannot check", path);
  // An ATSP file declares one-way distances: they need not equal their reverses, and are checked
  // pair by ordered pair. A TSP file (the default TYPE) promises symmetry, which is checked.
  const bool declaredDirected = !request_.strict && report_.type == "ATSP";
  const DistanceFault fault =
      declaredDirected ? firstDirectedFault(instance) : firstDistanceFault(instance);
  if (declaredDirected) answer = static_cast<std::int32_t>(fault.code);
  const auto code = static_cast<ErrorCode>(answer);
  // The pair is shown only when it explains the check's own answer.
  const bool faultAgrees = fault.code == code;
  const bool solvable = instance.count >= 3 && tourLengthsFit(instance);
  const bool asymmetric = hasAsymmetricDistances(instance);
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
      std::FILE* stream = openMemoryStream(input.bytes.view());
      if (stream == nullptr) return failPlain("cannot read the tour in memory", tourPath);
      const OperationResult read = object_->ReadTourStream(stream);
      std::fclose(stream);
      if (read != kSuccessResult) {
        std::string detail;
        if (lastError().code == ErrorCode::CityIdOutOfRange) {
          detail = "its DIMENSION differs from the instance's " + citiesText(instance.count) +
                   ", or it names a city outside 1 to " + std::to_string(instance.count);
        }
        return failOperation("cannot read the tour", tourPath, detail);
      }
      const TourRecord& tourRead = object_->tour();
      tourOrder.assign(tourRead.order, tourRead.order + (tourRead.count > 0 ? tourRead.count : 0));
    } else {
      TourReadReport tourReport = readTourTextTolerant(input.bytes.view(), instance.count);
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
    tourProblem = tourFault(tourOrder, instance.count);
    // The reader's refusal stands even where the list it kept looks whole.
    if (tourProblem->empty() && !tourProblemWhere.empty()) tourProblem = tourProblemWhere;
    if (tourProblemWhere.empty()) tourProblemWhere = *tourProblem;
  }
  // Measured in the listed direction, closing back to the first city.
  const std::int64_t tourLength = closedTourLength(instance, tourOrder);

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
    document.add("negative_distances", negative);
    if (negative) {
      JsonObject pair;
      pair.add("from", negativeFrom)
          .add("to", negativeTo)
          .add("distance", instance.rows[negativeFrom].dist[negativeTo]);
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
    std::fprintf(console_.out, "%s: %s, %s\n", path.c_str(), citiesText(instance.count).c_str(),
                 instance.hasCoordinates == 1 ? "with coordinates" : "without coordinates");
    if (instance.count < 1) {
      std::fprintf(console_.out, "distances: none (the file declares no cities)\n");
    } else if (answer == 0 && asymmetric) {
      std::fprintf(console_.out,
                   "distances: valid, asymmetric (TYPE ATSP: one-way distances, 0 from each city "
                   "to itself, positive between different cities)\n");
      const DistanceFault pair = firstAsymmetricPair(instance);
      std::fprintf(console_.out,
                   "asymmetric: yes (city %d to city %d is %d, back %d); solve finds a shortest "
                   "directed tour\n",
                   pair.from + 1, pair.to + 1, instance.rows[pair.from].dist[pair.to],
                   instance.rows[pair.to].dist[pair.from]);
    } else if (answer == 0 && negative) {
      std::fprintf(console_.out,
                   "distances: valid by the distance check (symmetric, 0 from each city to "
                   "itself), but negative between different cities: city %d to city %d is %d "
                   "(solve still finds a shortest tour)\n",
                   negativeFrom + 1, negativeTo + 1, instance.rows[negativeFrom].dist[negativeTo]);
    } else if (answer == 0) {
      std::fprintf(console_.out,
                   "distances: valid (symmetric, 0 from each city to itself, positive between "
                   "different cities)\n");
    } else {
      std::string words = faultAgrees ? describeFault(instance, fault) : std::string("invalid");
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
      std::fprintf(console_.out, "solvable: no (%s)\n",
                   instance.count < 3 ? "fewer than 3 cities"
                                      : "tour lengths could exceed the 32-bit range");
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
  return answer == 0 && instance.count >= 1 ? kExitSuccess : kExitBadInput;
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
    std::fprintf(console.out, "ringmarch %s\n", RINGMARCH_VERSION);
    return kExitSuccess;
  }
  clearLastError();
  Session session(request, console);
  return session.run();
}

}  // namespace ringmarch::cli
