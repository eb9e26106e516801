#include "cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "model/problem_data.h"
#include "tsplib/tsp_file.h"

namespace ringmarch::cli {
namespace {

constexpr std::string_view kSolveUsage =
    "usage: ringmarch solve [FILE.tsp|-] [--strict] [--tour OUT.tour] [--svg OUT.svg] [--json] "
    "[--quiet] [--time-limit SECONDS] [--engine auto|canonical|tour|cut]";
constexpr std::string_view kRandomUsage =
    "usage: ringmarch random N [--seed S] [--output FILE|-] [--format euc2d|fullmatrix] "
    "[--solve [solve options]]";
constexpr std::string_view kCheckUsage =
    "usage: ringmarch check FILE.tsp|- [--strict] [--tour FILE.tour] [--json]";
constexpr std::string_view kConvertUsage =
    "usage: ringmarch convert IN.tsp|- OUT.tsp|- [--strict] [--format euc2d|fullmatrix] [--force]";
constexpr std::string_view kGeneralUsage =
    "usage: ringmarch {solve|random|check|convert} ... (ringmarch --help for details)";

constexpr std::string_view kReadingHelp =
    "  --strict               read FILE exactly as the automation component does (DIMENSION\n"
    "                         first, fixed case, EUC_2D, ATT and three matrix layouts only, up\n"
    "                         to 127 cities); without it every symmetric TSPLIB distance rule,\n"
    "                         all matrix layouts and ATSP files of up to 100000 cities are\n"
    "                         read, keywords in any order\n"
    "  -                      as the file: read it from standard input\n";

constexpr std::string_view kSolveOptionsHelp =
    "  --tour OUT.tour        write the tour as a TSPLIB TOUR file\n"
    "  --svg OUT.svg          draw the cities and the tour (instances with coordinates)\n"
    "  --json                 print one JSON object on stdout and nothing else: name, cities,\n"
    "                         asymmetric, length, optimal, tour (0-based), nodes, seconds,\n"
    "                         initial_length, stages (seconds spent loading, on the initial\n"
    "                         tour, searching); errors, usage errors included, as {\"error\"}\n"
    "  --quiet                no progress line or warning on stderr\n"
    "  --time-limit SECONDS   stop the search after SECONDS (any positive decimal, 0.5 or\n"
    "                         2e1) and report the best tour found, marked as not proven\n"
    "  --engine ENGINE        auto (the default: canonical where it applies, cut after its\n"
    "                         5,000th node without an answer, otherwise cut),\n"
    "                         canonical (the exact search: up to 127 cities, asymmetric up to\n"
    "                         63), tour (local search and the Held-Karp bound: optimal only\n"
    "                         when the bound meets the tour), cut (the LP-based branch and\n"
    "                         cut: exact for any size, asymmetric ones included)\n"
    "  Output files are checked before the solve starts; an input file is never overwritten,\n"
    "  and two outputs never name one file. Each is replaced whole or left as it was.\n"
    "  Ctrl-C stops the search and reports (and writes) the best tour found, not proven.\n";

constexpr std::string_view kSolveExitHelp =
    "Exit status: 0 solved and proven optimal; 1 bad input or a failed operation (the message\n"
    "names the file, the line, the reason and the error, e.g. \"0x80040302 FileReadFailed\");\n"
    "2 bad usage; 3 best tour found but not proven optimal (time limit, the tour engine's\n"
    "bound below its tour, or the canonical engine on an asymmetric instance of more than 63\n"
    "cities); 130 interrupted (Ctrl-C), best tour found reported.\n";

constexpr std::string_view kHelpHeader =
    "ringmarch: travelling-salesman solver: proven optimal tours, or the best tour found with a\n"
    "proven lower bound\n\n";

constexpr std::string_view kSolveHelp =
    "ringmarch solve [FILE.tsp|-] [options]\n"
    "  Solves a TSPLIB TSP or ATSP file (without FILE: the built-in 42-city instance) to a\n"
    "  proven optimum, and prints the tour length, the tour (1-based city numbers), the time\n"
    "  and the number of evaluated search nodes. Asymmetric distances are solved as a directed\n"
    "  tour through a symmetric instance of twice the cities. Beyond 127 cities (asymmetric:\n"
    "  63) the cut engine solves the file; a run it cannot finish in time ends with its best\n"
    "  tour and proven lower bound.\n";

constexpr std::string_view kRandomHelp =
    "ringmarch random N [--seed S] [--output FILE|-] [--format euc2d|fullmatrix] [--solve]\n"
    "  Generates N random cities (whole coordinates 0 to 9999, N from 1 to 100000).\n"
    "  --seed S               generator seed 0 to 4294967295 (default: a fresh seed)\n"
    "  --output FILE          write the instance as a TSP file (- or no --output and no\n"
    "                         --solve: standard output)\n"
    "  --format F             euc2d (coordinates, the default) or fullmatrix (distance matrix\n"
    "                         with display coordinates)\n"
    "  --solve                solve the instance; the solve options apply\n";

constexpr std::string_view kRandomExitHelp =
    "Exit status: 0 success; 1 a failed operation; 2 bad usage (also N outside 1 to 100000, N\n"
    "below 3 with --solve, and --output - with --solve); with --solve also 3 not proven\n"
    "optimal and 130 interrupted.\n";

constexpr std::string_view kCheckHelp =
    "ringmarch check FILE.tsp|- [--strict] [--tour FILE.tour] [--json]\n"
    "  Reads the file and tells whether its distances form a valid symmetric matrix (zero\n"
    "  diagonal, positive elsewhere), naming the first pair that is not; an ATSP file's\n"
    "  one-way distances need not be symmetric. Negative distances pass the check (they are\n"
    "  solved exactly) and are named.\n"
    "  --tour FILE.tour       read a TSPLIB TOUR file against the instance: whether it visits\n"
    "                         every city once, and its length (in the listed direction); read\n"
    "                         as published (DIMENSION optional, any number of cities a line),\n"
    "                         or with --strict as the automation component reads it\n"
    "  --json                 print one JSON object (city numbers 0-based)\n";

constexpr std::string_view kCheckExitHelp =
    "Exit status: 0 valid (with --tour: the tour is valid); 1 not valid, or a file cannot be\n"
    "read; 2 bad usage.\n";

constexpr std::string_view kConvertHelp =
    "ringmarch convert IN.tsp|- OUT.tsp|- [--strict] [--format euc2d|fullmatrix] [--force]\n"
    "  Reads IN and writes it again as OUT (- : standard output), as a full distance matrix\n"
    "  (the default) or as EUC_2D coordinates. euc2d is refused when the distances of the\n"
    "  written coordinates would differ from the instance's distances, unless --force is given;\n"
    "  an instance without coordinates is always refused. OUT must not be IN.\n";

constexpr std::string_view kConvertExitHelp =
    "Exit status: 0 written; 1 IN cannot be read, OUT cannot be written, or the layout is\n"
    "refused; 2 bad usage.\n";

constexpr std::string_view kHelpFooter =
    "\n"
    "ringmarch --help | ringmarch COMMAND --help | ringmarch --version\n"
    "\n"
    "Options take their value as the next argument or after '=' (--seed=7).\n";

bool isOption(std::string_view argument) {
  return argument.size() > 1 && argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9');
}

ParseResult failure(std::string message, std::string_view command) {
  ParseResult result;
  result.error = std::move(message);
  result.command = std::string(command);
  return result;
}

// Whether --json appears among the options, so that even a usage error is printed as JSON.
bool asksForJson(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") break;
    if (argument == "--json" || argument.starts_with("--json=")) return true;
  }
  return false;
}

std::optional<std::int32_t> parseFormat(std::string_view text) {
  if (text == "euc2d") return kTspFileEuc2d;
  if (text == "fullmatrix") return kTspFileFullMatrix;
  return std::nullopt;
}

// Walks the arguments after the command, splitting "--name=value" and collecting operands.
class ArgumentCursor {
 public:
  ArgumentCursor(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

  bool done() const { return index_ >= argc_; }

  // Next argument; options are reported with their name in `name` and an inline value if any.
  struct Item {
    bool isOption = false;
    bool nothing = false;  // a trailing "--"
    std::string name;
    std::optional<std::string> inlineValue;
    std::string operand;
  };

  Item next() {
    Item item;
    std::string_view argument = argv_[index_++];
    if (!optionsEnded_ && argument == "--") {
      optionsEnded_ = true;
      if (done()) {
        item.nothing = true;
        return item;
      }
      argument = argv_[index_++];
    }
    if (optionsEnded_ || !isOption(argument)) {
      item.operand = std::string(argument);
      return item;
    }
    item.isOption = true;
    const std::size_t equals = argument.find('=');
    if (equals != std::string_view::npos && argument.starts_with("--")) {
      item.name = std::string(argument.substr(0, equals));
      item.inlineValue = std::string(argument.substr(equals + 1));
    } else {
      item.name = std::string(argument);
    }
    return item;
  }

  // The value of an option that takes one: inline, or the next argument.
  std::optional<std::string> valueFor(Item& item) {
    if (item.inlineValue) return item.inlineValue;
    if (done()) return std::nullopt;
    return std::string(argv_[index_++]);
  }

 private:
  int argc_;
  const char* const* argv_;
  int index_ = 2;
  bool optionsEnded_ = false;
};

}  // namespace

std::optional<std::int64_t> parseWholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> parseSeconds(std::string_view text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

std::string usageLine(std::string_view command) {
  if (command == "solve") return std::string(kSolveUsage);
  if (command == "random") return std::string(kRandomUsage);
  if (command == "check") return std::string(kCheckUsage);
  if (command == "convert") return std::string(kConvertUsage);
  return std::string(kGeneralUsage);
}

std::string helpText(std::string_view command) {
  const std::string solve =
      std::string(kSolveHelp) + std::string(kReadingHelp) + std::string(kSolveOptionsHelp);
  const std::string random = std::string(kRandomHelp) + "\nSolve options (with --solve):\n" +
                             std::string(kSolveOptionsHelp);
  const std::string check = std::string(kCheckHelp) + std::string(kReadingHelp);
  const std::string convert = std::string(kConvertHelp) + std::string(kReadingHelp);
  auto withExit = [](const std::string& text, std::string_view exit) {
    return text + "\n" + std::string(exit);
  };
  if (command == "solve") return withExit(solve, kSolveExitHelp);
  if (command == "random") return withExit(random, kRandomExitHelp);
  if (command == "check") return withExit(check, kCheckExitHelp);
  if (command == "convert") return withExit(convert, kConvertExitHelp);
  return std::string(kHelpHeader) + withExit(solve, kSolveExitHelp) + "\n" +
         withExit(random, kRandomExitHelp) + "\n" + withExit(check, kCheckExitHelp) + "\n" +
         withExit(convert, kConvertExitHelp) + std::string(kHelpFooter);
}

namespace {
ParseResult parseArguments(int argc, const char* const* argv);
}  // namespace

ParseResult parseCommandLine(int argc, const char* const* argv) {
  ParseResult result = parseArguments(argc, argv);
  if (!result.request) result.json = asksForJson(argc, argv);
  return result;
}

namespace {

ParseResult parseArguments(int argc, const char* const* argv) {
  if (argc < 2) return failure("no command given", "");
  const std::string_view command = argv[1];
  Request request;
  if (command == "--help" || command == "-h" || command == "help") {
    request.command = Command::Help;
    if (command == "help" && argc > 2) request.helpTopic = argv[2];
    return ParseResult{request, "", ""};
  }
  if (command == "--version") {
    request.command = Command::Version;
    return ParseResult{request, "", ""};
  }
  if (command == "solve") {
    request.command = Command::Solve;
  } else if (command == "random") {
    request.command = Command::Random;
  } else if (command == "check") {
    request.command = Command::Check;
  } else if (command == "convert") {
    request.command = Command::Convert;
  } else {
    return failure("unknown command '" + std::string(command) + "'", "");
  }

  const bool solves = request.command == Command::Solve || request.command == Command::Random;
  std::vector<std::string> operands;
  std::vector<std::string> solveOnlyOptions;  // for random: options that need --solve
  ArgumentCursor cursor(argc, argv);
  while (!cursor.done()) {
    ArgumentCursor::Item item = cursor.next();
    if (item.nothing) continue;
    if (!item.isOption) {
      operands.push_back(item.operand);
      continue;
    }
    const std::string& name = item.name;
    if (name == "--help" || name == "-h") {
      Request help;
      help.command = Command::Help;
      help.helpTopic = std::string(command);
      return ParseResult{help, "", ""};
    }
    auto requireValue = [&]() -> std::optional<std::string> { return cursor.valueFor(item); };
    auto takesNoValue = [&]() { return !item.inlineValue.has_value(); };

    if (solves && (name == "--json" || name == "--quiet")) {
      if (!takesNoValue()) return failure(name + " takes no value", command);
      (name == "--json" ? request.solve.json : request.solve.quiet) = true;
      solveOnlyOptions.push_back(name);
    } else if (request.command == Command::Check && name == "--json") {
      if (!takesNoValue()) return failure(name + " takes no value", command);
      request.solve.json = true;
    } else if (request.command == Command::Check && name == "--tour") {
      const auto value = requireValue();
      if (!value || value->empty()) return failure("--tour needs a file name", command);
      request.tourToCheck = *value;
    } else if (name == "--strict" &&
               (request.command == Command::Solve || request.command == Command::Check ||
                request.command == Command::Convert)) {
      if (!takesNoValue()) return failure("--strict takes no value", command);
      request.strict = true;
    } else if (solves && (name == "--tour" || name == "--svg")) {
      const auto value = requireValue();
      if (!value || value->empty()) return failure(name + " needs a file name", command);
      (name == "--tour" ? request.solve.tourPath : request.solve.svgPath) = *value;
      solveOnlyOptions.push_back(name);
    } else if (solves && name == "--time-limit") {
      const auto value = requireValue();
      const auto seconds = value ? parseSeconds(*value) : std::nullopt;
      if (!seconds) {
        return failure("--time-limit needs a positive number of seconds", command);
      }
      request.solve.timeLimitSeconds = seconds;
      solveOnlyOptions.push_back(name);
    } else if (solves && name == "--engine") {
      const auto value = requireValue();
      const auto engine = value ? engineNamed(*value) : std::nullopt;
      if (!engine) return failure("--engine needs auto, canonical, tour or cut", command);
      request.solve.engine = *engine;
      solveOnlyOptions.push_back(name);
    } else if (request.command == Command::Random && name == "--seed") {
      const auto value = requireValue();
      const auto seed = value ? parseWholeNumber(*value) : std::nullopt;
      if (!seed || *seed < 0 || *seed > std::numeric_limits<std::uint32_t>::max()) {
        return failure("--seed needs a whole number from 0 to 4294967295", command);
      }
      request.seed = static_cast<std::uint32_t>(*seed);
    } else if (request.command == Command::Random && name == "--output") {
      const auto value = requireValue();
      if (!value || value->empty()) return failure("--output needs a file name", command);
      request.outputPath = *value;
    } else if (request.command == Command::Random && name == "--solve") {
      if (!takesNoValue()) return failure("--solve takes no value", command);
      request.solveRandom = true;
    } else if ((request.command == Command::Random || request.command == Command::Convert) &&
               name == "--format") {
      const auto value = requireValue();
      const auto format = value ? parseFormat(*value) : std::nullopt;
      if (!format) return failure("--format must be euc2d or fullmatrix", command);
      request.format = format;
    } else if (request.command == Command::Convert && name == "--force") {
      if (!takesNoValue()) return failure("--force takes no value", command);
      request.force = true;
    } else {
      return failure("unknown option '" + name + "' for " + std::string(command), command);
    }
  }

  switch (request.command) {
    case Command::Solve:
      if (operands.size() > 1) return failure("solve takes at most one file", command);
      if (!operands.empty() && operands[0].empty()) return failure("empty file name", command);
      request.files = operands;
      break;
    case Command::Random: {
      if (operands.size() != 1) return failure("random needs the number of cities", command);
      const auto cities = parseWholeNumber(operands[0]);
      // A count too large for any whole-number type is still a count: too many cities.
      std::string_view digits = operands[0];
      if (digits.starts_with('+')) digits.remove_prefix(1);
      const bool allDigits =
          !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
      if ((!cities && allDigits) || (cities && *cities > kMaxInstanceCities)) {
        digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size() - 1));
        return failure(
            std::string(digits) + " cities; at most " + std::to_string(kMaxInstanceCities),
            command);
      }
      if (!cities || *cities < 1) {
        return failure("the number of cities must be a whole number of at least 1", command);
      }
      request.cityCount = static_cast<std::int32_t>(*cities);
      if (!request.solveRandom && !solveOnlyOptions.empty()) {
        return failure(solveOnlyOptions.front() + " needs --solve", command);
      }
      // Fewer than 3 cities make an instance but no tour: refused before a seed is printed.
      if (request.solveRandom && *cities < 3) {
        return failure(std::to_string(*cities) + (*cities == 1 ? " city" : " cities") +
                           " cannot be solved; --solve needs at least 3",
                       command);
      }
      if (request.solveRandom && request.outputPath && *request.outputPath == kStandardStream) {
        return failure("--output - cannot be combined with --solve (both write standard output)",
                       command);
      }
      break;
    }
    case Command::Check:
      if (operands.size() != 1 || operands[0].empty()) {
        return failure("check needs exactly one file", command);
      }
      request.files = operands;
      break;
    case Command::Convert:
      if (operands.size() != 2 || operands[0].empty() || operands[1].empty()) {
        return failure("convert needs an input and an output file", command);
      }
      if (operands[0] == operands[1] && operands[0] != kStandardStream) {
        return failure("convert would write over its input '" + operands[0] + "'", command);
      }
      request.files = operands;
      break;
    case Command::Help:
    case Command::Version:
      break;
  }
  return ParseResult{request, "", ""};
}

}  // namespace

}  // namespace ringmarch::cli
