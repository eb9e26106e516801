// The ringmarch command line: which command was asked for, with which files and options.
// Parsing only checks the shape of the request; files are opened by the commands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "solve/solve.h"

namespace ringmarch::cli {

enum class Command { Help, Version, Solve, Random, Check, Convert };

// Options of a solve, shared by `solve` and `random --solve`.
struct SolveRequest {
  std::optional<std::string> tourPath;  // --tour
  std::optional<std::string> svgPath;   // --svg
  std::optional<double> timeLimitSeconds;
  Engine engine = Engine::Auto;  // --engine
  bool json = false;
  bool quiet = false;
};

// The name that stands for standard input (and, for convert's OUT, standard output).
inline constexpr std::string_view kStandardStream = "-";

struct Request {
  Command command = Command::Help;
  // The command whose help was asked for (Help only); empty for the general help.
  std::string helpTopic;
  // solve: the TSP file, absent for the built-in instance. check: the file. convert: IN, OUT.
  std::vector<std::string> files;
  // solve, check, convert: read exactly as the component does instead of the tolerant reader.
  bool strict = false;
  // check: a TOUR file to measure against the instance
  std::optional<std::string> tourToCheck;
  SolveRequest solve;
  // random
  std::int32_t cityCount = 0;
  std::optional<std::uint32_t> seed;
  std::optional<std::string> outputPath;  // "-" writes to standard output
  bool solveRandom = false;
  // random and convert: kTspFileEuc2d or kTspFileFullMatrix
  std::optional<std::int32_t> format;
  // convert: write even when the target layout cannot hold the instance unchanged
  bool force = false;
};

struct ParseResult {
  std::optional<Request> request;  // set on success
  std::string error;               // what is wrong with the command line, otherwise
  std::string command;             // the command the error belongs to, for its usage line
  bool json = false;               // --json was asked for: the error is printed as JSON too
};

// Parses argv[1..argc-1]. Options take their value as the next argument or after '='; "--" ends
// the options.
ParseResult parseCommandLine(int argc, const char* const* argv);

// The one-line usage of a command ("" for all of them), and the full help text.
std::string usageLine(std::string_view command);
std::string helpText(std::string_view command);

// Strict number parsing: the whole text must be the number.
std::optional<std::int64_t> parseWholeNumber(std::string_view text);
std::optional<double> parseSeconds(std::string_view text);

}  // namespace ringmarch::cli
