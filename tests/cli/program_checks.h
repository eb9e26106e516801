// What the end-to-end tests of the command line share: exit statuses, and readers of the JSON
// and text results.
#pragma once

#include <string>
#include <vector>

#include "json_value.h"
#include "run_program.h"

namespace ringmarch::testing {

constexpr int kSuccess = 0;
constexpr int kBadInput = 1;
constexpr int kUsage = 2;
constexpr int kNotProven = 3;
constexpr int kInterrupted = 130;
#ifdef RINGMARCH_SLOW_BUILD_FACTOR
constexpr int kSlowBuildFactor = RINGMARCH_SLOW_BUILD_FACTOR;
#else
constexpr int kSlowBuildFactor = 1;
#endif

// 121 cities on an 11 x 11 lattice (tests/data/grid11.tsp) through the canonical engine alone:
// a tour of an odd lattice needs one diagonal step, and the search's bounds stay just below the
// optimum, so proving it takes far longer than any limit here; short limits and an early Ctrl-C
// always stop the search before its end, and its nodes are quick, so progress is reported soon
// after the first second. (auto hands it to the cut engine, which proves it at once.)
// longSolveWith appends options to its command line.
extern const std::string kLongSolveFile;
extern const std::vector<std::string> kLongSolve;
std::vector<std::string> longSolveWith(std::vector<std::string> options);

// The one JSON document on the run's standard output (a test failure when there is none).
JsonValue parsedStdout(const ProgramRun& run);
// The "tour" array of a solve's JSON result.
std::vector<int> jsonTour(const JsonValue& document);
// The value of a "key: value" line of the text result.
std::string resultLine(const std::string& text, const std::string& key);
// The text result's tour line as 0-based cities.
std::vector<int> textTourZeroBased(const std::string& text);

}  // namespace ringmarch::testing
